// The baton scheduler: which thread runs when, how far time may go, and that
// a run comes out the same every time; the link to a program run under it.
#include "sim/clock.h"
#include "sim/link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using sim::ClockMode;
using sim::Micros;
using sim::VirtualClock;

// What the threads did, in order: "time what". Only the baton holder writes.
using Journal = std::vector<std::string>;
void note(Journal& journal, const VirtualClock& clock, const std::string& what) {
    journal.push_back(std::to_string(clock.now()) + " " + what);
}

void finish(VirtualClock& clock) {
    clock.stop();
    while (clock.threadCount() > 0) std::this_thread::yield();
}

// Sleepers, a creator of threads, a handler woken by input: earliest wake
// first, ties by sequence, input before the sleepers of its time.
std::vector<std::string> busyRun() {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    std::atomic<VirtualClock::Token> handler{-1};
    clock.startThread([&] {
        for (int i = 0; i < 2; ++i)
            clock.startThread([&, i] { note(journal, clock, "child " + std::to_string(i)); });
        note(journal, clock, "parent");
        clock.sleepUntil(30);
        note(journal, clock, "parent woke");
    });
    for (int i = 0; i < 2; ++i)
        clock.startThread([&, i] {
            for (int round = 0; round < 3; ++round) {
                clock.sleepFor(10);
                note(journal, clock, "sleeper " + std::to_string(i));
            }
        });
    clock.startThread([&] {
        handler = clock.current();
        for (int edge = 0; edge < 3; ++edge) {
            clock.block();
            note(journal, clock, "edge " + std::to_string(edge));
            clock.sleepFor(3);
        }
    });
    clock.runUntil(0);
    for (Micros at : {10, 12, 20})
        clock.scheduleAt(at, [&] {
            note(journal, clock, "input");
            clock.unblock(handler);
        });
    for (Micros horizon = 5; horizon <= 50; horizon += 5) clock.runUntil(horizon);
    EXPECT_EQ(clock.threadCount(), 0u);
    EXPECT_EQ(clock.now(), 50u);
    finish(clock);
    return journal;
}

TEST(VirtualClock, RunsThreadsInOneOrderEveryTime) {
    const std::vector<std::string> first = busyRun();
    EXPECT_EQ(first,
              (std::vector<std::string>{
                  "0 parent", "0 child 0", "0 child 1", "10 input", "10 sleeper 0", "10 sleeper 1",
                  "10 edge 0", "12 input", "13 edge 1", "20 input", "20 sleeper 0", "20 sleeper 1",
                  "20 edge 2", "30 parent woke", "30 sleeper 0", "30 sleeper 1"}));
    for (int run = 0; run < 5; ++run) EXPECT_EQ(busyRun(), first) << "run " << run;
}

TEST(VirtualClock, TimeNeverPassesTheGrantedHorizon) {
    VirtualClock clock(ClockMode::Controlled, 1000);
    std::atomic<Micros> wokeAt{0};
    std::atomic<int> polls{0};
    clock.startThread([&] {
        clock.sleepUntil(1050);
        for (wokeAt = clock.now(); clock.now() < 601'050; polls++) clock.sleepFor(10'000);
    });
    clock.runUntil(1049);
    EXPECT_EQ(wokeAt.load(), 0u);
    EXPECT_EQ(clock.now(), 1049u);
    clock.runUntil(1050);
    EXPECT_EQ(wokeAt.load(), 1050u);
    clock.runUntil(10);  // a horizon in the past changes nothing
    EXPECT_EQ(clock.now(), 1050u);
    clock.runUntil(601'050);
    EXPECT_EQ(polls.load(), 60);
    std::atomic<Micros> appliedAt{0};
    clock.scheduleAt(5, [&] { appliedAt = clock.now(); });  // late input applies at once
    clock.runUntil(601'050);
    EXPECT_EQ(appliedAt.load(), 601'050u);
}

TEST(VirtualClock, AnUnblockIsKeptOnceAndStopLetsEveryWaitGo) {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    std::atomic<VirtualClock::Token> blocker{-1};
    std::atomic<int> lastBlock{-1};
    std::atomic<bool> sleeperDone{false};
    clock.startThread([&] {
        blocker = clock.current();
        clock.unblock(blocker);
        clock.unblock(blocker);  // permits do not add up
        for (const char* which : {"first ", "second "})
            note(journal, clock, which + std::to_string(clock.block()));
        lastBlock = clock.block();
    });
    clock.startThread([&] {
        while (clock.now() < 5'000'000) clock.sleepFor(10'000);
        sleeperDone = true;
    });
    clock.runUntil(1);
    clock.scheduleAt(40, [&] { clock.unblock(blocker); });
    clock.runUntil(100);
    EXPECT_EQ(journal, (std::vector<std::string>{"0 first 1", "40 second 1"}));
    finish(clock);
    EXPECT_EQ(lastBlock.load(), 0);
    EXPECT_TRUE(sleeperDone.load());
}

TEST(VirtualClock, InRealTimeWaitsAreReal) {
    VirtualClock clock(ClockMode::Realtime, 0);
    std::atomic<VirtualClock::Token> token{-1};
    std::atomic<bool> applied{false}, woke{false};
    clock.startThread([&] {
        token = clock.current();
        woke = clock.block();
    });
    clock.scheduleAt(2000, [&] { applied = true; });
    clock.runUntil(3000);
    EXPECT_TRUE(applied && clock.now() >= 3000 && !woke);
    while (token < 0) std::this_thread::yield();
    clock.unblock(token);
    while (clock.threadCount() > 0) std::this_thread::yield();
    EXPECT_TRUE(woke);
}

// The runner's link to a program on the virtual board in a child process,
// here the runner's fixture program; its keys and ends are the scenarios' part.
TEST(ProgramLink, AStoppedOrMissingProgramCountsAsEnded) {
    constexpr Micros kMs = 1000;
    sim::BoardConfig config;
    config.root = std::filesystem::temp_directory_path() / ("kv-link-" + std::to_string(getpid()));
    std::filesystem::remove_all(config.root);
    std::filesystem::create_directories(config.root);
    auto link = sim::ProgramLink::start(KV_FIXTURE_PROGRAM, config);
    EXPECT_FALSE(link->runUntil(20 * kMs).exited);
    link->stop();
    sim::Snapshot killed = link->runUntil(40 * kMs);
    EXPECT_TRUE(killed.exited && killed.exitCode == 128 + 9);
    EXPECT_EQ(sim::ProgramLink::start(config.root + "/none", config)->runUntil(10 * kMs).exitCode,
              127);
    std::filesystem::remove_all(config.root);
}

}  // namespace
