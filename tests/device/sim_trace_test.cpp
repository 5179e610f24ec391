// The bus trace: bounded, stamped, and counting even with its text off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/devices/trace.h"

TEST(SimTrace, KeepsTheNewestEntriesUpToItsCapAndCountsWithTheTextOff) {
    sim::Trace trace(3);
    for (int i = 1; i <= 5; ++i) trace.log(i * 1000001ull, "entry " + std::to_string(i));
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"[     3.000003] entry 3", "[     4.000004] entry 4",
                                        "[     5.000005] entry 5"}));
    EXPECT_EQ(trace.dropped(), 2u);
    trace.setEnabled(false);
    trace.log(6, "not kept");
    trace.countNack();
    EXPECT_EQ(trace.entries().size(), 3u);
    EXPECT_EQ(trace.counters().nacks, 1u);
    trace.clear();
    EXPECT_EQ(trace.counters().nacks + trace.entries().size(), 0u);
}
