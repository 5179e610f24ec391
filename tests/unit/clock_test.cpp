#include "sim/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using sim::ClockMode;
using sim::Micros;
using sim::VirtualClock;

// What the threads did, in the order they did it. Only the baton holder
// appends, so no lock is needed; the baton hand-off orders the writes.
struct Journal {
    std::vector<std::string> entries;
    void note(const VirtualClock& clock, const std::string& what) {
        entries.push_back(std::to_string(clock.now()) + " " + what);
    }
};

// Lets every thread go and waits until they have all left the clock.
void finish(VirtualClock& clock) {
    clock.stop();
    while (clock.threadCount() > 0) std::this_thread::yield();
}

TEST(VirtualClockOrdering, EarliestWakeFirstTiesBySequence) {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    clock.startThread([&] {
        clock.sleepUntil(30);
        journal.note(clock, "a");
    });
    clock.startThread([&] {
        clock.sleepUntil(10);
        journal.note(clock, "b");
    });
    clock.startThread([&] {
        clock.sleepUntil(10);
        journal.note(clock, "c");
    });
    clock.runUntil(100);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"10 b", "10 c", "30 a"}));
    EXPECT_EQ(clock.now(), 100u);
    EXPECT_EQ(clock.threadCount(), 0u);
}

TEST(VirtualClockOrdering, NewThreadsRunInCreationOrderAfterTheCreatorWaits) {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    clock.startThread([&] {
        for (int i = 0; i < 3; ++i)
            clock.startThread([&, i] { journal.note(clock, "child" + std::to_string(i)); });
        journal.note(clock, "parent before wait");
        clock.sleepFor(5);
        journal.note(clock, "parent after wait");
    });
    clock.runUntil(10);
    EXPECT_EQ(journal.entries,
              (std::vector<std::string>{"0 parent before wait", "0 child0", "0 child1", "0 child2",
                                        "5 parent after wait"}));
}

TEST(VirtualClockOrdering, OnlyOneThreadRunsAtATime) {
    VirtualClock clock(ClockMode::Controlled);
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    for (int t = 0; t < 4; ++t) {
        clock.startThread([&, t] {
            for (int round = 0; round < 200; ++round) {
                if (inside.fetch_add(1) != 0) overlaps++;
                for (volatile int spin = 0; spin < 200; ++spin) {
                }
                inside.fetch_sub(1);
                clock.sleepFor(static_cast<Micros>(t % 2));  // zero-length sleeps still yield
            }
        });
    }
    clock.runUntil(1000);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(clock.threadCount(), 0u);
}

TEST(VirtualClockHorizon, TimeNeverPassesTheGrantedHorizon) {
    VirtualClock clock(ClockMode::Controlled, 1000);
    std::atomic<Micros> wokeAt{0};
    clock.startThread([&] {
        clock.sleepUntil(1050);
        wokeAt = clock.now();
    });
    clock.runUntil(1020);
    EXPECT_EQ(wokeAt.load(), 0u);
    EXPECT_EQ(clock.now(), 1020u);
    clock.runUntil(1049);
    EXPECT_EQ(wokeAt.load(), 0u);
    clock.runUntil(1050);
    EXPECT_EQ(wokeAt.load(), 1050u);
    // A horizon in the past changes nothing.
    clock.runUntil(10);
    EXPECT_EQ(clock.now(), 1050u);
}

TEST(VirtualClockHorizon, NothingRunsBeforeTheFirstGrant) {
    VirtualClock clock(ClockMode::Controlled);
    std::atomic<bool> ran{false};
    clock.startThread([&] { ran = true; });
    EXPECT_FALSE(ran.load());
    clock.runUntil(0);
    EXPECT_TRUE(ran.load());
}

TEST(VirtualClockEvents, AppliedInTimeThenInsertionOrder) {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    clock.scheduleAt(20, [&] { journal.note(clock, "second"); });
    clock.scheduleAt(10, [&] { journal.note(clock, "first"); });
    clock.scheduleAt(20, [&] { journal.note(clock, "third"); });
    clock.scheduleAt(30, [&] { journal.note(clock, "late"); });
    clock.runUntil(25);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"10 first", "20 second", "20 third"}));
    EXPECT_EQ(clock.pendingEvents(), 1u);
    clock.runUntil(30);
    EXPECT_EQ(journal.entries.back(), "30 late");
}

TEST(VirtualClockEvents, EventAtAWakeTimeComesBeforeTheSleeper) {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    clock.startThread([&] {
        clock.sleepUntil(40);
        journal.note(clock, "sleeper");
    });
    clock.scheduleAt(40, [&] { journal.note(clock, "event"); });
    clock.runUntil(50);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"40 event", "40 sleeper"}));
}

TEST(VirtualClockEvents, EventInThePastAppliesAtOnce) {
    VirtualClock clock(ClockMode::Controlled, 500);
    Journal journal;
    clock.runUntil(600);
    clock.scheduleAt(100, [&] { journal.note(clock, "old"); });
    clock.runUntil(600);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"600 old"}));
}

TEST(VirtualClockBlocking, EventUnblocksAThreadAtTheEventTime) {
    VirtualClock clock(ClockMode::Controlled);
    std::atomic<VirtualClock::Token> token{-1};
    std::atomic<Micros> wokeAt{0};
    clock.startThread([&] {
        token = clock.current();
        EXPECT_TRUE(clock.block());
        wokeAt = clock.now();
    });
    clock.runUntil(1);
    ASSERT_GE(token.load(), 0);
    clock.scheduleAt(40, [&] { clock.unblock(token); });
    clock.runUntil(100);
    EXPECT_EQ(wokeAt.load(), 40u);
}

