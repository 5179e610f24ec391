// The bus trace: bounded, resettable, readable.
#include <gtest/gtest.h>

#include "sim/devices/trace.h"

namespace {

TEST(SimTraceTest, CapKeepsTheNewestEntries) {
    sim::Trace trace(3);
    for (int i = 0; i < 5; ++i)
        trace.log(static_cast<sim::Micros>(i), "entry " + std::to_string(i));
    const auto entries = trace.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.front().text, "entry 2");
    EXPECT_EQ(entries.back().text, "entry 4");
    EXPECT_EQ(trace.dropped(), 2u);
    trace.setCap(1);
    EXPECT_EQ(trace.entries().size(), 1u);
    EXPECT_EQ(trace.dropped(), 4u);
}

TEST(SimTraceTest, DisabledTextStillCounts) {
    sim::Trace trace;
    trace.setEnabled(false);
    trace.log(1, "not kept");
    trace.countTransaction();
    trace.countByte();
    trace.countNack();
    trace.countPortWrite();
    trace.countCommand();
    trace.countDataWrite();
    EXPECT_TRUE(trace.entries().empty());
    const auto counters = trace.counters();
    EXPECT_EQ(counters.transactions, 1u);
    EXPECT_EQ(counters.bytes, 1u);
    EXPECT_EQ(counters.nacks, 1u);
    EXPECT_EQ(counters.portWrites, 1u);
    EXPECT_EQ(counters.commands, 1u);
    EXPECT_EQ(counters.dataWrites, 1u);

    trace.clear();
    EXPECT_EQ(trace.counters().transactions, 0u);
}

TEST(SimTraceTest, LinesCarryTheTimeInSecondsAndMicroseconds) {
    sim::Trace trace;
    trace.log(12345678, "i2c start");
    trace.log(5, "lcd data 'A'");
    EXPECT_EQ(trace.lines()[0], "[    12.345678] i2c start");
    EXPECT_EQ(trace.lines()[1], "[     0.000005] lcd data 'A'");
    EXPECT_EQ(trace.grep("lcd").size(), 1u);
    EXPECT_TRUE(trace.grep("absent").empty());
}

}  // namespace
