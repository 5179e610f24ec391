// Test support for the display and keypad drivers: a fresh virtual board
// per test, the program's keypad re-attached to it, and views of the glass.
#pragma once

#include <wiringPi.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/wiring.h"
#include "sim/board.h"
#include "sim/devices/i2c_display.h"
#include "sim/devices/keypad.h"
#include "sim/devices/trace.h"

namespace drivers_test {

constexpr int kScl = wiring::kDisplayClockPin;
constexpr int kSda = wiring::kDisplayDataPin;

// Registers the program's eighteen buttons again, with the current board,
// and clears every event and the power prompt.
void attachKeypad();

sim::Board& freshBoard(int lcdAddr = 0x27);
sim::Board& board();
sim::I2cDisplay& display();
std::string glassRow(int row);
std::string shellCommands();  // every command run, one per line

// Virtual microseconds since the board started.
inline sim::Micros now() {
    return board().clock().now();
}
// Lets the board run (handlers included) for this long.
inline void waitMillis(unsigned int ms) {
    delay(ms);
}

// Every test ends with a quiet bus: no line driven against a device and no
// write reaching the controller while it was still busy.
class BoardTest : public ::testing::Test {
  protected:
    void SetUp() override { freshBoard(); }
    void TearDown() override;
};

}  // namespace drivers_test
