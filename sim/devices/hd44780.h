// The HD44780 character controller as the expander's port sees it: RS, RW, E
// and the upper data lines D4-D7 (D0-D3 are not wired and read as 0). It
// latches on the falling edge of E, starts in 8-bit mode after power-on and
// keeps the execution time of each instruction on the time source, so that a
// write arriving while it is still busy can be recorded.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/devices/trace.h"
#include "sim/snapshot.h"
#include "sim/time_source.h"

namespace sim {

struct TimingViolation {
    Micros at = 0;
    std::string what;  // e.g. "lcd data 'A' 12us before ready"
};

class Hd44780 {
  public:
    static constexpr Micros kExecMicros = 37;
    static constexpr Micros kClearHomeMicros = 1520;
    static constexpr int kRows = 4;
    static constexpr int kCols = 20;

    Hd44780(const TimeSource& time, Trace& trace);

    // Back to the power-on state: 8-bit, one line, display off, cleared.
    void powerOn();

    // New levels on the controller's inputs; `data` is D4-D7 in its low 4 bits.
    void setInputs(bool rs, bool rw, bool e, std::uint8_t data);

    // The controller drives D4-D7 while RW and E are high.
    bool driving() const { return rw_ && e_; }
    std::uint8_t dataOut() const { return outNibble_; }  // D4-D7 in the low 4 bits

    bool busy() const;
    std::uint8_t addressCounter() const { return ac_; }
    bool fourBit() const { return !eightBit_; }
    bool twoLine() const { return twoLine_; }
    bool incrementing() const { return increment_; }

    // The glass as a person sees it (backlight and presence belong to the board).
    void fillGlass(Glass& glass) const;
    std::uint8_t ddram(std::uint8_t address) const { return ddram_[address & 0x7F]; }

    std::vector<TimingViolation> violations() const { return violations_; }
    void clearViolations() { violations_.clear(); }

  private:
    void latchNibble(std::uint8_t nibble);
    void readEdgeRising();
    void readEdgeFalling();
    void execute(bool rs, std::uint8_t value, bool arrivedBusy);
    void instruction(std::uint8_t value);
    void writeData(std::uint8_t value);
    std::uint8_t readData();
    void moveAddress(bool forward);
    void shiftDisplay(bool left);
    void setBusy(Micros duration);
    void noteViolation(const std::string& what);
    std::string describe(bool rs, std::uint8_t value) const;
    int lineLength() const { return twoLine_ ? 40 : 80; }
    bool cursorOnGlass(int& row, int& col) const;

    const TimeSource& time_;
    Trace& trace_;

    // Input levels as last seen.
    bool rs_ = false, rw_ = false, e_ = false;
    std::uint8_t data_ = 0;

    bool eightBit_ = true;
    bool highNibbleNext_ = true;
    std::uint8_t pendingHigh_ = 0;
    bool pendingArrivedBusy_ = false;
    std::uint8_t readValue_ = 0;
    std::uint8_t outNibble_ = 0;

    std::array<std::uint8_t, 128> ddram_{};
    std::array<std::uint8_t, 64> cgram_{};
    std::uint8_t ac_ = 0;
    std::uint8_t lastDdram_ = 0;  // where the cursor shows while AC points into CGRAM
    bool cgramSelected_ = false;
    bool increment_ = true, shiftOnWrite_ = false;
    bool displayOn_ = false, cursorOn_ = false, blinkOn_ = false;
    bool twoLine_ = false, font5x10_ = false;
    int shift_ = 0;  // display shift, positions to the left
    Micros busyUntil_ = 0;
    std::vector<TimingViolation> violations_;
};

}  // namespace sim
