// The thermal printer model: byte streams as the driver sends them become
// paper lines with the right text and modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/devices/printer_model.h"
#include "tests/support/sim_bus_master.h"

namespace {

using sim::Justify;
using sim::PaperLine;

const std::string ESC = "\x1b";
const std::string GS = "\x1d";
const std::string DC2 = "\x12";

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int value : values) out += static_cast<char>(value);
    return out;
}

class SimPrinterTest : public ::testing::Test {
  protected:
    SimPrinterTest() : printer(clock, trace) {}

    std::vector<std::string> texts() {
        std::vector<std::string> out;
        for (const PaperLine& line : printer.takeLines()) out.push_back(line.text);
        return out;
    }

    simtest::ManualClock clock;
    sim::Trace trace;
    sim::PrinterModel printer;
};

TEST_F(SimPrinterTest, TextWrapsAtThirtyTwoAndSixteenInDoubleWidth) {
    const std::string full(32, 'a');
    printer.put(full);
    EXPECT_TRUE(printer.takeLines().empty());  // a full line waits for what comes next
    printer.put("\n");
    EXPECT_EQ(texts(), std::vector<std::string>{full});  // no extra empty line

    printer.put(full + "b\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{full, "b"}));

    printer.put(ESC + bytes({'!', 0x20}) + std::string(17, 'w') + "\n");
    const auto lines = printer.takeLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, std::string(16, 'w'));
    EXPECT_TRUE(lines[0].doubleWidth);
    EXPECT_EQ(lines[1].text, "w");

    // Mixed widths share the 32 cells: 10 wide characters leave room for 12 narrow ones.
    printer.put(std::string(10, 'W') + ESC + bytes({'!', 0}) + std::string(13, 'n') + "\n");
    EXPECT_EQ(texts(),
              (std::vector<std::string>{std::string(10, 'W') + std::string(12, 'n'), "n"}));
}

TEST_F(SimPrinterTest, LineTakesTheModesOfItsFirstCharacter) {
    printer.put(ESC + bytes({'a', 1}) + ESC + bytes({'!', 0x08 | 0x10 | 0x04 | 0x40 | 0x01}));
    printer.put(GS + bytes({'B', 1}) + ESC + bytes({'-', 2}) + "Title\n");
    printer.put(ESC + bytes({'!', 0}) + GS + bytes({'B', 0}) + ESC + bytes({'-', '0'}));
    printer.put(ESC + bytes({'a', '2'}) + "right\n");
    printer.put(ESC + bytes({'a', 0}) + GS + bytes({'!', 0x11}) + "big\n");
    printer.put(GS + bytes({'!', 0x01}) + "tall\n");

    const auto lines = printer.takeLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].justify, Justify::Center);
    EXPECT_TRUE(lines[0].bold && lines[0].doubleHeight && lines[0].upsideDown);
    EXPECT_TRUE(lines[0].strike && lines[0].fontB && lines[0].inverse && lines[0].underline);
    EXPECT_FALSE(lines[0].doubleWidth);

    EXPECT_EQ(lines[1].justify, Justify::Right);
    EXPECT_FALSE(lines[1].bold || lines[1].inverse || lines[1].underline || lines[1].doubleHeight);

    EXPECT_TRUE(lines[2].doubleWidth && lines[2].doubleHeight);
    EXPECT_EQ(lines[2].justify, Justify::Left);
    EXPECT_TRUE(lines[3].doubleHeight);
    EXPECT_FALSE(lines[3].doubleWidth);
}

TEST_F(SimPrinterTest, FeedsMakeEmptyLines) {
    printer.put("\n\n");
    EXPECT_EQ(texts(), (std::vector<std::string>{"", ""}));
    printer.put(ESC + bytes({'d', 3}));
    EXPECT_EQ(texts().size(), 3u);
    printer.put("ab" + ESC + bytes({'d', 3}));  // the text line is the first of the three
    EXPECT_EQ(texts(), (std::vector<std::string>{"ab", "", ""}));
    printer.put("cd" + ESC + bytes({'d', 0}));
    EXPECT_EQ(texts(), std::vector<std::string>{"cd"});

    // Dot feeds add up to whole lines of the current line height.
    printer.put(ESC + bytes({'3', 24}) + ESC + bytes({'J', 20}));
    EXPECT_TRUE(texts().empty());
    printer.put(ESC + bytes({'J', 30}));
    EXPECT_EQ(texts().size(), 2u);
    printer.put("ef" + ESC + bytes({'J', 5}));
    EXPECT_EQ(texts(), std::vector<std::string>{"ef"});
    EXPECT_EQ(printer.settings().lineHeight, 24);
    printer.put(ESC + "2");
    EXPECT_EQ(printer.settings().lineHeight, 30);

    printer.put("gh" + bytes({0x0C}));  // form feed prints what is pending
    EXPECT_EQ(texts(), std::vector<std::string>{"gh"});
    printer.put(bytes({0x0C}));
    EXPECT_TRUE(texts().empty());
}

