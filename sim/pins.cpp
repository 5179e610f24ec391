#include "sim/pins.h"

#include <wiringPi.h>

namespace sim {

Pins::Pins() {
    parties_.push_back("program");  // party 0 never pulls; keeps ids from 1
}

int Pins::resolve(const Line& line) const {
    if (line.pulledLow) return 0;
    if (line.mode == OUTPUT) return line.latch ? 1 : 0;
    // A floating line reads high: the bus and key lines have pull-ups on the board.
    return line.pull == PUD_DOWN ? 0 : 1;
}

void Pins::update(int pin) {
    std::vector<std::pair<int, Listener>> notify;
    int level;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        Line& line = lines_[pin];
        if (line.mode == OUTPUT && line.latch && line.pulledLow) {
            for (std::size_t p = 1; p < parties_.size(); ++p)
                if (line.pulledLow & (1u << p)) contentions_.push_back({pin, parties_[p]});
        }
        level = resolve(line);
        if (level == line.level) return;
        line.level = level;
        notify = listeners_;
    }
    for (auto& entry : notify) entry.second(pin, level);
}

void Pins::setMode(int pin, int mode) {
    if (!valid(pin)) return;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        lines_[pin].mode = mode;
    }
    update(pin);
}

void Pins::setPull(int pin, int pud) {
    if (!valid(pin)) return;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        lines_[pin].pull = pud;
    }
    update(pin);
}

void Pins::write(int pin, int value) {
    if (!valid(pin)) return;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        lines_[pin].latch = value ? 1 : 0;
    }
    update(pin);
}

int Pins::read(int pin) const {
    if (!valid(pin)) return 0;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return lines_[pin].level;
}

void Pins::pwm(int pin, int value) {
    if (!valid(pin)) return;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    lines_[pin].pwm = value;
}

int Pins::pwmLevel(int pin) const {
    if (!valid(pin)) return 0;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return lines_[pin].pwm;
}

int Pins::mode(int pin) const {
    if (!valid(pin)) return 0;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return lines_[pin].mode;
}

int Pins::pull(int pin) const {
    if (!valid(pin)) return 0;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return lines_[pin].pull;
}

int Pins::addParty(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    parties_.push_back(name);
    return static_cast<int>(parties_.size()) - 1;  // at most 31 parties: one bit each
}

void Pins::pullLow(int party, int pin, bool low) {
    if (!valid(pin) || party <= 0 || party >= 32) return;
    {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        if (low)
            lines_[pin].pulledLow |= (1u << party);
        else
            lines_[pin].pulledLow &= ~(1u << party);
    }
    update(pin);
}

bool Pins::pulledBy(int party, int pin) const {
    if (!valid(pin) || party <= 0 || party >= 32) return false;
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return lines_[pin].pulledLow & (1u << party);
}

int Pins::addListener(Listener listener) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void Pins::removeListener(int id) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    for (auto it = listeners_.begin(); it != listeners_.end(); ++it)
        if (it->first == id) {
            listeners_.erase(it);
            return;
        }
}

std::vector<Pins::Contention> Pins::contentions() const {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    return contentions_;
}

void Pins::clearContentions() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    contentions_.clear();
}

}  // namespace sim
