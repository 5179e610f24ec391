#include "drivers/soft_i2c.h"

#include <wiringPi.h>

#include <cstdio>

namespace {

constexpr unsigned int kLinePauseMicros = 5;
constexpr int kHeldLineReadings = 50;
constexpr unsigned int kHeldLinePollMillis = 100;
constexpr int kResetPulsesPerBurst = 10;
constexpr int kResetBursts = 100;
constexpr unsigned int kResetBurstPauseMillis = 10;
// A stop that finds SDA low resets, and a reset ends with a stop: a line that
// keeps toggling must not make them call each other without end.
constexpr int kMaxRecoveryDepth = 2;

void stopWithin(i2c_t bus, int depth);

void resetWithin(i2c_t bus, int depth) {
    _i2c_release(bus.sda);
    for (int burst = 1;; ++burst) {
        for (int pulse = 0; pulse < kResetPulsesPerBurst; ++pulse) {
            _i2c_pull(bus.scl);
            _i2c_release(bus.scl);
        }
        if (burst == kResetBursts) {
            std::fprintf(stderr,
                         "Warning: I2C Bus busy or defective. SDA doesn't go UP after reset.\n");
            return;
        }
        delay(kResetBurstPauseMillis);
        if (digitalRead(bus.sda) != 0) break;
    }
    _i2c_pull(bus.scl);
    _i2c_pull(bus.sda);
    stopWithin(bus, depth + 1);
}

void stopWithin(i2c_t bus, int depth) {
    _i2c_release_wait(bus.scl);
    if (_i2c_release(bus.sda) == 0 && depth < kMaxRecoveryDepth) resetWithin(bus, depth);
}

}  // namespace

void _i2c_pull(int pin) {
    pinMode(pin, OUTPUT);
    digitalWrite(pin, 0);
    delayMicroseconds(kLinePauseMicros);
}

int _i2c_release(int pin) {
    pinMode(pin, INPUT);
    delayMicroseconds(kLinePauseMicros);
    return digitalRead(pin);
}

void _i2c_release_wait(int pin) {
    pinMode(pin, INPUT);
    delayMicroseconds(kLinePauseMicros);
    for (int lowReadings = 1;; ++lowReadings) {
        if (digitalRead(pin) != 0) {
            delayMicroseconds(kLinePauseMicros);
            return;
        }
        if (lowReadings == kHeldLineReadings) {
            std::fprintf(stderr, "Warning: I2C Bus busy or defective. Pin %d is LOW for 5s.\n",
                         pin);
            return;
        }
        delay(kHeldLinePollMillis);
        pinMode(pin, INPUT);
    }
}

i2c_t i2c_init(int scl, int sda) {
    i2c_t bus{scl, sda};
    pinMode(scl, INPUT);
    pinMode(sda, INPUT);
    pullUpDnControl(scl, PUD_UP);
    pullUpDnControl(sda, PUD_UP);
    i2c_reset(bus);
    return bus;
}

i2c_t i2c_alt0(int scl, int sda) {
    constexpr int kAlternateFunction0 = 4;
    pinMode(scl, kAlternateFunction0);
    pinMode(sda, kAlternateFunction0);
    return i2c_t{scl, sda};
}

void i2c_start(i2c_t bus) {
    if (_i2c_release(bus.sda) == 0) i2c_reset(bus);
    _i2c_release_wait(bus.scl);
    _i2c_pull(bus.sda);
    _i2c_pull(bus.scl);
}

void i2c_stop(i2c_t bus) {
    stopWithin(bus, 0);
}

void i2c_reset(i2c_t bus) {
    resetWithin(bus, 0);
}

void i2c_send_bit(i2c_t bus, int bit) {
    if (bit != 0)
        _i2c_release(bus.sda);
    else
        _i2c_pull(bus.sda);
    _i2c_release_wait(bus.scl);
    _i2c_pull(bus.scl);
    _i2c_pull(bus.sda);
}

int i2c_read_bit(i2c_t bus) {
    _i2c_release(bus.sda);
    _i2c_release_wait(bus.scl);
    const int bit = digitalRead(bus.sda) != 0 ? 1 : 0;
    _i2c_pull(bus.scl);
    _i2c_pull(bus.sda);
    return bit;
}

int i2c_send_byte(i2c_t bus, unsigned char byte) {
    for (int i = 0; i < 8; ++i) {
        i2c_send_bit(bus, byte & 0x80);
        byte = static_cast<unsigned char>(byte << 1);
    }
    return i2c_read_bit(bus);
}

unsigned char i2c_read_byte(i2c_t bus) {
    unsigned int value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 1) | static_cast<unsigned int>(i2c_read_bit(bus));
    return static_cast<unsigned char>(value & 0xFF);
}