TEST_F(SimPrinterTest, TabsGoToTheNextStop) {
    printer.put(ESC + "D" + bytes({4, 8, 12, 0}));
    printer.put("a\tb\tc\n");
    EXPECT_EQ(texts(), std::vector<std::string>{"a   b   c"});
    printer.put("0123456789012\tX\n");  // past the last stop: ignored
    EXPECT_EQ(texts(), std::vector<std::string>{"0123456789012X"});
    printer.put(ESC + "@" + "\tY\n");  // power-on stops every 8 columns
    EXPECT_EQ(texts(), std::vector<std::string>{"        Y"});
}

TEST_F(SimPrinterTest, ResetClearsBufferAndModes) {
    printer.put(ESC + bytes({'!', 0x28}) + ESC + bytes({'a', 1}) + "lost");
    printer.put(ESC + "@" + "kept\n");
    const auto lines = printer.takeLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "kept");
    EXPECT_FALSE(lines[0].bold || lines[0].doubleWidth);
    EXPECT_EQ(lines[0].justify, Justify::Left);
    EXPECT_EQ(printer.bytesDropped(), 4u);
}

TEST_F(SimPrinterTest, OfflineDropsTextUntilOnlineAgain) {
    printer.put(ESC + bytes({'=', 0}) + "hidden\n" + ESC + bytes({'d', 2}));
    EXPECT_TRUE(printer.takeLines().empty());
    EXPECT_FALSE(printer.settings().online);
    printer.put(ESC + bytes({'=', 1}) + "shown\n");
    EXPECT_EQ(texts(), std::vector<std::string>{"shown"});
    EXPECT_EQ(printer.bytesDropped(), 7u + 3u);
}

TEST_F(SimPrinterTest, ForbiddenAndUnknownBytesAreRecorded) {
    clock.advance(1234);
    printer.put("a" + bytes({0x13}) + "b\n");
    ASSERT_EQ(printer.faults().size(), 1u);
    EXPECT_EQ(printer.faults()[0].at, 1234u);
    EXPECT_EQ(texts(), std::vector<std::string>{"ab"});

    printer.put(ESC + "q" + GS + "x" + DC2 + "T" + bytes({0x05}) + "z\n");
    EXPECT_EQ(printer.unknownSequences(), 4);
    EXPECT_EQ(printer.unknownList()[0], "ESC 0x71");
    EXPECT_EQ(texts(), std::vector<std::string>{"z"});  // text after them is intact
}

TEST_F(SimPrinterTest, SettingsCommandsAreConsumedWithTheirParameters) {
    printer.put(ESC + bytes({'R', 15}) + ESC + bytes({'t', 47}) + ESC + bytes({' ', 3}));
    printer.put(ESC + bytes({'%', 1}) + ESC + bytes({'8', 0x2C, 0x01}) + "x\n");
    const auto settings = printer.settings();
    EXPECT_EQ(settings.charset, 15);
    EXPECT_EQ(settings.codePage, 47);
    EXPECT_EQ(settings.charSpacing, 3);
    EXPECT_TRUE(settings.userChars);
    EXPECT_EQ(settings.sleepSeconds, 300);
    EXPECT_EQ(texts(), std::vector<std::string>{"x"});
    EXPECT_EQ(printer.unknownSequences(), 0);

    printer.setFirmware(2.5f);  // older firmware: ESC 8 takes one byte
    printer.put(ESC + bytes({'8', 1}) + "y\n");
    EXPECT_EQ(printer.settings().sleepSeconds, 1);
    EXPECT_EQ(texts(), std::vector<std::string>{"y"});
}

TEST_F(SimPrinterTest, OverlongTabListEndsAtThirtyTwoStops) {
    std::string stops;
    for (int i = 1; i <= 33; ++i) stops += static_cast<char>(i);
    printer.put(ESC + "D" + stops + "\n");
    EXPECT_EQ(printer.settings().tabStops.size(), 32u);
    const auto lines = texts();  // the 33rd byte (0x21, '!') was printed as text
    EXPECT_EQ(lines, std::vector<std::string>{"!"});
}

TEST_F(SimPrinterTest, TakeLinesHandsEachLineOnceAllLinesKeepsThem) {
    printer.put("one\ntwo\n");
    EXPECT_EQ(printer.takeLines().size(), 2u);
    printer.put("three\n");
    EXPECT_EQ(texts(), std::vector<std::string>{"three"});
    EXPECT_TRUE(printer.takeLines().empty());
    EXPECT_EQ(printer.allLines().size(), 3u);
    printer.put("pend");
    EXPECT_EQ(printer.pendingText(), "pend");
}

}  // namespace
