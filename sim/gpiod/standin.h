// A stand-in for Debian's libgpiod 1.6 (libgpiod.so.2) whose one GPIO chip is
// the virtual board's 40-pin header: the Raspberry Pi program, built against
// libgpiod, runs unchanged on the board. Lines are the board's pins by
// Broadcom number and report the pins' level changes as edge events; the
// board runs in real time, set up from the runner's environment like the
// virtual board's own program (sim/board.h env::...), and the printer port's
// far end named there feeds its printer.
#pragma once

namespace sim {
class Board;
}

namespace sim::gpiod_standin {

// The chip's label unless env::kGpioChip names another: a Raspberry Pi 4's.
constexpr const char* kDefaultChipLabel = "pinctrl-bcm2711";
constexpr unsigned int kLines = 58;

// The board behind the chip, made on first use (tests and benchmarks).
Board& board();
// How often a line was requested since the process started.
int requestCount(unsigned int gpio);

}  // namespace sim::gpiod_standin
