#include "sim/devices/keypad.h"

#include "platform/wiring.h"

namespace sim {

namespace {

// States A*2+B visited by one detent, starting from rest (3).
constexpr int kForward[] = {3, 1, 0, 2, 3};
constexpr int kBackward[] = {3, 2, 0, 1, 3};

}  // namespace

Keypad::Keypad(Pins& pins, const TimeSource& time, Trace& trace)
    : pins_(pins), time_(time), trace_(trace), party_(pins.addParty("keypad")) {}

const std::vector<std::string>& Keypad::names() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> list;
        for (const wiring::Key& key : wiring::kKeys) list.push_back(key.name);
        return list;
    }();
    return all;
}

int Keypad::pinOf(const std::string& name) {
    return wiring::pinOf(name.c_str());
}

bool Keypad::valid(const std::string& name) {
    return pinOf(name) >= 0;
}

bool Keypad::press(const std::string& name) {
    const int pin = pinOf(name);
    if (pin < 0) return false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        down_[name] = true;
    }
    trace_.log(time_.now(), "key " + name + " down");
    pins_.pullLow(party_, pin, true);
    return true;
}

bool Keypad::release(const std::string& name) {
    const int pin = pinOf(name);
    if (pin < 0) return false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        down_[name] = false;
    }
    trace_.log(time_.now(), "key " + name + " up");
    pins_.pullLow(party_, pin, false);
    return true;
}

bool Keypad::pressed(const std::string& name) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = down_.find(name);
    return it != down_.end() && it->second;
}

void Keypad::releaseAll() {
    for (const std::string& name : names())
        if (pressed(name)) release(name);
}

std::array<Keypad::Edge, Keypad::kEdgesPerDetent> Keypad::stepEdges(bool forward) {
    const int* states = forward ? kForward : kBackward;
    std::array<Edge, kEdgesPerDetent> edges{};
    for (int k = 0; k < kEdgesPerDetent; ++k) {
        const int from = states[k], to = states[k + 1];
        // Gray code: exactly one channel changes per edge.
        if ((from ^ to) & 2)
            edges[k] = {kEncoderPinA, (to >> 1) & 1};
        else
            edges[k] = {kEncoderPinB, to & 1};
    }
    return edges;
}

void Keypad::applyEdge(bool forward, int k) {
    if (k < 0 || k >= kEdgesPerDetent) return;
    const Edge edge = stepEdges(forward)[k];
    trace_.log(time_.now(), std::string("encoder ") + (forward ? "forward" : "backward") +
                                " edge " + std::to_string(k) +
                                (edge.pin == kEncoderPinA ? " A=" : " B=") +
                                std::to_string(edge.level));
    pins_.pullLow(party_, edge.pin, edge.level == 0);
}

void Keypad::detent(bool forward) {
    for (int k = 0; k < kEdgesPerDetent; ++k) applyEdge(forward, k);
}

int Keypad::encoderState() const {
    return (pins_.level(kEncoderPinA) ? 2 : 0) | (pins_.level(kEncoderPinB) ? 1 : 0);
}

}  // namespace sim
