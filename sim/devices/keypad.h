// The eighteen push buttons and the rotary encoder of the terminal. Each key
// is a switch to ground on its own pin (the pull-up is the program's); a
// pressed key pulls its line low. The encoder's two channels rest high and
// go through one quadrature cycle per detent.
#pragma once

#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wiring.h"
#include "sim/devices/trace.h"
#include "sim/pins.h"
#include "sim/time_source.h"

namespace sim {

class Keypad {
  public:
    static constexpr int kEncoderPinA = wiring::kEncoderPinA;
    static constexpr int kEncoderPinB = wiring::kEncoderPinB;
    static constexpr int kEdgesPerDetent = 4;

    // One edge of a detent: the channel that moves and its new level.
    struct Edge {
        int pin;
        int level;
    };

    Keypad(Pins& pins, const TimeSource& time, Trace& trace);

    static const std::vector<std::string>&
    names();  // R_C PLUS MINUS VALID REPEAT NO 10 ... 0 POWER
    static bool valid(const std::string& name);
    static int pinOf(const std::string& name);  // -1 for an unknown name

    // False (and nothing happens) for an unknown name.
    bool press(const std::string& name);
    bool release(const std::string& name);
    bool pressed(const std::string& name) const;
    void releaseAll();

    // Channel states are A*2+B. Forward runs 3 -> 1 -> 0 -> 2 -> 3, backward
    // 3 -> 2 -> 0 -> 1 -> 3, so a decoder counting 1->0 and 2->3 as +1 sees
    // two steps forward per detent.
    static std::array<Edge, kEdgesPerDetent> stepEdges(bool forward);
    // Applies edge k (0..3) of a detent; a detent is complete after edge 3.
    void applyEdge(bool forward, int k);
    void detent(bool forward);  // all four edges at once
    int encoderState() const;   // A*2+B as the lines stand

  private:
    Pins& pins_;
    const TimeSource& time_;
    Trace& trace_;
    int party_;
    mutable std::mutex mutex_;
    std::map<std::string, bool> down_;
};

}  // namespace sim
