#include "tests/support/printer_port_fake.h"

#include <wiringSerial.h>

#include "platform/platform.h"

namespace printer_fake {

std::vector<unsigned char> Port::bytes() const {
    std::vector<unsigned char> out;
    for (const SentByte& s : sent) out.push_back(s.byte);
    return out;
}

std::string Port::text() const {
    std::string out;
    for (const SentByte& s : sent) out.push_back(static_cast<char>(s.byte));
    return out;
}

Port& port() {
    static Port instance;
    return instance;
}

void resetPort() {
    port() = Port();
}

}  // namespace printer_fake

using printer_fake::port;

extern "C" int serialOpen(const char* device, const int baud) {
    port().openedDevice = device;
    port().openedBaud = baud;
    return port().refuseOpen ? -1 : 7;
}

extern "C" void serialClose(const int) {
    port().closed = true;
}

extern "C" void serialPutchar(const int, const unsigned char c) {
    port().sent.push_back({port().now, c});
}

namespace platform {

void usleep(unsigned long micros) {
    port().waits.push_back(micros);
    port().now += micros;
}

}  // namespace platform
