#include "sim/devices/hd44780.h"

#include <cstdio>

namespace sim {

namespace {

std::string onOff(bool on) {
    return on ? "on" : "off";
}

}  // namespace

Hd44780::Hd44780(const TimeSource& time, Trace& trace) : time_(time), trace_(trace) {
    powerOn();
}

void Hd44780::powerOn() {
    eightBit_ = true;
    highNibbleNext_ = true;
    ddram_.fill(0x20);
    ac_ = 0;
    lastDdram_ = 0;
    cgramSelected_ = false;
    increment_ = true;
    shiftOnWrite_ = false;
    displayOn_ = cursorOn_ = blinkOn_ = false;
    twoLine_ = font5x10_ = false;
    shift_ = 0;
    busyUntil_ = 0;
}

bool Hd44780::busy() const {
    return time_.now() < busyUntil_;
}

void Hd44780::setInputs(bool rs, bool rw, bool e, std::uint8_t data) {
    const bool rising = e && !e_;
    const bool falling = !e && e_;
    // RS and RW are set up before E rises and held past its fall, so the
    // levels seen while E was high are the ones that count.
    const bool heldRs = rs_, heldRw = rw_;
    const std::uint8_t heldData = data_;
    rs_ = rs;
    rw_ = rw;
    data_ = data & 0x0F;
    e_ = e;
    if (rising && rw) readEdgeRising();
    if (falling) {
        rs_ = heldRs;
        if (heldRw)
            readEdgeFalling();
        else
            latchNibble(heldData);
        rs_ = rs;
    }
}

void Hd44780::latchNibble(std::uint8_t nibble) {
    const bool nowBusy = busy();
    if (eightBit_) {
        execute(rs_, static_cast<std::uint8_t>(nibble << 4), nowBusy);
        return;
    }
    if (highNibbleNext_) {
        pendingHigh_ = static_cast<std::uint8_t>(nibble << 4);
        pendingArrivedBusy_ = nowBusy;
        highNibbleNext_ = false;
        return;
    }
    highNibbleNext_ = true;
    execute(rs_, pendingHigh_ | nibble, pendingArrivedBusy_ || nowBusy);
}

void Hd44780::readEdgeRising() {
    if (eightBit_ || highNibbleNext_) {
        if (rs_) {
            if (busy()) noteViolation("lcd data read");
            readValue_ = cgramSelected_ ? cgram_[ac_ & 0x3F] : ddram_[ac_ & 0x7F];
        } else {
            readValue_ = static_cast<std::uint8_t>((busy() ? 0x80 : 0) | (ac_ & 0x7F));
        }
        outNibble_ = readValue_ >> 4;
    } else {
        outNibble_ = readValue_ & 0x0F;
    }
}

void Hd44780::readEdgeFalling() {
    const bool byteDone = eightBit_ || !highNibbleNext_;
    if (!eightBit_) highNibbleNext_ = !highNibbleNext_;
    if (!byteDone) return;
    if (rs_) {
        trace_.countDataRead();
        trace_.log(time_.now(), "lcd read data " + hex2(readValue_));
        moveAddress(increment_);
        setBusy(kExecMicros);
    } else {
        trace_.log(time_.now(), "lcd read busy=" + std::to_string(readValue_ >> 7) +
                                    " ac=" + hex2(readValue_ & 0x7F));
    }
}

void Hd44780::execute(bool rs, std::uint8_t value, bool arrivedBusy) {
    const std::string what = describe(rs, value);
    if (arrivedBusy) {
        const Micros early = busyUntil_ > time_.now() ? busyUntil_ - time_.now() : 0;
        noteViolation(what + " " + std::to_string(early) + "us before ready");
    }
    trace_.log(time_.now(), what);
    // A write that arrives too early is still carried out: the virtual clock
    // runs the bus faster than a real Pi, so dropping it would show faults
    // that the hardware does not have. The violation list tells the story.
    if (rs) {
        trace_.countDataWrite();
        writeData(value);
    } else {
        trace_.countCommand();
        instruction(value);
    }
}

void Hd44780::instruction(std::uint8_t value) {
    if (value & 0x80) {
        ac_ = value & 0x7F;
        lastDdram_ = ac_;
        cgramSelected_ = false;
    } else if (value & 0x40) {
        ac_ = value & 0x3F;
        cgramSelected_ = true;
    } else if (value & 0x20) {
        const bool eightBit = value & 0x10;
        if (eightBit != eightBit_) highNibbleNext_ = true;
        eightBit_ = eightBit;
        twoLine_ = value & 0x08;
        font5x10_ = value & 0x04;
    } else if (value & 0x10) {
        const bool right = value & 0x04;
        if (value & 0x08)
            shiftDisplay(!right);
        else
            moveAddress(right);
    } else if (value & 0x08) {
        displayOn_ = value & 0x04;
        cursorOn_ = value & 0x02;
        blinkOn_ = value & 0x01;
    } else if (value & 0x04) {
        increment_ = value & 0x02;
        shiftOnWrite_ = value & 0x01;
    } else if (value & 0x02) {
        ac_ = lastDdram_ = 0;
        cgramSelected_ = false;
        shift_ = 0;
        setBusy(kClearHomeMicros);
        return;
    } else if (value & 0x01) {
        ddram_.fill(0x20);
        ac_ = lastDdram_ = 0;
        cgramSelected_ = false;
        shift_ = 0;
        increment_ = true;
        setBusy(kClearHomeMicros);
        return;
    }
    setBusy(kExecMicros);
}

void Hd44780::writeData(std::uint8_t value) {
    if (cgramSelected_) {
        cgram_[ac_ & 0x3F] = value & 0x1F;
        moveAddress(increment_);
    } else {
        ddram_[ac_ & 0x7F] = value;
        moveAddress(increment_);
        if (shiftOnWrite_) shiftDisplay(increment_);
    }
    setBusy(kExecMicros);
}

void Hd44780::moveAddress(bool forward) {
    if (cgramSelected_) {
        ac_ = static_cast<std::uint8_t>((ac_ + (forward ? 1 : 63)) & 0x3F);
        return;
    }
    if (!twoLine_) {
        // One line of 80 cells, 0x00-0x4F.
        ac_ = static_cast<std::uint8_t>(forward ? (ac_ >= 0x4F ? 0 : ac_ + 1)
                                                : (ac_ == 0 ? 0x4F : ac_ - 1));
    } else if (forward) {
        ac_ = ac_ == 0x27 ? 0x40 : ac_ == 0x67 ? 0x00 : static_cast<std::uint8_t>((ac_ + 1) & 0x7F);
    } else {
        ac_ = ac_ == 0x00 ? 0x67 : ac_ == 0x40 ? 0x27 : static_cast<std::uint8_t>((ac_ - 1) & 0x7F);
    }
    lastDdram_ = ac_;
}

void Hd44780::shiftDisplay(bool left) {
    const int length = lineLength();
    shift_ = (shift_ + (left ? 1 : length - 1)) % length;
}

void Hd44780::setBusy(Micros duration) {
    busyUntil_ = time_.now() + duration;
}

void Hd44780::noteViolation(const std::string& what) {
    violations_.push_back({time_.now(), what});
    trace_.countViolation();
    trace_.log(time_.now(), "lcd busy violation: " + what);
}

std::string Hd44780::describe(bool rs, std::uint8_t value) const {
    if (rs) {
        if (value >= 0x20 && value < 0x7F) return std::string("lcd data '") + char(value) + "'";
        return "lcd data " + hex2(value);
    }
    std::string text = "lcd cmd " + hex2(value) + " ";
    if (value & 0x80) return text + "set DDRAM " + hex2(value & 0x7F);
    if (value & 0x40) return text + "set CGRAM " + hex2(value & 0x3F);
    if (value & 0x20)
        return text + "function " + (value & 0x10 ? "8-bit " : "4-bit ") +
               (value & 0x08 ? "2-line " : "1-line ") + (value & 0x04 ? "5x10" : "5x8");
    if (value & 0x10)
        return text + (value & 0x08 ? "shift display " : "move cursor ") +
               (value & 0x04 ? "right" : "left");
    if (value & 0x08)
        return text + "display " + onOff(value & 0x04) + " cursor " + onOff(value & 0x02) +
               " blink " + onOff(value & 0x01);
    if (value & 0x04)
        return text + "entry " + (value & 0x02 ? "increment" : "decrement") +
               (value & 0x01 ? " shift" : "");
    if (value & 0x02) return text + "home";
    if (value & 0x01) return text + "clear";
    return text + "none";
}

// Rows 0 and 2 are the two halves of the first line, rows 1 and 3 of the
// second; a one-line set-up drives rows 0 and 2 only.
bool Hd44780::cursorOnGlass(int& row, int& col) const {
    const int address = lastDdram_;
    const int length = lineLength();
    int line = 0, offset = address;
    if (twoLine_) {
        if (address >= 0x40 && address < 0x68) {
            line = 1;
            offset = address - 0x40;
        } else if (address >= 0x28) {
            return false;
        }
    } else if (address >= 0x50) {
        return false;
    }
    const int onGlass = (offset - shift_ + length) % length;
    if (onGlass >= 2 * kCols) return false;
    row = line + (onGlass >= kCols ? 2 : 0);
    col = onGlass % kCols;
    return true;
}

void Hd44780::fillGlass(Glass& glass) const {
    const int length = lineLength();
    for (int row = 0; row < kRows; ++row) {
        const int line = row % 2;
        const int base = line ? 0x40 : 0x00;
        const int half = row >= 2 ? kCols : 0;
        for (int col = 0; col < kCols; ++col) {
            if (!twoLine_ && line == 1) {
                glass.cells[row][col] = 0x20;  // rows without a common driver stay blank
                continue;
            }
            const int offset = (half + col + shift_) % length;
            glass.cells[row][col] = ddram_[(base + offset) & 0x7F];
        }
    }
    for (int glyph = 0; glyph < 8; ++glyph)
        for (int line = 0; line < 8; ++line) glass.cgram[glyph][line] = cgram_[glyph * 8 + line];
    int row = 0, col = 0;
    if (cursorOnGlass(row, col)) {
        glass.cursorRow = row;
        glass.cursorCol = col;
    } else {
        glass.cursorRow = glass.cursorCol = -1;
    }
    glass.display = displayOn_;
    glass.cursor = cursorOn_;
    glass.blink = blinkOn_;
}

}  // namespace sim
