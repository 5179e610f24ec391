// Keypad: one RpButton per push button (active low, pulled up) turning edges
// into a pending event, and the rotary encoder RpEncoder turning quadrature
// edges into an accelerated, bounded counter. Both run mngt() from their
// pins' interrupt threads; the screens poll from the main thread.
#pragma once

#include <atomic>
#include <string>

#include "platform/platform.h"

// What the terminal does around its POWER key: the prompt on the display,
// its cancellation and the power-off itself. The button only tells a first
// press, a hold and a release apart; the program supplies the rest.
class PowerPrompt {
  public:
    virtual ~PowerPrompt() = default;
    virtual bool showing() const = 0;
    virtual void show() = 0;
    virtual void cancel() = 0;
    virtual void powerOff() = 0;
};

class RpButton {
  public:
    RpButton(std::string name, int pin, int edge, void (*isr)());
    virtual ~RpButton();
    RpButton(const RpButton&) = delete;
    RpButton& operator=(const RpButton&) = delete;

    void set(int pin);
    void ISR(void (*isr)());
    void mngt();
    void setClick(bool on);

    // Pending event: 0 none, 1 short press, 2 long press (held one second).
    unsigned int getValue() const { return value.load(); }
    unsigned int getResetValue() { return value.exchange(0); }
    void resetValue() { value.store(0); }
    void setValue(unsigned int v) { value.store(v); }

    const std::string& getName() const { return name; }
    int getPin() const { return pin; }
    // Held down at this moment (the line reads low).
    bool held() const;

    // Without one, POWER does nothing and no key is taken by a prompt.
    static void usePowerPrompt(PowerPrompt* prompt);

  private:
    bool isPower() const { return name == "POWER"; }
    void keyEdge();
    void powerEdge();
    void holdToPowerOff(PowerPrompt& prompt);
    void playClick() const;

    std::string name;
    int pin;
    int edge;
    int reading = 1;
    int lastReading = 1;  // released
    unsigned int pressTime = 0;
    unsigned int prevPressTime = 0;
    std::atomic<unsigned int> value{0};
    std::atomic<bool> click{false};
};

class RpEncoder {
  public:
    static constexpr int kMinValue = 0;
    static constexpr int kMaxValue = 1024;
    static constexpr int kCentre = 512;

    RpEncoder(std::string name, int pinA, int pinB, void (*isr)());
    virtual ~RpEncoder();
    RpEncoder(const RpEncoder&) = delete;
    RpEncoder& operator=(const RpEncoder&) = delete;

    void mngt();
    // +1, -1 or 0 for a move from one channel state (A << 1 | B) to another.
    int check_rotation_direction(unsigned char prev, unsigned char cur);

    int getValue() const { return value.load(); }
    void resetValue() { value.store(kCentre); }
    void setValue(unsigned int v) { value.store(static_cast<int>(v)); }
    void setDblClick(bool on) { dblClick.store(on); }

    int getBounces() const { return bounces.load(); }

  private:
    int stepSize(unsigned int interval) const;
    void addSteps(int delta);

    std::string name;
    int pinA, pinB;
    int minValue = kMinValue;
    int maxValue = kMaxValue;
    std::atomic<int> value{kCentre};
    unsigned int lastState = 3;
    unsigned int tNoAccel = 500000;
    unsigned int tStep2 = 40000, tStep4 = 25000, tStep8 = 10000;
    int step2 = 2, step4 = 4, step8 = 8;
    int direction = 0;
    unsigned int lastStepTime = 0;
    unsigned int lastIsrTime = 0;
    std::atomic<int> bounces{0};
    bool hasPrevStep = false;
    unsigned char prevState = 3, curState = 3;
    signed char lastDirection = 0;
    std::atomic<bool> dblClick{false};
    // Both channel pins share this handler, each on its own thread.
    platform::Lock handlerLock;
};
