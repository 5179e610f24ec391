// A serial port and clock that only record: the bytes the driver sends, when
// (on a clock that moves only by the driver's own waits) and every wait.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace printer_fake {

struct SentByte {
    std::uint64_t at;  // µs of waiting before the byte left
    unsigned char byte;
};

struct Port {
    std::vector<SentByte> sent;
    std::vector<unsigned long> waits;
    std::uint64_t now = 0;
    std::string openedDevice;
    int openedBaud = 0;
    bool refuseOpen = false;
    bool closed = false;

    std::vector<unsigned char> bytes() const;
    std::string text() const;  // the bytes as characters
};

Port& port();
void resetPort();

}  // namespace printer_fake
