// Test-side helpers for the device models: a hand-moved clock and a
// bit-banged I2C master that behaves like the terminal's (open drain, 5 us
// after every line change, both lines resting low between bits).
#pragma once

#include <wiringPi.h>

#include <cstdint>
#include <functional>

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
    static constexpr int kHighWaitPolls = 50;

    BusMaster(sim::Pins& pins, ManualClock& clock, int scl = 9, int sda = 8)
        : pins_(pins), clock_(clock), scl_(scl), sda_(sda) {}

    // Called on every pause of a held-line wait, so a test can let a model's
    // timed fault run out.
    std::function<void()> onWait;
    int warnings = 0;  // held-line waits that gave up

    void init() {
        pins_.setMode(scl_, INPUT);
        pins_.setMode(sda_, INPUT);
        pins_.setPull(scl_, PUD_UP);
        pins_.setPull(sda_, PUD_UP);
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

    void releaseWait(int pin) {
        for (int polls = 0; !release(pin); ++polls) {
            if (polls + 1 >= kHighWaitPolls) {
                ++warnings;
                return;
            }
            clock_.advance(100000);
            if (onWait) onWait();
        }
        clock_.advance(5);
    }

    void start() {
        release(sda_);
        releaseWait(scl_);
        pull(sda_);
        pull(scl_);
    }

    void stop() {
        releaseWait(scl_);
        release(sda_);
    }

    void sendBit(int bit) {
        if (bit)
            release(sda_);
        else
            pull(sda_);
        releaseWait(scl_);
        pull(scl_);
        pull(sda_);
    }

    int readBit() {
        release(sda_);
        releaseWait(scl_);
        const int bit = pins_.read(sda_);
        pull(scl_);
        pull(sda_);
        return bit;
    }

    // 0 when acknowledged.
    int sendByte(std::uint8_t byte) {
        for (int i = 0; i < 8; ++i, byte <<= 1) sendBit(byte & 0x80);
        return readBit();
    }

    std::uint8_t readByte() {
        int value = 0;
        for (int i = 0; i < 8; ++i) value = (value << 1) | readBit();
        return static_cast<std::uint8_t>(value);
    }

    // One clock pulse without waiting for a stretched clock, as a bus reset gives.
    void pulse() {
        pull(scl_);
        release(scl_);
    }

    int scl() const { return scl_; }
    int sda() const { return sda_; }

  private:
    sim::Pins& pins_;
    ManualClock& clock_;
    int scl_, sda_;
};

// The display module as the terminal's driver talks to it, byte by byte.
class LcdMaster {
  public:
    static constexpr std::uint8_t kBacklight = 0x08;

    LcdMaster(BusMaster& bus, ManualClock& clock, int address = 0x27)
        : bus_(bus), clock_(clock), address_(address) {}

    // Writes one byte to the port; false when a byte was not acknowledged.
    bool portWrite(std::uint8_t value) {
        bus_.start();
        const bool ok = bus_.sendByte(address_ << 1) == 0 && bus_.sendByte(value) == 0;
        bus_.stop();
        return ok;
    }

    // A nibble strobed in with E high then low, as the driver's put does.
    bool put(std::uint8_t value) {
        bus_.start();
        bool ok = bus_.sendByte(address_ << 1) == 0;
        ok = ok && bus_.sendByte(value | 0x04) == 0;
        ok = ok && bus_.sendByte(value) == 0;
        bus_.stop();
        return ok;
    }

    std::uint8_t portRead() {
        bus_.start();
        bus_.sendByte((address_ << 1) | 1);
        const std::uint8_t value = bus_.readByte();
        bus_.sendBit(1);
        bus_.stop();
        return value;
    }

    void raw(int rs, std::uint8_t value) {
        put(static_cast<std::uint8_t>((value & 0xF0) | rs | kBacklight));
        put(static_cast<std::uint8_t>(((value & 0x0F) << 4) | rs | kBacklight));
    }
    void command(std::uint8_t value) { raw(0, value); }
    void data(std::uint8_t value) { raw(1, value); }
    void text(const char* chars) {
        while (*chars) data(static_cast<std::uint8_t>(*chars++));
    }

    int readNibble(int rs) {
        const std::uint8_t b = static_cast<std::uint8_t>(rs | 0xF2 | kBacklight);
        portWrite(b);
        portWrite(b | 0x04);
        const std::uint8_t value = portRead();
        portWrite(b & ~0x04);
        portWrite(b & ~0x02);
        return value >> 4;
    }
    int read(int rs) {
        const int high = readNibble(rs);
        return high * 16 + readNibble(rs);
    }

    void reset() {
        clock_.advance(45000);
        put(0x30);
        clock_.advance(5000);
        put(0x30);
        clock_.advance(1000);
        put(0x30);
        put(0x20);
    }

    void init() {
        reset();
        for (std::uint8_t cmd : {0x28, 0x10, 0x0C, 0x04}) command(cmd);
        command(0x01);
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