TEST(VirtualClockBlocking, UnblockBeforeBlockIsKeptOnce) {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    clock.startThread([&] {
        clock.unblock(clock.current());
        clock.unblock(clock.current());  // permits do not add up
        EXPECT_TRUE(clock.block());
        journal.note(clock, "first block returned");
        clock.block();
        journal.note(clock, "second block returned");
    });
    clock.runUntil(100);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"0 first block returned"}));
    finish(clock);
}

TEST(VirtualClockBlocking, StopReleasesBlockedThreads) {
    VirtualClock clock(ClockMode::Controlled);
    std::atomic<int> results{-1};
    clock.startThread([&] { results = clock.block() ? 1 : 0; });
    clock.runUntil(10);
    EXPECT_EQ(results.load(), -1);
    finish(clock);
    EXPECT_EQ(results.load(), 0);
}

TEST(VirtualClockBlocking, AfterStopSleepsPassAtOnceSoTimedLoopsEnd) {
    VirtualClock clock(ClockMode::Controlled);
    std::atomic<bool> done{false};
    clock.startThread([&] {
        while (clock.now() < 5'000'000) clock.sleepFor(10'000);
        done = true;
    });
    clock.runUntil(20'000);
    EXPECT_FALSE(done.load());
    finish(clock);
    EXPECT_TRUE(done.load());
    EXPECT_GE(clock.now(), 5'000'000u);
}

TEST(VirtualClockSpeed, TenMinutesOfPollingIsCountedExactly) {
    VirtualClock clock(ClockMode::Controlled);
    std::atomic<int> polls{0};
    std::atomic<bool> done{false};
    clock.startThread([&] {
        while (clock.now() < 600'000'000) {
            clock.sleepFor(10'000);
            polls++;
        }
        done = true;
    });
    clock.runUntil(600'000'000);
    EXPECT_TRUE(done.load());
    EXPECT_EQ(polls.load(), 60'000);
}

// A small program: a poller, two workers with mixed sleeps and blocks, and
// input events; its journal must come out the same every time.
std::vector<std::string> busyRun() {
    VirtualClock clock(ClockMode::Controlled);
    Journal journal;
    std::atomic<VirtualClock::Token> worker{-1};
    clock.startThread([&] {
        for (int i = 0; i < 50; ++i) {
            clock.sleepFor(7);
            if (i % 10 == 0) journal.note(clock, "poll " + std::to_string(i));
        }
    });
    clock.startThread([&] {
        worker = clock.current();
        for (int i = 0; i < 6; ++i) {
            clock.block();
            journal.note(clock, "edge " + std::to_string(i));
            clock.sleepFor(3);
        }
    });
    clock.startThread([&] {
        for (int i = 0; i < 5; ++i) {
            clock.sleepFor(static_cast<Micros>(11 * (i + 1)));
            journal.note(clock, "worker " + std::to_string(i));
        }
    });
    clock.runUntil(0);
    for (Micros at = 5; at < 300; at += 45) clock.scheduleAt(at, [&] { clock.unblock(worker); });
    for (Micros horizon = 50; horizon <= 400; horizon += 50) clock.runUntil(horizon);
    EXPECT_EQ(clock.threadCount(), 0u);  // every thread ran to its end
    finish(clock);
    return journal.entries;
}

TEST(VirtualClockDeterminism, RepeatedRunsGiveTheSameJournal) {
    std::vector<std::string> first = busyRun();
    ASSERT_GT(first.size(), 15u);
    for (int run = 0; run < 5; ++run) EXPECT_EQ(busyRun(), first) << "run " << run;
}

TEST(VirtualClockAuto, TheCallingThreadIsMainAndSleepsJumpTime) {
    VirtualClock clock(ClockMode::Auto, 100);
    Journal journal;
    clock.scheduleAt(600, [&] { journal.note(clock, "event"); });
    clock.startThread([&] {
        clock.sleepFor(200);
        journal.note(clock, "helper");
    });
    clock.sleepFor(1000);
    journal.note(clock, "main");
    EXPECT_TRUE(clock.registered());
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"300 helper", "600 event", "1100 main"}));
    clock.exitCurrent();
}

TEST(VirtualClockRealtime, SleepsForRealAndAppliesDueEvents) {
    VirtualClock clock(ClockMode::Realtime, 0);
    std::atomic<bool> applied{false};
    Micros before = clock.now();
    clock.sleepFor(2000);
    EXPECT_GE(clock.now(), before + 2000);
    clock.scheduleAt(clock.now() + 1000, [&] { applied = true; });
    clock.runUntil(clock.now() + 3000);
    EXPECT_TRUE(applied.load());
}

TEST(VirtualClockRealtime, BlockWaitsForUnblockFromAnotherThread) {
    VirtualClock clock(ClockMode::Realtime, 0);
    std::atomic<VirtualClock::Token> token{-1};
    std::atomic<bool> woke{false};
    clock.startThread([&] {
        token = clock.current();
        woke = clock.block();
    });
    while (token.load() < 0) std::this_thread::yield();
    EXPECT_FALSE(woke.load());
    clock.unblock(token);
    while (clock.threadCount() > 0) std::this_thread::yield();
    EXPECT_TRUE(woke.load());
}

}  // namespace
