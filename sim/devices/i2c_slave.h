// The slave side of an I2C bus on two open-drain lines of sim::Pins. It
// samples data on rising clock edges, sees start and stop conditions as data
// edges while the clock is high, acknowledges its address by pulling data low
// during the ninth clock, and changes data only while the clock is low.
// The device behind it (the expander) answers through the Device interface.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "sim/devices/trace.h"
#include "sim/pins.h"
#include "sim/time_source.h"

namespace sim {

class I2cSlave {
  public:
    class Device {
      public:
        virtual ~Device() = default;
        virtual void written(std::uint8_t value) = 0;  // a data byte the master wrote
        virtual std::uint8_t toRead() = 0;             // the next byte the master reads
    };

    I2cSlave(Pins& pins, int scl, int sda, int address, Device& device, const TimeSource& time,
             Trace& trace, const std::string& name);
    ~I2cSlave();
    I2cSlave(const I2cSlave&) = delete;
    I2cSlave& operator=(const I2cSlave&) = delete;

    // 7-bit address; 0 means nothing answers on the bus.
    void setAddress(int address);
    int address() const;

    // Faults for testing the bus master. A stretched clock is released by
    // service() once its time is up, or by releaseClock().
    void holdClock(Micros duration);
    void releaseClock();
    // Holds data low until releaseData(), or, with pulses > 0, until that many
    // clock pulses have gone by (released while the clock is low).
    void holdData(int pulses = 0);
    void releaseData();

    // The next time at which service() has work (0 when none), and that work.
    Micros nextDeadline() const;
    void service();

    bool acknowledging() const;  // pulling data low for an acknowledge right now

  private:
    enum class Phase { Idle, Address, Write, AckSlot, Read, MasterAck, Ignore };

    void onLevel(int pin, int level);
    void onStart();
    void onStop();
    void onClockRise();
    void onClockFall();
    void receiveBit();
    void finishReceivedByte();
    void afterAckSlot();
    void driveReadBit();
    void pullData(bool low);
    void expireClockHold();

    Pins& pins_;
    const int scl_, sda_;
    Device& device_;
    const TimeSource& time_;
    Trace& trace_;
    const std::string name_;
    int party_;
    int faultParty_;
    int listener_ = 0;
    int address_;

    mutable std::recursive_mutex mutex_;
    Phase phase_ = Phase::Idle;
    bool inTransaction_ = false;
    int bits_ = 0;
    std::uint8_t shift_ = 0;
    bool addressByte_ = false;
    bool matched_ = false;
    bool reading_ = false;
    bool ackPulled_ = false;
    bool masterAcked_ = false;
    std::uint8_t readByte_ = 0;

    Micros clockHeldUntil_ = 0;  // 0: not held
    bool dataHeld_ = false;
    int dataPulsesLeft_ = 0;
};

}  // namespace sim
