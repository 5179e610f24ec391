// wiringPi on the virtual board.
#include <wiringPi.h>
#include <wiringSerial.h>

#include "sim/board.h"

namespace {

sim::Board& board() {
    return sim::Board::instance();
}

// millis/micros count from the start of this run, wrapping as on the Pi.
sim::Micros sinceStart() {
    sim::VirtualClock& clock = board().clock();
    return clock.now() - clock.start();
}

}  // namespace

extern "C" {

int wiringPiSetup(void) {
    board().clock().current();  // the calling thread is the program's main thread
    return 0;
}

void pinMode(int pin, int mode) {
    board().pins().setMode(pin, mode);
}

void pullUpDnControl(int pin, int pud) {
    board().pins().setPull(pin, pud);
}

int digitalRead(int pin) {
    board().serviceDevices();
    return board().pins().read(pin);
}

void digitalWrite(int pin, int value) {
    board().pins().write(pin, value);
}

void pwmWrite(int pin, int value) {
    board().pins().pwm(pin, value);
}

void pwmSetRange(unsigned int range) {
    board().setPwmRange(range);
}

void pwmSetClock(int divisor) {
    board().setPwmClock(divisor);
}

int wiringPiISR(int pin, int mode, void (*function)(void)) {
    return board().attachIsr(pin, mode, function);
}

int piThreadCreate(void* (*fn)(void*)) {
    board().startThread([fn] { fn(nullptr); });
    return 0;
}

void delay(unsigned int howLong) {
    board().clock().sleepFor(sim::Micros(howLong) * 1000);
}

void delayMicroseconds(unsigned int howLong) {
    sim::VirtualClock& clock = board().clock();
    // In real time a sleep lasts far longer than the few microseconds a
    // bit-banged bus asks for, so short waits spin instead.
    if (!clock.virtualTime() && howLong < 100) {
        const sim::Micros until = clock.now() + howLong;
        while (clock.now() < until) {
        }
        return;
    }
    clock.sleepFor(howLong);
}

unsigned int millis(void) {
    return static_cast<unsigned int>(sinceStart() / 1000);
}

unsigned int micros(void) {
    return static_cast<unsigned int>(sinceStart());
}

int serialOpen(const char* device, const int baud) {
    return device ? board().openSerial(device, baud) : -1;
}

void serialClose(const int fd) {
    board().closeSerial(fd);
}

void serialPutchar(const int fd, const unsigned char c) {
    board().putSerial(fd, c);
}

}  // extern "C"
