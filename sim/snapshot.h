// What the board shows the outside world after a run: the glass, the paper
// and the shell commands. The runner and the front panels read only this.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/time_source.h"

namespace sim {

struct Glass {
    std::array<std::array<std::uint8_t, 20>, 4> cells{};  // character codes as the controller shows them
    std::array<std::array<std::uint8_t, 8>, 8> cgram{};   // the eight custom glyphs, 5 low bits a row
    int cursorRow = 0, cursorCol = 0;                      // from the address counter
    bool display = false, cursor = false, blink = false, backlight = false;
    bool present = true;  // false when no display answers on the bus
};

enum class Justify { Left, Center, Right };

struct PaperLine {
    std::string text;  // bytes as printed
    Justify justify = Justify::Left;
    bool bold = false, doubleHeight = false, doubleWidth = false;
    bool inverse = false, underline = false, fontB = false, upsideDown = false, strike = false;
};

struct ShellRecord {
    Micros at = 0;  // virtual time
    std::string command;
};

struct Snapshot {
    Micros now = 0;
    Glass glass;
    std::vector<PaperLine> paper;       // lines completed since the previous snapshot
    std::vector<ShellRecord> shell;     // commands run since the previous snapshot
    std::vector<std::string> requests;  // unused by the board; servers may fill it
    bool exited = false;                // main returned or the process ended
    int exitCode = 0;
};

}  // namespace sim
