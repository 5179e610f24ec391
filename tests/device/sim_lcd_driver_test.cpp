// The terminal's own display driver against the display model: the pins are
// sim::Pins and time is a hand-moved clock that the driver's pauses advance,
// so what the glass shows is what the product's bus and driver make of it.
#include <gtest/gtest.h>

#include <wiringPi.h>

#include <string>

#include "drivers/soft_lcd.h"
#include "platform/platform.h"
#include "sim/devices/i2c_display.h"
#include "tests/support/sim_bus_master.h"

namespace {

simtest::ManualClock* gClock = nullptr;
sim::Pins* gPins = nullptr;
sim::I2cDisplay* gDisplay = nullptr;

void pass(sim::Micros micros) {
    gClock->advance(micros);
    if (gDisplay) gDisplay->service();
}

}  // namespace

// The slice of wiringPi the driver uses, over the model's pins.
extern "C" {
int wiringPiSetup(void) {
    return 0;
}
void pinMode(int pin, int mode) {
    gPins->setMode(pin, mode);
}
void pullUpDnControl(int pin, int pud) {
    gPins->setPull(pin, pud);
}
int digitalRead(int pin) {
    return gPins->read(pin);
}
void digitalWrite(int pin, int value) {
    gPins->write(pin, value);
}
void pwmWrite(int pin, int value) {
    gPins->pwm(pin, value);
}
void pwmSetRange(unsigned int) {}
void pwmSetClock(int) {}
void delay(unsigned int ms) {
    pass(ms * 1000ull);
}
void delayMicroseconds(unsigned int us) {
    pass(us);
}
unsigned int millis(void) {
    return static_cast<unsigned int>(gClock->now() / 1000);
}
unsigned int micros(void) {
    return static_cast<unsigned int>(gClock->now());
}
}

namespace platform {
void usleep(unsigned long us) {
    pass(us);
}
}  // namespace platform

namespace {

class SimLcdDriverTest : public ::testing::Test {
  protected:
    explicit SimLcdDriverTest(int address = 0x27) : display(pins, clock, trace, address) {
        gClock = &clock;
        gPins = &pins;
        gDisplay = &display;
    }
    ~SimLcdDriverTest() override { gDisplay = nullptr; }

    std::string row(int r) const { return display.rowText(r); }

    simtest::ManualClock clock;
    sim::Pins pins;
    sim::Trace trace;
    sim::I2cDisplay display;
};

TEST_F(SimLcdDriverTest, StartUpFindsTheDisplayAndPrintsWithoutFaults) {
    RpLcd lcd;
    ASSERT_TRUE(lcd.setParam(9, 8, 0x27, 4, 20));
    lcd.lcdPrint("KALVENTRIX", 1, 1, false);
    lcd.lcdPrint("v2.77", 3, 2, false);

    EXPECT_EQ(row(1), "     KALVENTRIX     ");
    EXPECT_EQ(row(3), "               v2.77");
    EXPECT_EQ(lcd.shadowRow(1), row(1));
    const sim::Glass glass = display.glass();
    EXPECT_TRUE(glass.display && glass.backlight);
    EXPECT_FALSE(glass.cursor || glass.blink);
    EXPECT_FALSE(lcd.hasFailed());
    EXPECT_TRUE(pins.contentions().empty());
    EXPECT_EQ(trace.counters().nacks, 0u);
    for (const auto& violation : display.violations())
        ADD_FAILURE() << violation.at << "us: " << violation.what;
}

TEST_F(SimLcdDriverTest, ProbeOfTheWrongAddressFails) {
    RpLcd lcd;
    EXPECT_FALSE(lcd.setParam(9, 8, 0x3F, 4, 20));
    EXPECT_FALSE(display.glass().display);  // the controller was left alone
    // The fallback of start-up: the right address still works after the failed probe.
    ASSERT_TRUE(lcd.setParam(9, 8, 0x27, 4, 20));
    lcd.lcdPrint("ok", 0, 0, false);
    EXPECT_EQ(row(0).substr(0, 2), "ok");
}

TEST_F(SimLcdDriverTest, TextPastTheRowEndFollowsTheAddressCounter) {
    RpLcd lcd;
    ASSERT_TRUE(lcd.setParam(9, 8, 0x27, 4, 20));
    lcd.pos(0, 0);
    lcd.print("abcdefghijklmnopqrstu");
    EXPECT_EQ(row(0), "abcdefghijklmnopqrst");
    EXPECT_EQ(row(2)[0], 'u');
    EXPECT_EQ(lcd.shadowAt(2, 0), 'u');
}

TEST_F(SimLcdDriverTest, CustomGlyphAndBackupRestoreRoundTrip) {
    RpLcd lcd;
    ASSERT_TRUE(lcd.setParam(9, 8, 0x27, 4, 20));
    const unsigned char glyph[8] = {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F, 0x00};
    lcd.lcdPrint("menu", 0, 0, false);
    lcd.create_char(5, glyph);
    lcd.raw(1, 5);
    const sim::Glass glass = display.glass();
    EXPECT_EQ(glass.cells[0][4], 5);  // drawn where the text left the cursor
    for (int line = 0; line < 8; ++line) EXPECT_EQ(glass.cgram[5][line], glyph[line]) << line;

    lcd.backup();
    lcd.clear();
    lcd.lcdPrint("pop-up", 2, 1, true);
    lcd.restore();
    EXPECT_EQ(row(0).substr(0, 4), "menu");
    EXPECT_EQ(row(2), std::string(20, ' '));
}

TEST_F(SimLcdDriverTest, BusResetFreesDataHeldForAFewClockPulses) {
    display.holdData(15);  // more than one burst of ten pulses
    RpLcd lcd;
    ASSERT_TRUE(lcd.setParam(9, 8, 0x27, 4, 20));
    lcd.lcdPrint("freed", 0, 0, false);
    EXPECT_EQ(row(0).substr(0, 5), "freed");
    EXPECT_EQ(trace.grep("lcd releases SDA").size(), 1u);
}

TEST_F(SimLcdDriverTest, StretchedClockDelaysButDoesNotBreakTheTransfer) {
    pins.setMode(9, INPUT);
    pins.setPull(9, PUD_UP);
    RpLcd lcd;
    ASSERT_TRUE(lcd.setParam(9, 8, 0x27, 4, 20));
    const sim::Micros before = clock.now();
    display.holdClock(300000);
    lcd.lcdPrint("late", 0, 0, false);
    EXPECT_GE(clock.now() - before, 300000u);
    EXPECT_EQ(row(0).substr(0, 4), "late");
}

}  // namespace
