// Keys and encoder of the virtual board, seen from the pins.
#include <gtest/gtest.h>

#include <wiringPi.h>

#include <vector>

#include "sim/devices/keypad.h"
#include "tests/support/sim_bus_master.h"

namespace {

using sim::Keypad;

class SimKeypadTest : public ::testing::Test {
  protected:
    SimKeypadTest() : keypad(pins, clock, trace) {
        for (const std::string& name : Keypad::names()) {
            pins.setMode(Keypad::pinOf(name), INPUT);
            pins.setPull(Keypad::pinOf(name), PUD_UP);
        }
        for (int pin : {Keypad::kEncoderPinA, Keypad::kEncoderPinB}) {
            pins.setMode(pin, INPUT);
            pins.setPull(pin, PUD_UP);
        }
    }

    simtest::ManualClock clock;
    sim::Pins pins;
    sim::Trace trace;
    Keypad keypad;
};

// The terminal's decoder: +1 on 2->3 and 1->0, -1 on 1->3 and 2->0; in
// double-click mode only the transitions into 0 count.
int decode(int from, int to, bool dblClick) {
    if (dblClick) return from == 1 && to == 0 ? 1 : from == 2 && to == 0 ? -1 : 0;
    if ((from == 2 && to == 3) || (from == 1 && to == 0)) return 1;
    if ((from == 1 && to == 3) || (from == 2 && to == 0)) return -1;
    return 0;
}

TEST_F(SimKeypadTest, UnknownNamesAreRefusedAndTouchNothing) {
    for (const char* name : {"", "11", "valid", "ENTER", "R_C "}) {
        EXPECT_FALSE(Keypad::valid(name)) << name;
        EXPECT_EQ(Keypad::pinOf(name), -1) << name;
        EXPECT_FALSE(keypad.press(name)) << name;
        EXPECT_FALSE(keypad.release(name)) << name;
    }
    for (int pin = 0; pin < sim::Pins::kCount; ++pin) EXPECT_EQ(pins.read(pin), 1) << pin;
}

TEST_F(SimKeypadTest, PressPullsTheLineLowAndReleaseLetsItUp) {
    const int valid = wiring::pinOf("VALID");
    const int zero = wiring::pinOf("0");
    std::vector<std::pair<int, int>> edges;
    pins.addListener([&](int pin, int level) { edges.emplace_back(pin, level); });

    ASSERT_TRUE(keypad.press("VALID"));
    EXPECT_EQ(pins.read(valid), 0);
    EXPECT_TRUE(keypad.pressed("VALID"));
    ASSERT_TRUE(keypad.press("0"));
    ASSERT_TRUE(keypad.release("VALID"));
    EXPECT_EQ(pins.read(valid), 1);
    EXPECT_EQ(pins.read(zero), 0);  // the other key is still held
    keypad.releaseAll();
    EXPECT_EQ(pins.read(zero), 1);

    const std::vector<std::pair<int, int>> expected = {{valid, 0}, {zero, 0}, {valid, 1}, {zero, 1}};
    EXPECT_EQ(edges, expected);
    EXPECT_EQ(trace.grep("key VALID down").size(), 1u);
}

TEST_F(SimKeypadTest, PressingAHeldKeyMakesNoSecondEdge) {
    int edges = 0;
    pins.addListener([&](int, int) { ++edges; });
    keypad.press("POWER");
    keypad.press("POWER");
    EXPECT_EQ(edges, 1);
    keypad.release("POWER");
    keypad.release("POWER");
    EXPECT_EQ(edges, 2);
}

TEST_F(SimKeypadTest, OneDetentIsAFullGrayCodeCycle) {
    for (bool forward : {true, false}) {
        std::vector<int> states = {keypad.encoderState()};
        for (int k = 0; k < Keypad::kEdgesPerDetent; ++k) {
            keypad.applyEdge(forward, k);
            states.push_back(keypad.encoderState());
        }
        const std::vector<int> expected =
            forward ? std::vector<int>{3, 1, 0, 2, 3} : std::vector<int>{3, 2, 0, 1, 3};
        EXPECT_EQ(states, expected) << forward;
    }
    // Out-of-range edges do nothing.
    keypad.applyEdge(true, 4);
    keypad.applyEdge(true, -1);
    EXPECT_EQ(keypad.encoderState(), 3);
}

TEST_F(SimKeypadTest, TheTerminalsDecoderCountsTwoOrOneStepsPerDetent) {
    for (bool dblClick : {false, true}) {
        for (bool forward : {true, false}) {
            int count = 0;
            int state = 3;
            for (const Keypad::Edge& edge : Keypad::stepEdges(forward)) {
                const int next = edge.pin == Keypad::kEncoderPinA ? (edge.level << 1) | (state & 1)
                                                                  : (state & 2) | edge.level;
                EXPECT_EQ(__builtin_popcount(static_cast<unsigned>(state ^ next)), 1);
                count += decode(state, next, dblClick);
                state = next;
            }
            EXPECT_EQ(state, 3);
            const int perDetent = dblClick ? 1 : 2;
            EXPECT_EQ(count, forward ? perDetent : -perDetent) << dblClick << forward;
        }
    }
}

TEST_F(SimKeypadTest, DetentEdgesReachListenersInOrder) {
    std::vector<std::pair<int, int>> edges;
    pins.addListener([&](int pin, int level) { edges.emplace_back(pin, level); });
    keypad.detent(true);
    const auto planned = Keypad::stepEdges(true);
    ASSERT_EQ(edges.size(), planned.size());
    for (std::size_t k = 0; k < planned.size(); ++k) {
        EXPECT_EQ(edges[k].first, planned[k].pin) << k;
        EXPECT_EQ(edges[k].second, planned[k].level) << k;
    }
}

}  // namespace
