// The board's 32 GPIO lines at the electrical level: the program's side
// (mode, pull, output level) and any number of other parties that can pull a
// line low (device models, the keys, the encoder). Lines are open drain: a
// line is low when anyone pulls it low, otherwise high through the pull-up.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace sim {

using Micros = std::uint64_t;

class Pins {
public:
    static constexpr int kCount = 32;

    // Called with the line's new level each time a line changes level.
    using Listener = std::function<void(int pin, int level)>;

    struct Contention {
        int pin;
        std::string party;  // who pulled the line low while the program drove it high
    };

    Pins();

    // The program's side (the wiringPi calls land here).
    void setMode(int pin, int mode);  // wiringPi modes; PWM_OUTPUT is recorded as such
    void setPull(int pin, int pud);   // PUD_OFF, PUD_DOWN, PUD_UP
    void write(int pin, int value);   // output latch; drives the line only in OUTPUT mode
    int read(int pin) const;          // the resolved line level
    void pwm(int pin, int value);     // records the PWM level
    int pwmLevel(int pin) const;
    int mode(int pin) const;
    int pull(int pin) const;

    // The other parties.
    int addParty(const std::string& name);  // returns a party id
    void pullLow(int party, int pin, bool low);
    bool pulledBy(int party, int pin) const;

    // Returns an id for removeListener; a device that goes away before the
    // pins must remove its listener.
    int addListener(Listener listener);
    void removeListener(int id);

    // Contention: the program drove a line high as an output while another
    // party held it low (the soft I2C master must never drive high).
    std::vector<Contention> contentions() const;
    void clearContentions();

    int level(int pin) const { return read(pin); }

private:
    struct Line {
        int mode = 0;   // INPUT
        int pull = 0;   // PUD_OFF
        int latch = 0;
        int pwm = 0;
        std::uint32_t pulledLow = 0;  // one bit per party
        int level = 1;
    };

    int resolve(const Line& line) const;
    void update(int pin);  // recompute, record contention, notify on change
    bool valid(int pin) const { return pin >= 0 && pin < kCount; }

    mutable std::recursive_mutex mutex_;
    Line lines_[kCount];
    std::vector<std::string> parties_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 1;
    std::vector<Contention> contentions_;
};

}  // namespace sim
