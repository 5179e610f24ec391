#include "sim/devices/i2c_slave.h"

namespace sim {

I2cSlave::I2cSlave(Pins& pins, int scl, int sda, int address, Device& device,
                   const TimeSource& time, Trace& trace, const std::string& name)
    : pins_(pins),
      scl_(scl),
      sda_(sda),
      device_(device),
      time_(time),
      trace_(trace),
      name_(name),
      party_(pins.addParty(name)),
      faultParty_(pins.addParty(name + "-fault")),
      address_(address) {
    listener_ = pins_.addListener([this](int pin, int level) { onLevel(pin, level); });
}

I2cSlave::~I2cSlave() {
    pins_.removeListener(listener_);
    pins_.pullLow(party_, sda_, false);
    pins_.pullLow(faultParty_, sda_, false);
    pins_.pullLow(faultParty_, scl_, false);
}

void I2cSlave::setAddress(int address) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    address_ = address & 0x7F;
}

int I2cSlave::address() const {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return address_;
}

bool I2cSlave::acknowledging() const {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return ackPulled_;
}

void I2cSlave::onLevel(int pin, int level) {
    if (pin != scl_ && pin != sda_) return;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    // A stretch whose time is up ends before anything that happens after it.
    if (clockHeldUntil_ && time_.now() >= clockHeldUntil_) releaseClock();
    if (pin == sda_) {
        // Data moving while the clock is high is a bus condition, not data.
        if (pins_.level(scl_) == 0) return;
        if (level == 0)
            onStart();
        else
            onStop();
        return;
    }
    if (level == 0 && dataHeld_ && dataPulsesLeft_ > 0 && --dataPulsesLeft_ == 0) releaseData();
    if (level)
        onClockRise();
    else
        onClockFall();
}

void I2cSlave::onStart() {
    trace_.countTransaction();
    trace_.log(time_.now(), inTransaction_ ? "i2c repeated start" : "i2c start");
    inTransaction_ = true;
    phase_ = Phase::Address;
    addressByte_ = true;
    matched_ = false;
    bits_ = 0;
    shift_ = 0;
    pullData(false);
}

void I2cSlave::onStop() {
    trace_.log(time_.now(), "i2c stop");
    inTransaction_ = false;
    phase_ = Phase::Idle;
    pullData(false);
}

void I2cSlave::onClockRise() {
    switch (phase_) {
        case Phase::Address:
        case Phase::Write:
            if (bits_ < 8) receiveBit();
            break;
        case Phase::AckSlot:
            bits_ = 9;
            finishReceivedByte();
            break;
        case Phase::MasterAck:
            masterAcked_ = pins_.level(sda_) == 0;
            trace_.countByte();
            trace_.log(time_.now(),
                       "i2c read " + hex2(readByte_) + (masterAcked_ ? " ACK" : " NACK (master)"));
            break;
        default:
            break;
    }
}

void I2cSlave::onClockFall() {
    switch (phase_) {
        case Phase::Address:
        case Phase::Write:
            if (bits_ < 8) break;
            if (matched_) {
                phase_ = Phase::AckSlot;
                pullData(true);
            } else {
                phase_ = Phase::Ignore;
            }
            break;
        case Phase::AckSlot:
            if (bits_ == 9) afterAckSlot();
            break;
        case Phase::Read:
            if (++bits_ < 8) {
                driveReadBit();
            } else {
                pullData(false);
                phase_ = Phase::MasterAck;
            }
            break;
        case Phase::MasterAck:
            if (masterAcked_) {
                readByte_ = device_.toRead();
                bits_ = 0;
                phase_ = Phase::Read;
                driveReadBit();
            } else {
                phase_ = Phase::Ignore;
            }
            break;
        default:
            break;
    }
}

void I2cSlave::receiveBit() {
    shift_ = static_cast<std::uint8_t>((shift_ << 1) | (pins_.level(sda_) ? 1 : 0));
    if (++bits_ < 8 || !addressByte_) return;
    reading_ = shift_ & 1;
    matched_ = address_ != 0 && (shift_ >> 1) == address_;
    if (!matched_) {
        trace_.countNack();
        trace_.log(time_.now(),
                   "i2c addr " + hex2(shift_ >> 1) + (reading_ ? " R" : " W") + " NACK");
    }
}

void I2cSlave::finishReceivedByte() {
    if (addressByte_) {
        trace_.log(time_.now(),
                   "i2c addr " + hex2(shift_ >> 1) + (reading_ ? " R" : " W") + " ACK");
        return;
    }
    trace_.countByte();
    trace_.log(time_.now(), "i2c write " + hex2(shift_) + " ACK");
    device_.written(shift_);
}

void I2cSlave::afterAckSlot() {
    pullData(false);
    bits_ = 0;
    if (addressByte_ && reading_) {
        addressByte_ = false;
        phase_ = Phase::Read;
        readByte_ = device_.toRead();
        driveReadBit();
        return;
    }
    addressByte_ = false;
    shift_ = 0;
    phase_ = Phase::Write;
}

void I2cSlave::driveReadBit() {
    pullData(((readByte_ >> (7 - bits_)) & 1) == 0);
}

void I2cSlave::pullData(bool low) {
    if (ackPulled_ == low) return;
    ackPulled_ = low;
    pins_.pullLow(party_, sda_, low);
}

void I2cSlave::holdClock(Micros duration) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    clockHeldUntil_ = time_.now() + (duration ? duration : 1);
    trace_.log(time_.now(), name_ + " holds SCL for " + std::to_string(duration) + "us");
    pins_.pullLow(faultParty_, scl_, true);
}

void I2cSlave::releaseClock() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    if (!clockHeldUntil_) return;
    clockHeldUntil_ = 0;
    trace_.log(time_.now(), name_ + " releases SCL");
    pins_.pullLow(faultParty_, scl_, false);
}

void I2cSlave::holdData(int pulses) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    dataHeld_ = true;
    dataPulsesLeft_ = pulses > 0 ? pulses : 0;
    trace_.log(time_.now(), name_ + " holds SDA");
    pins_.pullLow(faultParty_, sda_, true);
}

void I2cSlave::releaseData() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    if (!dataHeld_) return;
    dataHeld_ = false;
    dataPulsesLeft_ = 0;
    trace_.log(time_.now(), name_ + " releases SDA");
    pins_.pullLow(faultParty_, sda_, false);
}

Micros I2cSlave::nextDeadline() const {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return clockHeldUntil_;
}

void I2cSlave::service() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    if (clockHeldUntil_ && time_.now() >= clockHeldUntil_) releaseClock();
}

}  // namespace sim
