#include "drivers/fn_rotary.h"

#include <wiringPi.h>

#include <atomic>
#include <mutex>
#include <utility>

namespace {

constexpr unsigned int kLongPressMicros = 999999;
constexpr unsigned int kKeyPollMillis = 10;
constexpr unsigned int kPowerHoldMillis = 300;
constexpr unsigned int kPowerPollMillis = 100;
constexpr unsigned int kBounceGuardMicros = 500;

// Set once before the interrupt threads start; read by every key's handler.
std::atomic<PowerPrompt*> gPrompt{nullptr};

}  // namespace

// ---------------------------------------------------------------------------
// RpButton

RpButton::RpButton(std::string name, int pin, int edge, void (*isr)())
    : name(std::move(name)), pin(pin), edge(edge) {
    if (this->name == "R_C") wiringPiSetup();
    set(pin);
    ISR(isr);
}

RpButton::~RpButton() {
    pullUpDnControl(pin, PUD_OFF);
    pinMode(pin, INPUT);
}

void RpButton::usePowerPrompt(PowerPrompt* prompt) {
    gPrompt = prompt;
}

bool RpButton::held() const {
    return digitalRead(pin) == 0;
}

void RpButton::set(int pin) {
    pinMode(pin, INPUT);
    pullUpDnControl(pin, PUD_UP);
}

void RpButton::ISR(void (*isr)()) {
    wiringPiISR(pin, edge, isr);
}

void RpButton::setClick(bool on) {
    click = on;
    if (digitalRead(pin) == 0) value = 1;
}

void RpButton::mngt() {
    if (isPower())
        powerEdge();
    else
        keyEdge();
}

void RpButton::playClick() const {
    if (click) platform::shell("aplay -q " + platform::path("/home/pi/click.wav") + " &");
}

void RpButton::keyEdge() {
    reading = digitalRead(pin);
    if (reading == lastReading) return;
    lastReading = reading;
    if (reading == 1) return;
    playClick();
    PowerPrompt* prompt = gPrompt;
    if (prompt != nullptr && prompt->showing()) {
        // The key only dismisses the power prompt: no event.
        prompt->cancel();
        return;
    }
    prevPressTime = pressTime;
    pressTime = micros();
    while (digitalRead(pin) == 0 && micros() - pressTime <= kLongPressMicros) delay(kKeyPollMillis);
    value = digitalRead(pin) == 1 ? 1 : 2;
}

void RpButton::powerEdge() {
    PowerPrompt* prompt = gPrompt;
    if (prompt == nullptr) return;
    if (!prompt->showing())
        prompt->show();
    else
        holdToPowerOff(*prompt);
}

void RpButton::holdToPowerOff(PowerPrompt& prompt) {
    pressTime = millis();
    while (held() && millis() - pressTime < kPowerHoldMillis) delay(kPowerPollMillis);
    if (held())
        prompt.powerOff();
    else
        prompt.cancel();
}

// ---------------------------------------------------------------------------
// RpEncoder

RpEncoder::RpEncoder(std::string name, int pinA, int pinB, void (*isr)())
    : name(std::move(name)), pinA(pinA), pinB(pinB) {
    for (int p : {pinA, pinB}) {
        pinMode(p, INPUT);
        pullUpDnControl(p, PUD_UP);
    }
    wiringPiISR(pinA, INT_EDGE_BOTH, isr);
    wiringPiISR(pinB, INT_EDGE_BOTH, isr);
}

RpEncoder::~RpEncoder() {
    pullUpDnControl(pinA, PUD_OFF);
    pullUpDnControl(pinB, PUD_OFF);
    pinMode(pinA, INPUT);
    pinMode(pinB, INPUT);
}

int RpEncoder::check_rotation_direction(unsigned char prev, unsigned char cur) {
    const int move = prev << 2 | cur;
    constexpr int k2to3 = 2 << 2 | 3, k1to0 = 1 << 2 | 0, k1to3 = 1 << 2 | 3, k2to0 = 2 << 2 | 0;
    if (dblClick)
        direction = move == k1to0 ? 1 : move == k2to0 ? -1 : 0;
    else
        direction = (move == k2to3 || move == k1to0)   ? 1
                    : (move == k1to3 || move == k2to0) ? -1
                                                       : 0;
    return direction;
}

int RpEncoder::stepSize(unsigned int interval) const {
    if (!hasPrevStep || interval > tNoAccel) return 1;
    if (interval < tStep8) return step8;
    if (interval < tStep4) return step4;
    if (interval < tStep2) return step2;
    return 1;
}

// The screens may re-centre the counter at any moment: never overwrite that
// with a value computed from the old one.
void RpEncoder::addSteps(int delta) {
    int current = value.load();
    int next;
    do {
        next = current + delta;
        if (next > maxValue) next = maxValue;
        if (next < minValue) next = minValue;
    } while (!value.compare_exchange_weak(current, next));
}

void RpEncoder::mngt() {
    std::lock_guard<platform::Lock> exclusive(handlerLock);
    direction = 0;
    const unsigned int now = micros();
    if (now - lastIsrTime < kBounceGuardMicros) {
        ++bounces;
        lastIsrTime = micros();
        return;
    }
    curState = static_cast<unsigned char>(digitalRead(pinA) << 1 | digitalRead(pinB));
    prevState = static_cast<unsigned char>(lastState);
    if (curState != lastState) check_rotation_direction(prevState, curState);
    if (direction != 0) {
        const unsigned int interval = micros() - lastStepTime;
        int step = stepSize(interval);
        if (direction != lastDirection) step = 1;  // a reversal never accelerates
        addSteps(step * direction);
        hasPrevStep = true;
        lastDirection = static_cast<signed char>(direction);
        lastStepTime = micros();
    }
    lastState = curState;
    lastIsrTime = micros();
}
