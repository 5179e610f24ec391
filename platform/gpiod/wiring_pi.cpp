// wiringPi on the kernel's GPIO character device: wiringPi's pin numbers,
// pull-ups, interrupt threads, delays and clocks, and PWM through sysfs.
#include <pthread.h>
#include <wiringPi.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/gpiod/fatal.h"
#include "platform/gpiod/gpio_lines.h"
#include "platform/gpiod/sysfs_pwm.h"

namespace {

using platform::gpiod::Edge;
using platform::gpiod::GpioLines;
using platform::gpiod::SysfsPwm;

// Below this a delay spins, as wiringPi's does: a sleep would last far longer.
constexpr unsigned int kSpinBelowMicros = 100;
constexpr const char* kPwmChip = "/sys/class/pwm/pwmchip0";

// Both live as long as the process: interrupt threads wait on the lines until
// it ends, after the globals' destructors.
GpioLines& lines() {
    static GpioLines* header = new GpioLines;
    return *header;
}

SysfsPwm& pwm() {
    static SysfsPwm* chip = new SysfsPwm(kPwmChip);
    return *chip;
}

std::atomic<void (*)()> gHandlers[GpioLines::kLines];

std::uint64_t monotonicMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

// millis() and micros() count from wiringPiSetup (or their first call).
std::atomic<std::uint64_t> gEpochMicros{0};

std::uint64_t sinceSetup() {
    std::uint64_t epoch = gEpochMicros.load();
    if (epoch == 0) {
        const std::uint64_t now = monotonicMicros();
        gEpochMicros.compare_exchange_strong(epoch, now);
        epoch = gEpochMicros.load();
    }
    return monotonicMicros() - epoch;
}

void sleepMicros(std::uint64_t micros) {
    timespec wait{static_cast<time_t>(micros / 1000000),
                  static_cast<long>(micros % 1000000) * 1000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

Edge edgeOf(int mode) {
    switch (mode) {
        case INT_EDGE_FALLING:
            return Edge::Falling;
        case INT_EDGE_RISING:
            return Edge::Rising;
        default:
            return Edge::Both;
    }
}

// One thread per watched pin, as wiringPi runs them: it waits for an edge and
// calls the pin's handler; edges during the handler make one more call.
void* watchPin(void* gpioArgument) {
    const int gpio = static_cast<int>(reinterpret_cast<std::intptr_t>(gpioArgument));
    for (;;) {
        lines().waitEdges(gpio);
        if (void (*handler)() = gHandlers[gpio].load()) handler();
    }
    return nullptr;
}

int pwmChannelOfPin(int pin) {
    return platform::gpiod::pwmChannelOf(lines().chipLabel(), wpiPinToGpio(pin));
}

}  // namespace

extern "C" {

int wiringPiSetup(void) {
    sinceSetup();
    lines().open();
    return 0;
}

void pinMode(int pin, int mode) {
    const int gpio = wpiPinToGpio(pin);
    switch (mode) {
        case INPUT:
            lines().setInput(gpio);
            break;
        case OUTPUT:
            lines().setOutput(gpio);
            break;
        case PWM_OUTPUT:
            pwm().start(pwmChannelOfPin(pin), gpio);
            break;
        default:
            break;  // clock and soft PWM/tone modes: not on this board
    }
}

void pullUpDnControl(int pin, int pud) {
    lines().setPull(wpiPinToGpio(pin), pud);
}

int digitalRead(int pin) {
    return lines().read(wpiPinToGpio(pin));
}

void digitalWrite(int pin, int value) {
    lines().write(wpiPinToGpio(pin), value);
}

void pwmWrite(int pin, int value) {
    pwm().write(pwmChannelOfPin(pin), value);
}

void pwmSetRange(unsigned int range) {
    pwm().setRange(range);
}

void pwmSetClock(int divisor) {
    pwm().setClock(divisor);
}

int wiringPiISR(int pin, int mode, void (*function)(void)) {
    const int gpio = wpiPinToGpio(pin);
    if (gpio < 0 || gpio >= GpioLines::kLines || !function) return -1;
    gHandlers[gpio] = function;
    if (!lines().watchEdges(gpio, edgeOf(mode))) return 0;  // its thread runs already
    pthread_t thread;
    const int error = pthread_create(&thread, nullptr, watchPin,
                                     reinterpret_cast<void*>(static_cast<std::intptr_t>(gpio)));
    if (error != 0)
        platform::gpiod::fatal("cannot start the thread of GPIO " + std::to_string(gpio) + ": " +
                               std::strerror(error));
    pthread_detach(thread);
    return 0;
}

int piThreadCreate(void* (*fn)(void*)) {
    pthread_t thread;
    const int error = pthread_create(&thread, nullptr, fn, nullptr);
    if (error == 0) pthread_detach(thread);
    return error;
}

void delay(unsigned int howLong) {
    sleepMicros(std::uint64_t(howLong) * 1000);
}

void delayMicroseconds(unsigned int howLong) {
    if (howLong == 0) return;
    if (howLong >= kSpinBelowMicros) {
        sleepMicros(howLong);
        return;
    }
    const std::uint64_t until = monotonicMicros() + howLong;
    while (monotonicMicros() < until) {
    }
}

// wiringPi's clocks are 32 bits wide and wrap: millis after some 49 days,
// micros after some 71 minutes.
unsigned int millis(void) {
    return static_cast<unsigned int>(sinceSetup() / 1000);
}

unsigned int micros(void) {
    return static_cast<unsigned int>(sinceSetup());
}

}  // extern "C"
