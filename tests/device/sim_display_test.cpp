// The display module on the bus: a test-side master bit-bangs the lines and
// the model must answer like a PCF8574 with an HD44780 behind it.
#include <gtest/gtest.h>

#include <string>

#include "sim/devices/i2c_display.h"
#include "tests/support/sim_bus_master.h"

namespace {

using simtest::BusMaster;
using simtest::LcdMaster;
using simtest::ManualClock;

class SimDisplayTest : public ::testing::Test {
  protected:
    SimDisplayTest() : display(pins, clock, trace, 0x27), bus(pins, clock), lcd(bus, clock) {
        bus.init();
        bus.onWait = [this] { display.service(); };
    }

    std::string row(int r) { return display.rowText(r); }
    static std::string padded(const std::string& text) {
        return text + std::string(20 - text.size(), ' ');
    }

    ManualClock clock;
    sim::Pins pins;
    sim::Trace trace;
    sim::I2cDisplay display;
    BusMaster bus;
    LcdMaster lcd;
};

// --- The I2C slave and the expander's port -------------------------------

TEST_F(SimDisplayTest, WriteTransactionIsAcknowledgedAndLatchedOnThePort) {
    bus.start();
    EXPECT_EQ(bus.sendByte(0x27 << 1), 0);
    EXPECT_EQ(bus.sendByte(0xA5), 0);
    EXPECT_EQ(bus.sendByte(0x5A), 0);
    bus.stop();

    EXPECT_EQ(display.port(), 0x5A);
    const auto counters = trace.counters();
    EXPECT_EQ(counters.transactions, 1u);
    EXPECT_EQ(counters.bytes, 2u);
    EXPECT_EQ(counters.portWrites, 2u);
    EXPECT_EQ(counters.nacks, 0u);
    EXPECT_EQ(trace.grep("i2c addr 0x27 W ACK").size(), 1u);
    EXPECT_EQ(trace.grep("pcf8574 port 0xa5").size(), 1u);
    EXPECT_EQ(trace.grep("i2c stop").size(), 1u);
    // Both lines are free again after the stop.
    EXPECT_EQ(pins.read(9), 1);
    EXPECT_EQ(pins.read(8), 1);
}

TEST_F(SimDisplayTest, OtherAddressesGetNoAcknowledgeAndLeaveThePortAlone) {
    bus.start();
    EXPECT_EQ(bus.sendByte(0x3F << 1), 1);
    EXPECT_EQ(bus.sendByte(0x00), 1);  // not addressed: ignored until the next start
    bus.stop();
    EXPECT_EQ(display.port(), 0xFF);
    EXPECT_EQ(trace.counters().nacks, 1u);
    EXPECT_EQ(trace.counters().portWrites, 0u);

    // The general call and the address with the read bit of a neighbour do not match either.
    bus.start();
    EXPECT_EQ(bus.sendByte(0x00), 1);
    bus.stop();
    bus.start();
    EXPECT_EQ(bus.sendByte((0x26 << 1) | 1), 1);
    bus.stop();

    display.setAddress(0x3F);
    EXPECT_TRUE(lcd.portWrite(0x10) == false);  // the test master still talks to 0x27
    LcdMaster other(bus, clock, 0x3F);
    EXPECT_TRUE(other.portWrite(0x10));
    EXPECT_EQ(display.port(), 0x10);
}

TEST_F(SimDisplayTest, AbsentDisplayNeverAnswers) {
    display.setAddress(0);
    EXPECT_FALSE(display.glass().present);
    for (int address : {0x00, 0x27, 0x3F}) {
        bus.start();
        EXPECT_EQ(bus.sendByte(static_cast<std::uint8_t>(address << 1)), 1) << address;
        bus.stop();
    }
    EXPECT_EQ(trace.counters().portWrites, 0u);
}

TEST_F(SimDisplayTest, ReadReturnsPortBitsAndReleasesDataForTheMaster) {
    ASSERT_TRUE(lcd.portWrite(0x0B));  // RS, RW and backlight high, data lines low
    // Low bits stay low, high bits read high while the controller does not drive.
    EXPECT_EQ(lcd.portRead(), 0x0B);
    EXPECT_EQ(trace.counters().portReads, 1u);
    EXPECT_EQ(trace.grep("NACK (master)").size(), 1u);
    // The slave let go of the data line: a later write still works.
    EXPECT_TRUE(lcd.portWrite(0x08));
    EXPECT_EQ(display.port(), 0x08);
}

TEST_F(SimDisplayTest, MasterAcknowledgedReadsGoOnWithTheNextByte) {
    ASSERT_TRUE(lcd.portWrite(0xF0));
    bus.start();
    ASSERT_EQ(bus.sendByte((0x27 << 1) | 1), 0);
    EXPECT_EQ(bus.readByte(), 0xF0);
    bus.sendBit(0);  // acknowledge: one more byte
    EXPECT_EQ(bus.readByte(), 0xF0);
    bus.sendBit(1);
    bus.stop();
    EXPECT_EQ(trace.counters().portReads, 2u);
}

TEST_F(SimDisplayTest, RepeatedStartBeginsANewAddressPhase) {
    bus.start();
    ASSERT_EQ(bus.sendByte(0x27 << 1), 0);
    ASSERT_EQ(bus.sendByte(0x31), 0);
    bus.start();  // both lines rest low between bytes: this is a repeated start
    EXPECT_EQ(bus.sendByte((0x27 << 1) | 1), 0);
    EXPECT_EQ(bus.readByte(), 0x31);
    bus.sendBit(1);
    bus.stop();
    EXPECT_EQ(trace.grep("i2c repeated start").size(), 1u);
    EXPECT_EQ(trace.counters().transactions, 2u);
}

TEST_F(SimDisplayTest, MasterDrivingHighAgainstTheAcknowledgeIsContention) {
    bus.start();
    for (int i = 0; i < 8; ++i) bus.sendBit(((0x27 << 1) >> (7 - i)) & 1);
    // Ninth clock: the slave pulls data low; a faulty master drives it high.
    ASSERT_TRUE(display.glass().present);
    pins.setMode(8, OUTPUT);
    pins.write(8, 1);
    bus.releaseWait(9);
    EXPECT_EQ(pins.read(8), 0);  // the open-drain line stays low
    const auto contentions = pins.contentions();
    ASSERT_FALSE(contentions.empty());
    EXPECT_EQ(contentions.front().pin, 8);
    EXPECT_EQ(contentions.front().party, "lcd");
    bus.pull(9);
    bus.pull(8);
    bus.stop();
}

TEST_F(SimDisplayTest, StretchedClockIsReleasedWhenItsTimeIsUp) {
    bus.pull(9);
    display.holdClock(250000);
    EXPECT_EQ(display.nextDeadline(), clock.now() + 250000);
    bus.releaseWait(9);
    EXPECT_EQ(pins.read(9), 1);
    EXPECT_EQ(bus.warnings, 0);
    EXPECT_EQ(display.nextDeadline(), 0u);
    EXPECT_GE(clock.now(), 250000u);
    EXPECT_LT(clock.now(), 250000u + 100000u + 100u);  // released at the first poll after it
}

TEST_F(SimDisplayTest, ClockHeldPastTheMastersPatienceMakesOneWarning) {
    bus.pull(9);
    display.holdClock(10000000);
    bus.releaseWait(9);
    EXPECT_EQ(bus.warnings, 1);
    EXPECT_EQ(pins.read(9), 0);
    display.releaseClock();
    EXPECT_EQ(pins.read(9), 1);
}

TEST_F(SimDisplayTest, StuckDataIsFreedAfterTheGivenClockPulses) {
    display.holdData(3);
    EXPECT_EQ(pins.read(8), 0);
    bus.pulse();
    bus.pulse();
    EXPECT_EQ(pins.read(8), 0);
    bus.pulse();  // released on the third falling edge, while the clock is low
    EXPECT_EQ(pins.read(8), 1);
    EXPECT_EQ(trace.grep("i2c stop").size(), 0u);  // no stop condition was made by the release

    display.holdData();
    for (int i = 0; i < 20; ++i) bus.pulse();
    EXPECT_EQ(pins.read(8), 0);
    display.releaseData();
    EXPECT_EQ(pins.read(8), 1);
}

// --- The controller -------------------------------------------------------

TEST_F(SimDisplayTest, InitialisationThenTextShowsOnTheGlass) {
    sim::Glass before = display.glass();
    EXPECT_FALSE(before.display);
    lcd.init();
    lcd.text("Hello");
    const sim::Glass glass = display.glass();
    EXPECT_TRUE(glass.display);
    EXPECT_FALSE(glass.cursor);
    EXPECT_FALSE(glass.blink);
    EXPECT_TRUE(glass.backlight);
    EXPECT_TRUE(display.controller().fourBit());
    EXPECT_TRUE(display.controller().twoLine());
    EXPECT_EQ(row(0), padded("Hello"));
    for (int r = 1; r < 4; ++r) EXPECT_EQ(row(r), padded("")) << r;
    EXPECT_EQ(glass.cursorRow, 0);
    EXPECT_EQ(glass.cursorCol, 5);
    EXPECT_TRUE(display.violations().empty());
    EXPECT_EQ(trace.grep("lcd data 'H'").size(), 1u);
    EXPECT_EQ(trace.grep("lcd cmd 0x28 function 4-bit 2-line 5x8").size(), 1u);
}

TEST_F(SimDisplayTest, RowsStartAtTheirAddressesAndRunOnAsTheCounterGoes) {
    lcd.init();
    const int starts[] = {0x00, 0x40, 0x14, 0x54};
    for (int r = 0; r < 4; ++r) {
        lcd.command(static_cast<std::uint8_t>(0x80 | starts[r]));
        lcd.data(static_cast<std::uint8_t>('A' + r));
    }
    EXPECT_EQ(row(0)[0], 'A');
    EXPECT_EQ(row(1)[0], 'B');
    EXPECT_EQ(row(2)[0], 'C');
    EXPECT_EQ(row(3)[0], 'D');

    // Past column 19 of row 0 lies row 2; past row 1 lies row 3.
    lcd.command(0x80 | 0x13);
    lcd.text("xy");
    EXPECT_EQ(row(0)[19], 'x');
    EXPECT_EQ(row(2)[0], 'y');
    lcd.command(0x80 | 0x53);
    lcd.text("pq");
    EXPECT_EQ(row(1)[19], 'p');
    EXPECT_EQ(row(3)[0], 'q');

    // The end of each line runs on into the start of the other.
    lcd.command(0x80 | 0x27);
    lcd.text("12");
    EXPECT_EQ(row(2)[19], '1');
    EXPECT_EQ(row(1)[0], '2');
    lcd.command(0x80 | 0x67);
    lcd.text("34");
    EXPECT_EQ(row(3)[19], '3');
    EXPECT_EQ(row(0)[0], '4');
}

TEST_F(SimDisplayTest, TwentyOneCharactersEndOnTheThirdRow) {
    lcd.init();
    lcd.text("abcdefghijklmnopqrstu");
    EXPECT_EQ(row(0), "abcdefghijklmnopqrst");
    EXPECT_EQ(row(2), padded("u"));
    EXPECT_EQ(row(1), padded(""));
    const sim::Glass glass = display.glass();
    EXPECT_EQ(glass.cursorRow, 2);
    EXPECT_EQ(glass.cursorCol, 1);
}

TEST_F(SimDisplayTest, CustomGlyphShowsItsBitmap) {
    lcd.init();
    const std::uint8_t arrow[8] = {0x00, 0x04, 0x06, 0x1F, 0x06, 0x04, 0x00, 0xE0};
    lcd.command(0x80 | 0x45);
    lcd.command(0x40 + 3 * 8);
    for (std::uint8_t line : arrow) lcd.data(line);
    lcd.command(0x80 | 0x45);  // back to the text, as the driver does
    lcd.data(3);
    const sim::Glass glass = display.glass();
    EXPECT_EQ(glass.cells[1][5], 3);
    for (int line = 0; line < 8; ++line)
        EXPECT_EQ(glass.cgram[3][line], arrow[line] & 0x1F) << line;  // only 5 bits are pixels
    for (int line = 0; line < 8; ++line) EXPECT_EQ(glass.cgram[2][line], 0) << line;
    EXPECT_EQ(row(0), padded(""));  // glyph rows did not land in the text memory
}

TEST_F(SimDisplayTest, AddressCounterReadsBackWithTheBusyFlag) {
    lcd.init();
    lcd.command(0x80 | 0x45);
    clock.advance(100);
    EXPECT_EQ(lcd.read(0), 0x45);
    lcd.text("ab");
    clock.advance(100);
    EXPECT_EQ(lcd.read(0), 0x47);
    EXPECT_EQ(trace.grep("lcd read busy=0 ac=0x47").size(), 1u);

    // Clear takes 1.52 ms: a read-back right after it shows the busy flag.
    lcd.command(0x01);
    const int busyRead = lcd.read(0);
    EXPECT_EQ(busyRead & 0x80, 0x80);
    EXPECT_EQ(busyRead & 0x7F, 0x00);
    clock.advance(2000);
    EXPECT_EQ(lcd.read(0), 0x00);
    EXPECT_TRUE(display.violations().empty());  // reading the flag is allowed while busy
}

TEST_F(SimDisplayTest, DataReadsReturnTheCharacterAndMoveTheCounter) {
    lcd.init();
    lcd.text("KV");
    lcd.command(0x80);
    clock.advance(100);
    EXPECT_EQ(lcd.read(1), 'K');
    clock.advance(100);
    EXPECT_EQ(lcd.read(1), 'V');
    clock.advance(100);
    EXPECT_EQ(lcd.read(0), 0x02);
    EXPECT_EQ(trace.counters().dataReads, 2u);
}

TEST_F(SimDisplayTest, WriteWhileBusyIsRecordedAsAViolation) {
    lcd.init();
    lcd.command(0x01);
    const sim::Micros sentAt = clock.now();
    lcd.data('Z');  // well before the 1.52 ms of the clear are over
    const auto violations = display.violations();
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_GT(violations[0].at, sentAt);
    EXPECT_LT(violations[0].at, sentAt + 1520);
    EXPECT_NE(violations[0].what.find("lcd data 'Z'"), std::string::npos);
    EXPECT_EQ(trace.counters().violations, 1u);
    EXPECT_EQ(row(0)[0], 'Z');  // carried out all the same

    display.clearViolations();
    clock.advance(2000);
    lcd.data('Y');
    EXPECT_TRUE(display.violations().empty());
}

TEST_F(SimDisplayTest, ResetSequenceRecoversAControllerLeftMidByte) {
    lcd.init();
    lcd.put(0x40 | LcdMaster::kBacklight);  // half a byte: the controller waits for the rest
    lcd.init();
    lcd.text("ok");
    EXPECT_EQ(row(0), padded("ok"));
    EXPECT_TRUE(display.controller().fourBit());
}

TEST_F(SimDisplayTest, DisplayControlAndBacklightFollowTheCommands) {
    lcd.init();
    lcd.command(0x0F);
    sim::Glass glass = display.glass();
    EXPECT_TRUE(glass.display && glass.cursor && glass.blink);
    lcd.command(0x08);
    glass = display.glass();
    EXPECT_FALSE(glass.display || glass.cursor || glass.blink);
    // The backlight is port bit 3, carried by any byte.
    ASSERT_TRUE(lcd.portWrite(0x00));
    EXPECT_FALSE(display.glass().backlight);
}

TEST_F(SimDisplayTest, DecrementModeAndShiftsMoveTheRightWay) {
    lcd.init();
    lcd.command(0x80 | 0x05);
    lcd.command(0x04);  // decrement
    lcd.text("ab");
    EXPECT_EQ(row(0).substr(4, 2), "ba");
    lcd.command(0x80);
    lcd.data('c');  // from 0x00 backwards the counter goes to the end of the second line
    EXPECT_EQ(display.controller().addressCounter(), 0x67);

    lcd.command(0x06);
    lcd.command(0x80);
    lcd.command(0x14);  // cursor right
    lcd.data('d');
    EXPECT_EQ(row(0)[1], 'd');

    EXPECT_EQ(row(0).substr(0, 6), "cd  ba");

    lcd.command(0x18);  // whole display left by one
    EXPECT_EQ(row(0).substr(0, 6), "d  ba ");
    EXPECT_EQ(row(2)[19], 'c');  // the 40 cells of a line turn round
    lcd.command(0x02);           // home undoes the shift
    clock.advance(2000);
    EXPECT_EQ(row(0).substr(0, 6), "cd  ba");
}

TEST_F(SimDisplayTest, PowerCycleReturnsToTheEightBitBlankState) {
    lcd.init();
    lcd.text("gone");
    display.powerCycle();
    EXPECT_FALSE(display.controller().fourBit());
    EXPECT_FALSE(display.glass().display);
    EXPECT_EQ(display.port(), 0xFF);
    lcd.init();
    EXPECT_EQ(row(0), padded(""));
}

}  // namespace
