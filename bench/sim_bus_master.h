// A hand-moved clock and a bit-banged I2C master that behaves like the
// terminal's (open drain, 5 us after every line change, both lines resting
// low between bits), for driving the display model without the program.
#pragma once

#include <wiringPi.h>

#include <cstdint>

#include "sim/pins.h"
#include "sim/time_source.h"

namespace simtest {

class ManualClock : public sim::TimeSource {
  public:
    sim::Micros now() const override { return now_; }
    void advance(sim::Micros micros) { now_ += micros; }

  private:
    sim::Micros now_ = 0;
};

class BusMaster {
  public:
    BusMaster(sim::Pins& pins, ManualClock& clock, int scl = 9, int sda = 8)
        : pins_(pins), clock_(clock), scl_(scl), sda_(sda) {}

    void init() {
        for (int pin : {scl_, sda_}) {
            pins_.setMode(pin, INPUT);
            pins_.setPull(pin, PUD_UP);
        }
    }

    void pull(int pin) {
        pins_.setMode(pin, OUTPUT);
        pins_.write(pin, 0);
        clock_.advance(5);
    }

    int release(int pin) {
        pins_.setMode(pin, INPUT);
        clock_.advance(5);
        return pins_.read(pin);
    }

    void start() {
        release(sda_);
        release(scl_);
        pull(sda_);
        pull(scl_);
    }

    void stop() {
        release(scl_);
        release(sda_);
    }

    void sendBit(int bit) {
        if (bit)
            release(sda_);
        else
            pull(sda_);
        release(scl_);
        pull(scl_);
        pull(sda_);
    }

    // 0 when acknowledged.
    int sendByte(std::uint8_t byte) {
        for (int i = 0; i < 8; ++i, byte <<= 1) sendBit(byte & 0x80);
        release(sda_);
        release(scl_);
        const int ack = pins_.read(sda_);
        pull(scl_);
        pull(sda_);
        return ack;
    }

  private:
    sim::Pins& pins_;
    ManualClock& clock_;
    int scl_, sda_;
};

// The display module as the terminal's driver talks to it, nibble by nibble.
class LcdMaster {
  public:
    static constexpr std::uint8_t kBacklight = 0x08;

    LcdMaster(BusMaster& bus, ManualClock& clock, int address = 0x27)
        : bus_(bus), clock_(clock), address_(address) {}

    // A nibble strobed in with E high then low, as the driver's put does.
    void put(std::uint8_t value) {
        bus_.start();
        if (bus_.sendByte(address_ << 1) == 0 && bus_.sendByte(value | 0x04) == 0)
            bus_.sendByte(value);
        bus_.stop();
    }

    void raw(int rs, std::uint8_t value) {
        put(static_cast<std::uint8_t>((value & 0xF0) | rs | kBacklight));
        put(static_cast<std::uint8_t>(((value & 0x0F) << 4) | rs | kBacklight));
    }
    void command(std::uint8_t value) { raw(0, value); }
    void data(std::uint8_t value) { raw(1, value); }

    void init() {
        for (sim::Micros pause : {45000, 5000, 1000}) {
            clock_.advance(pause);
            put(0x30);
        }
        put(0x20);
        for (std::uint8_t cmd : {0x28, 0x10, 0x0C, 0x04, 0x01}) command(cmd);
        clock_.advance(2000);
        command(0x02);
        clock_.advance(2000);
    }

  private:
    BusMaster& bus_;
    ManualClock& clock_;
    int address_;
};

}  // namespace simtest
