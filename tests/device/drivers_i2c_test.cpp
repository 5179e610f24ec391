// The bit-banged bus master against the board's display slave: addressing,
// acknowledge, a read, a stretched clock, a stuck data line and the bounded
// stop/reset recovery.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drivers/soft_i2c.h"
#include "tests/support/drivers_support.h"

using namespace drivers_test;

namespace {

// Counts the clock line's falls from now on. The board keeps its listeners
// for good, hence the shared counter.
std::shared_ptr<int> clockFalls() {
    auto falls = std::make_shared<int>(0);
    board().pins().addListener([falls](int pin, int level) {
        if (pin == kScl && level == 0) ++*falls;
    });
    return falls;
}

int addressAck(i2c_t bus, int address) {
    i2c_start(bus);
    const int ack = i2c_send_byte(bus, static_cast<unsigned char>(address << 1));
    i2c_stop(bus);
    return ack;
}

class SoftI2cTest : public BoardTest {};

}  // namespace

TEST_F(SoftI2cTest, OnlyTheDisplaysAddressAnswersAndItsPortReadsBack) {
    const i2c_t bus = i2c_init(kScl, kSda);
    EXPECT_EQ(addressAck(bus, 0x3F), 1);
    EXPECT_EQ(addressAck(bus, 0x26), 1);
    i2c_start(bus);  // a refused address leaves the bus usable
    ASSERT_EQ(i2c_send_byte(bus, 0x27 << 1), 0);
    EXPECT_EQ(i2c_send_byte(bus, 0xA8), 0);  // E low: nothing reaches the controller
    i2c_stop(bus);
    EXPECT_EQ(display().port(), 0xA8);

    i2c_start(bus);
    ASSERT_EQ(i2c_send_byte(bus, 0x27 << 1 | 1), 0);
    EXPECT_EQ(i2c_read_byte(bus), 0xA8);
    i2c_send_bit(bus, 1);  // not-acknowledge ends the read
    i2c_stop(bus);
    EXPECT_EQ(digitalRead(kScl) + digitalRead(kSda), 2) << "both lines released";
    EXPECT_EQ(addressAck(bus, 0x27), 0);
}

TEST_F(SoftI2cTest, StretchedClockIsWaitedForThenWarnedOnceAfterFiveSeconds) {
    const std::string held = "Warning: I2C Bus busy or defective. Pin 9 is LOW for 5s.\n";
    struct Case {
        sim::Micros hold;
        std::string warning;
        sim::Micros atLeast, below;
    };
    const i2c_t bus = i2c_init(kScl, kSda);
    for (const Case& c :
         {Case{300000, "", 300000, 600000}, Case{5200000, held, 4900000, 5600000}}) {
        testing::internal::CaptureStderr();
        const sim::Micros before = now();
        display().holdClock(c.hold);
        board().clock().scheduleAt(now() + c.hold, [] { display().service(); });
        addressAck(bus, 0x27);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning);
        EXPECT_GE(now() - before, c.atLeast);
        EXPECT_LT(now() - before, c.below);
        EXPECT_EQ(addressAck(bus, 0x27), 0) << "the bus works once the clock is free";
    }
}

// Reset: bursts of ten clock pulses, SDA checked 10 ms after each, then a stop.
TEST_F(SoftI2cTest, StuckDataIsClockedFreeOrWarnedAfterAHundredBursts) {
    const std::string stuck =
        "Warning: I2C Bus busy or defective. SDA doesn't go UP after reset.\n";
    struct Case {
        int pulses;  // 0: held for good
        std::string warning;
        int falls;
        sim::Micros atLeast, below;
    };
    for (const Case& c :
         {Case{25, "", 3 * 10 + 1, 30000, 40000}, Case{0, stuck, 100 * 10, 990000, 1200000}}) {
        display().holdData(c.pulses);
        const auto falls = clockFalls();
        testing::internal::CaptureStderr();
        const sim::Micros before = now();
        const i2c_t bus = i2c_init(kScl, kSda);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning);
        EXPECT_EQ(*falls, c.falls);
        EXPECT_GE(now() - before, c.atLeast);
        EXPECT_LT(now() - before, c.below);
        display().releaseData();
        EXPECT_EQ(addressAck(bus, 0x27), 0) << c.pulses;
    }
}

// A line that frees SDA for every reset check and grabs it again for every
// stop would make the stop and the reset call each other for ever.
TEST(SoftI2cRecovery, StopAndResetDoNotCallEachOtherWithoutEnd) {
    freshBoard(0);
    sim::Pins& pins = board().pins();
    const int party = pins.addParty("toggler");
    auto fallsSinceGrab = std::make_shared<int>(0);
    pins.pullLow(party, kSda, true);
    pins.addListener([&pins, party, fallsSinceGrab](int pin, int level) {
        if (pin != kScl || level != 0) return;
        const bool held = *fallsSinceGrab >= 0;
        if (held && ++*fallsSinceGrab == 10)
            *fallsSinceGrab = -1;
        else if (!held)
            *fallsSinceGrab = 0;
        pins.pullLow(party, kSda, *fallsSinceGrab >= 0);
    });
    const auto falls = clockFalls();
    testing::internal::CaptureStderr();
    i2c_init(kScl, kSda);
    testing::internal::GetCapturedStderr();
    // Each reset frees the line after one burst; the stop that follows finds
    // it held again. Two rounds, then the stop gives up.
    EXPECT_GT(*falls, 10);
    EXPECT_LT(*falls, 100);
    pins.pullLow(party, kSda, false);
}
