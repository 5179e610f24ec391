// The display module of the terminal: a PCF8574 expander on the I2C bus whose
// port drives an HD44780 controller in 4-bit mode (P0 RS, P1 RW, P2 E,
// P3 backlight, P4-P7 D4-D7). The port is quasi-bidirectional: a bit written
// high is only pulled up weakly, so a read returns what the controller drives
// on it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wiring.h"
#include "sim/devices/hd44780.h"
#include "sim/devices/i2c_slave.h"
#include "sim/devices/trace.h"
#include "sim/pins.h"
#include "sim/snapshot.h"
#include "sim/time_source.h"

namespace sim {

class I2cDisplay : private I2cSlave::Device {
  public:
    static constexpr int kSclPin = wiring::kDisplayClockPin;
    static constexpr int kSdaPin = wiring::kDisplayDataPin;

    // `address` 0x27 or 0x3F; 0 leaves the bus without a display.
    I2cDisplay(Pins& pins, const TimeSource& time, Trace& trace, int address = 0x27,
               int scl = kSclPin, int sda = kSdaPin);

    void setAddress(int address);
    int address() const { return slave_.address(); }

    // Removes and restores power: the port goes back to all ones and the
    // controller to its 8-bit power-on state.
    void powerCycle();

    Glass glass() const;
    std::string rowText(int row) const;  // the 20 character codes of a row
    std::vector<TimingViolation> violations() const;
    void clearViolations();
    std::uint8_t port() const;  // the expander's output latch

    // Bus faults, for tests of the bus master.
    void holdClock(Micros duration) { slave_.holdClock(duration); }
    void releaseClock() { slave_.releaseClock(); }
    void holdData(int pulses = 0) { slave_.holdData(pulses); }
    void releaseData() { slave_.releaseData(); }
    Micros nextDeadline() const { return slave_.nextDeadline(); }
    void service() { slave_.service(); }

    const Hd44780& controller() const { return lcd_; }

  private:
    void written(std::uint8_t value) override;
    std::uint8_t toRead() override;
    void drivePort();

    const TimeSource& time_;
    Trace& trace_;
    mutable std::recursive_mutex mutex_;
    Hd44780 lcd_;
    std::uint8_t latch_ = 0xFF;  // the PCF8574 powers up with every port bit high
    I2cSlave slave_;
};

}  // namespace sim
