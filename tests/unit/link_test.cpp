// The runner's link to a program on the virtual board in a child process,
// here the runner's fixture program (keys: R_C prints a ticket, REPEAT sets
// the clock a day ahead, NO ends with status 0).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "sim/link.h"

namespace {

using sim::Micros;
using sim::ProgramLink;
using sim::Snapshot;

constexpr Micros kMs = 1000;

sim::BoardConfig freshBoard() {
    char name[] = "sandbox-XXXXXX";
    char cwd[4096];
    EXPECT_TRUE(::mkdtemp(name) && ::getcwd(cwd, sizeof cwd));
    sim::BoardConfig config;
    config.root = std::string(cwd) + "/" + name;
    return config;
}

std::string row(const Snapshot& shot, int number) {
    return std::string(shot.glass.cells[number].begin(), shot.glass.cells[number].end());
}

TEST(ProgramLink, RunsTheProgramUpToEachHorizonAndReportsItsEnd) {
    sim::BoardConfig config = freshBoard();
    auto link = ProgramLink::start(KV_FIXTURE_PROGRAM, config);
    Snapshot ready = link->runUntil(300 * kMs);
    EXPECT_FALSE(ready.exited);
    EXPECT_EQ(ready.now, 300 * kMs);
    EXPECT_EQ(row(ready, 0), "Fixture ready       ");
    ASSERT_EQ(ready.shell.size(), 1u);
    EXPECT_EQ(ready.shell[0].command, "date +%F > " + config.root + "/home/pi/txt/date.txt");
    for (const char* key : {"R_C", "REPEAT", "NO"}) {
        link->keyDown(link->now() + 100 * kMs, key);
        link->keyUp(link->now() + 150 * kMs, key);
        ready = link->runUntil(link->now() + 200 * kMs);
    }
    ASSERT_TRUE(ready.exited);
    EXPECT_EQ(ready.exitCode, 0);
    EXPECT_GT(ready.now, 800 * kMs);  // ended soon after the NO press, not at the horizon
    EXPECT_LT(ready.now, 900 * kMs);
    EXPECT_EQ(row(ready, 2), "Bye                 ");
    EXPECT_EQ(link->wallOffset(), 86400);
    Snapshot again = link->runUntil(9000 * kMs);
    EXPECT_TRUE(again.exited && again.exitCode == 0 && again.now == ready.now);
}

TEST(ProgramLink, AStoppedOrMissingProgramCountsAsEnded) {
    sim::BoardConfig config = freshBoard();
    auto link = ProgramLink::start(KV_FIXTURE_PROGRAM, config);
    EXPECT_FALSE(link->runUntil(20 * kMs).exited);
    link->stop();
    Snapshot killed = link->runUntil(40 * kMs);
    EXPECT_TRUE(killed.exited);
    EXPECT_EQ(killed.exitCode, 128 + 9);
    EXPECT_EQ(ProgramLink::start(config.root + "/none", config)->runUntil(10 * kMs).exitCode, 127);
}

}  // namespace
