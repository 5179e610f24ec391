// Test support for the service screens: the program's globals on one virtual
// board for the whole executable, the stub tools of the board in the test's
// folder, a scripted server link for resends, a fresh database per test and
// views of the glass, the paper and the shell.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/board_fixture.h"
#include "tests/support/files.h"

namespace service_test {

// Resends as the scripted server link saw them, and the pilots it refuses.
struct ResendLink {
    std::vector<int> resentPilots;
    std::set<int> refusedPilots;
};
ResendLink& link();

using kv_test::captureGlassAt;
using kv_test::contains;
using kv_test::countContaining;
using kv_test::exec;
using kv_test::glassRow;
using kv_test::paperLines;
using kv_test::press;
using kv_test::shellCount;
using kv_test::shellSince;
using kv_test::shellTimesSince;
using kv_test::sqlInt;
using kv_test::waitMillis;

// Encoder detents at a time counted in milliseconds from now.
inline void turn(int detents, unsigned int atMs, unsigned int msPerDetent = 400) {
    kv_test::turn(detents, atMs, msPerDetent);
}

using kv_test::setParam;
std::string paramValue(const std::string& key);
// A stored two-figure sheet of judge 4, queued as unsent.
void queueSheet(int comp, int flight, int pilot);
// The test's folder as the board's root sees it.
std::string rootPath(const std::string& absolute);
using kv_test::readFile;
using kv_test::writeFile;

// One test: a fresh database with texts "E<n>" (ENG) and "F<n>" (FRA), cleared
// keys and a watchdog that fails the run when a screen waits for keys forever.
class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace service_test
