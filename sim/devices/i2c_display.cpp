#include "sim/devices/i2c_display.h"

#include <cstdio>

namespace sim {

namespace {

constexpr std::uint8_t kRs = 0x01, kRw = 0x02, kE = 0x04, kBacklight = 0x08;

std::string describePort(std::uint8_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "pcf8574 port 0x%02x RS=%d RW=%d E=%d BL=%d D=0x%x", value,
                  value & kRs ? 1 : 0, value & kRw ? 1 : 0, value & kE ? 1 : 0,
                  value & kBacklight ? 1 : 0, value >> 4);
    return text;
}

}  // namespace

I2cDisplay::I2cDisplay(Pins& pins, const TimeSource& time, Trace& trace, int address, int scl,
                       int sda)
    : time_(time),
      trace_(trace),
      lcd_(time, trace),
      slave_(pins, scl, sda, address, *this, time, trace, "lcd") {
    drivePort();
}

void I2cDisplay::setAddress(int address) {
    slave_.setAddress(address);
}

void I2cDisplay::powerCycle() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    lcd_.powerOn();
    latch_ = 0xFF;
    drivePort();
}

void I2cDisplay::written(std::uint8_t value) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    latch_ = value;
    trace_.countPortWrite();
    trace_.log(time_.now(), describePort(value));
    drivePort();
}

void I2cDisplay::drivePort() {
    lcd_.setInputs(latch_ & kRs, latch_ & kRw, latch_ & kE, latch_ >> 4);
}

std::uint8_t I2cDisplay::toRead() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    // Bits written low are held low by the expander; bits written high read
    // whatever the controller puts on them.
    std::uint8_t lines = 0xFF;
    if (lcd_.driving()) lines = static_cast<std::uint8_t>(0x0F | (lcd_.dataOut() << 4));
    const std::uint8_t value = latch_ & lines;
    trace_.countPortRead();
    trace_.log(time_.now(), describePort(value).replace(0, 12, "pcf8574 read"));
    return value;
}

std::uint8_t I2cDisplay::port() const {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return latch_;
}

Glass I2cDisplay::glass() const {
    // The slave calls into us with its own lock held: ask it before taking ours,
    // or a snapshot in real time deadlocks against a bus write.
    const bool present = slave_.address() != 0;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Glass glass;
    lcd_.fillGlass(glass);
    glass.backlight = latch_ & kBacklight;
    glass.present = present;
    return glass;
}

std::string I2cDisplay::rowText(int row) const {
    if (row < 0 || row >= Hd44780::kRows) return std::string();
    const Glass shown = glass();
    return std::string(shown.cells[row].begin(), shown.cells[row].end());
}

std::vector<TimingViolation> I2cDisplay::violations() const {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return lcd_.violations();
}

void I2cDisplay::clearViolations() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    lcd_.clearViolations();
}

}  // namespace sim
