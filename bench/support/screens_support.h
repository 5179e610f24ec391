// Score entry in process for the judging benchmark: the program's globals on
// one virtual board for the whole executable, a scripted competition server standing in
// for the server link, a fresh database per test, and views of the glass,
// the paper and the shell.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "bench/support/board_fixture.h"

namespace screens_test {

// What the fake server link was asked and what it answers.
struct FakeServer {
    std::vector<std::string>
        requests;                 // "T 3/2 J4 P12", "U 3/2 J4 P12 N1=7 ...", "R ...", "NRT 2", "P"
    std::deque<int> sendResults;  // answers of wifi_send_score, 0 once empty
    int resendResult = 0;
    // Next pilot: answered when pilot >= 0, otherwise -1 (no server).
    int nextPilot = -1;
    int nextFlight = 1, nextComp = 1;
    std::string nextSchedule = "F25";
};
FakeServer& server();

using kv_test::captureGlassAt;
using kv_test::contains;
using kv_test::glassRow;
using kv_test::paperLines;
using kv_test::press;
using kv_test::shellCount;
using kv_test::shellSince;
using kv_test::sqlInt;
using kv_test::waitMillis;

// Encoder detents, at a time counted in milliseconds from now.
inline void turn(int detents, unsigned int atMs, unsigned int msPerDetent = 200) {
    kv_test::turn(detents, atMs, msPerDetent);
}

// A schedule of the test catalogue: short name, language, and per figure its
// option code and label.
struct Figure {
    int option;
    std::string label;
};
void addSchedule(const std::string& name, const std::string& lang,
                 const std::vector<Figure>& figures);
using kv_test::setParam;

// One test: a fresh database, cleared keys, a default scoring context and a
// watchdog that fails the run when a screen waits for keys that never come.
class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace screens_test
