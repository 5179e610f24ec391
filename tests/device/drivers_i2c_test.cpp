// The bit-banged bus master against the board's display slave: addressing,
// acknowledge, port reads, a stretched clock, a stuck data line, and the
// bounded stop/reset recovery.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drivers/soft_i2c.h"
#include "tests/support/drivers_support.h"

using namespace drivers_test;

namespace {

int countOf(const std::string& text, const std::string& needle) {
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++count;
    return count;
}

// Counts the clock line's falls from now on. The board keeps its listeners
// for good, hence the shared counter.
struct ClockFalls {
    std::shared_ptr<int> falls = std::make_shared<int>(0);
    ClockFalls() {
        board().pins().addListener([falls = falls](int pin, int level) {
            if (pin == kScl && level == 0) ++*falls;
        });
    }
    int count() const { return *falls; }
};

const std::string kHeldClockWarning = "Warning: I2C Bus busy or defective. Pin 9 is LOW for 5s.\n";
const std::string kStuckDataWarning =
    "Warning: I2C Bus busy or defective. SDA doesn't go UP after reset.\n";

class SoftI2cTest : public BoardTest {};

// The display stretches the clock; the board lets go of it when the time is up.
void holdClockFor(sim::Micros duration) {
    display().holdClock(duration);
    board().clock().scheduleAt(now() + duration, [] { display().service(); });
}

int addressAck(i2c_t bus, int address) {
    i2c_start(bus);
    const int ack = i2c_send_byte(bus, static_cast<unsigned char>(address << 1));
    i2c_stop(bus);
    return ack;
}

}  // namespace

TEST_F(SoftI2cTest, OnlyTheDisplaysAddressIsAcknowledged) {
    const i2c_t bus = i2c_init(kScl, kSda);
    EXPECT_EQ(addressAck(bus, 0x27), 0);
    EXPECT_EQ(addressAck(bus, 0x3F), 1);
    EXPECT_EQ(addressAck(bus, 0x26), 1);
    EXPECT_EQ(addressAck(bus, 0x27), 0);  // a refused address leaves the bus usable
}

TEST_F(SoftI2cTest, WrittenByteReachesThePortAndReadsBack) {
    const i2c_t bus = i2c_init(kScl, kSda);
    i2c_start(bus);
    ASSERT_EQ(i2c_send_byte(bus, 0x27 << 1), 0);
    EXPECT_EQ(i2c_send_byte(bus, 0xA8), 0);  // E low: nothing reaches the controller
    i2c_stop(bus);
    EXPECT_EQ(display().port(), 0xA8);

    i2c_start(bus);
    ASSERT_EQ(i2c_send_byte(bus, 0x27 << 1 | 1), 0);
    EXPECT_EQ(i2c_read_byte(bus), 0xA8);
    i2c_send_bit(bus, 1);  // not-acknowledge ends the read
    i2c_stop(bus);
    EXPECT_EQ(digitalRead(kScl), 1);
    EXPECT_EQ(digitalRead(kSda), 1);
    EXPECT_EQ(addressAck(bus, 0x27), 0);
}

TEST_F(SoftI2cTest, ShortClockStretchIsWaitedOutSilently) {
    const i2c_t bus = i2c_init(kScl, kSda);
    testing::internal::CaptureStderr();
    const sim::Micros before = now();
    holdClockFor(300000);
    i2c_start(bus);
    const int ack = i2c_send_byte(bus, 0x27 << 1);
    i2c_stop(bus);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_GE(now() - before, 300000u);
    EXPECT_LT(now() - before, 600000u);
    EXPECT_EQ(ack, 0);
}

TEST_F(SoftI2cTest, ClockHeldPastFiveSecondsWarnsOnceAndGoesOn) {
    const i2c_t bus = i2c_init(kScl, kSda);
    testing::internal::CaptureStderr();
    const sim::Micros before = now();
    holdClockFor(5200000);
    i2c_start(bus);
    i2c_send_byte(bus, 0x27 << 1);
    i2c_stop(bus);
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(warnings, kHeldClockWarning), 1) << warnings;
    EXPECT_EQ(warnings.size(), kHeldClockWarning.size());
    EXPECT_GE(now() - before, 4900000u);
    EXPECT_EQ(addressAck(bus, 0x27), 0);  // once the clock is free the bus works again
}

TEST_F(SoftI2cTest, DataStuckForSomePulsesIsClockedFreeThenStopped) {
    display().holdData(25);
    ClockFalls falls;
    testing::internal::CaptureStderr();
    const sim::Micros before = now();
    const i2c_t bus = i2c_init(kScl, kSda);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Three bursts of ten, then the clock pulled once for the final stop.
    EXPECT_EQ(falls.count(), 31);
    EXPECT_GE(now() - before, 30000u);
    EXPECT_EQ(digitalRead(kSda), 1);
    EXPECT_EQ(digitalRead(kScl), 1);
    EXPECT_EQ(addressAck(bus, 0x27), 0);
}

TEST_F(SoftI2cTest, DataStuckForGoodWarnsOnceAfterAHundredBursts) {
    display().holdData();
    ClockFalls falls;
    testing::internal::CaptureStderr();
    const sim::Micros before = now();
    i2c_init(kScl, kSda);
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(warnings, kStuckDataWarning), 1) << warnings;
    EXPECT_EQ(warnings.size(), kStuckDataWarning.size());
    EXPECT_EQ(falls.count(), 1000);
    // A 10 ms pause after every burst but the last.
    EXPECT_GE(now() - before, 990000u);
    EXPECT_LT(now() - before, 1200000u);
    display().releaseData();
}

// A line that frees SDA for every reset check and grabs it again for every
// stop would make the stop and the reset call each other for ever.
TEST(SoftI2cRecovery, StopAndResetDoNotCallEachOtherWithoutEnd) {
    freshBoard(0);
    sim::Pins& pins = board().pins();
    struct Toggler {
        int party;
        int fallsSinceGrab = 0;
        bool held = true;
    };
    auto toggler = std::make_shared<Toggler>(Toggler{pins.addParty("toggler")});
    pins.pullLow(toggler->party, kSda, true);
    pins.addListener([&pins, toggler](int pin, int level) {
        if (pin != kScl || level != 0) return;
        if (toggler->held && ++toggler->fallsSinceGrab == 10) {
            toggler->held = false;
            pins.pullLow(toggler->party, kSda, false);
        } else if (!toggler->held) {
            toggler->held = true;
            toggler->fallsSinceGrab = 0;
            pins.pullLow(toggler->party, kSda, true);
        }
    });
    ClockFalls falls;
    testing::internal::CaptureStderr();
    i2c_init(kScl, kSda);
    testing::internal::GetCapturedStderr();
    // Each reset frees the line after one burst; the stop that follows finds
    // it held again. Two rounds, then the stop gives up.
    EXPECT_GT(falls.count(), 10);
    EXPECT_LT(falls.count(), 100);
    pins.pullLow(toggler->party, kSda, false);
}
