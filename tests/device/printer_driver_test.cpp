// The printer driver on the virtual board: its bytes decoded by the board's
// printer model, its pacing measured on the board's clock.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "sim/devices/printer_model.h"
#include "tests/support/drivers_support.h"

using namespace drivers_test;

namespace {

constexpr sim::Micros kByte = 1250;  // at 9600 baud
constexpr sim::Micros kPrintedLine = 24 * 5000 + 6 * 500;
constexpr sim::Micros kEmptyLine = (24 + 6) * 500;

// Text, justification and modes of a paper line: "x C bold tall".
std::string describe(const sim::PaperLine& line) {
    std::string out = line.text + " " + "LCR"[static_cast<int>(line.justify)];
    const std::pair<bool, const char*> modes[] = {{line.bold, " bold"},
                                                  {line.doubleHeight, " tall"},
                                                  {line.doubleWidth, " wide"},
                                                  {line.inverse, " inverse"},
                                                  {line.underline, " under"},
                                                  {line.fontB, " fontB"},
                                                  {line.upsideDown, " upside-down"},
                                                  {line.strike, " strike"}};
    for (const auto& [on, name] : modes)
        if (on) out += name;
    return out;
}

class PrinterTest : public BoardTest {
  protected:
    void SetUp() override {
        BoardTest::SetUp();
        printer.setParam(platform::path("/dev/serial0"), 2.68f, 9600);
        const sim::Micros before = now();
        printer.begin(120);
        beginTime = now() - before;
    }

    sim::PrinterModel& model() { return board().printerModel(); }

    // The paper lines completed since the last call, one described line each.
    std::vector<std::string> paper() {
        std::vector<std::string> out;
        for (const sim::PaperLine& line : board().takePaper()) out.push_back(describe(line));
        return out;
    }

    // What the last write left to wait before the next one.
    sim::Micros nextWait(Pi_Thermal& driver) {
        const sim::Micros before = now();
        driver.writeBytes(0);  // a NUL the printer ignores
        return now() - before;
    }

    Pi_Thermal printer;
    sim::Micros beginTime = 0;
};

}  // namespace

TEST_F(PrinterTest, StartUpWakesResetsAndSetsHeatingDensityAndTabStops) {
    EXPECT_EQ(board().serialBaud(), 9600);
    EXPECT_EQ(model().wakeBytes(), 1 + 10);
    EXPECT_GE(beginTime, 10 * 10000u) << "the ten ESCs of the wake-up go 10 ms apart";
    const auto set = model().settings();
    EXPECT_EQ((std::vector<int>{set.heatDots, set.heatTime, set.heatInterval, set.density}),
              (std::vector<int>{7, 120, 40, 74}));
    EXPECT_EQ(set.tabStops, (std::vector<int>{4, 8, 12, 16, 20, 24, 28}));
    EXPECT_EQ(paper(), std::vector<std::string>{" L"}) << "one line fed";

    Pi_Thermal elsewhere;
    elsewhere.setParam("/dev/ttyUSB9", 2.68f, 9600);
    testing::internal::CaptureStdout();
    elsewhere.begin(120);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "serialOpen issue\n");
    elsewhere.println("still paced");
    EXPECT_EQ(nextWait(elsewhere), kPrintedLine + kByte);
}

// Before each write the driver waits for what the previous one takes: a byte,
// a printed line (24 dots printed, the spacing fed) or an empty line (fed).
TEST_F(PrinterTest, EachWriteWaitsForWhatThePreviousOneTakesOnPaper) {
    const std::string line32(32, 'A'), line17(17, 'W');
    Pi_Thermal& p = printer;
    const std::pair<std::function<void()>, sim::Micros> cases[] = {
        {[&] { p.print(line32); }, kByte},
        {[&] { p.print(line32 + "B"); }, kPrintedLine + kByte},  // the 33rd ends it
        {[&] { p.print("AB\n"); }, kPrintedLine + kByte},
        {[&] { p.print("AB\n\n"); }, kEmptyLine + kByte},
        {[&] { p.print(std::string(31, 'A') + "\x13" + "B"); }, kByte},  // XOFF never sent
        {[&] { p.setSize('l'), p.print(line17); }, 48 * 5000 + 6 * 500 + kByte},
        {[&] { p.setSize('M'), p.print(line32 + "B"); }, 48 * 5000 + 6 * 500 + kByte},
        {[&] { p.setSize('L'), p.setSize('x'), p.print(line32 + "B"); }, kPrintedLine + kByte},
        {[&] { p.doubleWidthOn(), p.print(line17); }, kPrintedLine + kByte},
        {[&] { p.doubleHeightOn(), p.print("A\n"); }, 48 * 5000 + 6 * 500 + kByte},
        // A line longer than a new, narrower size is full; a size change starts a line.
        {[&] { p.print(line17), p.setSize('L'), p.write('B'); }, (48 + 6) * 500 + kByte},
        {[&] { p.setLineHeight(10), p.print("\n\n"); }, 24 * 500 + kByte},
        {[&] { p.setLineHeight(40), p.print("A\n"); }, 24 * 5000 + 16 * 500 + kByte},
        {[&] { p.setLineHeight(300), p.print("A\n"); }, 24 * 5000 + 231 * 500 + kByte},
        {[&] { p.print("ABC"), p.feed(4); }, 24 * 500},  // one character height, whatever n
        {[&] { p.feedRows(40); }, 40 * 500},
        {[&] { p.writeBytes(0, 0, 0, 0); }, 4 * kByte},
        {[&] { p.writeBytes(0, 0, 0); }, 3 * kByte},
    };
    int n = 0;
    for (const auto& [write, wait] : cases) {
        printer.normal();
        printer.reset();
        write();
        EXPECT_EQ(nextWait(printer), wait) << "case " << n;
        ++n;
    }
    for (const auto& [baud, byte] :
         {std::pair<int, sim::Micros>{19200, 625}, {38400, 313}, {0, 1250}}) {
        printer.setParam(platform::path("/dev/serial0"), 2.68f, baud);
        printer.writeBytes(0);
        EXPECT_EQ(nextWait(printer), byte) << baud;  // 12 000 000 / baud, rounded
    }
    EXPECT_TRUE(model().faults().empty());
}

TEST_F(PrinterTest, EveryCommandReachesThePaperAsItMeans) {
    Pi_Thermal& p = printer;
    const std::pair<std::function<void()>, std::vector<std::string>> cases[] = {
        {[&] { p.justify('c'); }, {"x C"}},
        {[&] { p.justify('R'), p.justify('Z'); }, {"x L"}},
        {[&] { p.setSize('l'); }, {"x L tall wide"}},
        {[&] { p.setSize('M'); }, {"x L tall"}},
        {[&] { p.boldOn(), p.doubleWidthOn(), p.strikeOn(); }, {"x L bold wide strike"}},
        {[&] { p.doubleHeightOn(), p.upsideDownOn(), p.doubleHeightOff(); }, {"x L upside-down"}},
        {[&] { p.boldOn(), p.normal(); }, {"x L"}},
        {[&] { p.print("a"), p.boldOn(); }, {"ax L"}},  // a line has its first character's modes
        {[&] { p.print("lost"), p.justify('C'), p.reset(); }, {" L", "x L"}},
        {[&] { p.setFontB(), p.inverseOn(), p.underlineOn(5); }, {"x L inverse under fontB"}},
        {[&] { p.inverseOn(), p.inverseOff(), p.underlineOn(), p.underlineOff(); }, {"x L"}},
        {[&] { p.print("a"), p.tab(), p.print("b"), p.tab(); }, {"a   b   x L"}},
        {[&] { p.print("ab"), p.flush(); }, {"ab L", "x L"}},
        {[&] { p.print(std::string(33, 'A')); }, {std::string(32, 'A') + " L", "Ax L"}},
        {[&] { p.feed(2); }, {" L", " L", "x L"}},
        {[&] { p.feedRows(70); }, {" L", " L", "x L"}},  // lines 30 dots apart
        {[&] { p.offline(), p.println("lost"), p.online(); }, {"x L"}},
    };
    int n = 0;
    for (const auto& [command, lines] : cases) {
        printer.normal();
        printer.reset();
        paper();
        command();
        printer.println("x");
        EXPECT_EQ(paper(), lines) << "case " << n;
        ++n;
    }
    printer.setCodePage(60);
    printer.setCharset(20);
    printer.setCharSpacing(3);
    printer.UDcharOn();
    printer.sleepAfter(300);
    const auto set = model().settings();
    EXPECT_EQ((std::vector<int>{set.codePage, set.charset, set.charSpacing, set.userChars,
                                set.sleepSeconds}),
              (std::vector<int>{47, 15, 3, 1, 300}));
    printer.sleep();
    EXPECT_EQ(model().settings().sleepSeconds, 1);
    EXPECT_EQ(model().unknownList(), std::vector<std::string>{});
    EXPECT_TRUE(model().faults().empty());

    // The model's alarms, for bytes the driver must never send.
    printer.writeBytes(0x13);
    printer.writeBytes(0x1B, 'q');
    EXPECT_EQ(model().faults().size(), 1u);
    EXPECT_EQ(model().unknownList(), std::vector<std::string>{"ESC 0x71"});
}

// Before firmware 2.64: no tab stops, feeds as line feeds, a one-byte sleep.
TEST_F(PrinterTest, OlderFirmwareGetsTheShortForms) {
    model().setFirmware(2.5f);
    Pi_Thermal older;
    older.setParam(platform::path("/dev/serial0"), 2.5f, 9600);
    older.begin(120);
    older.feed(2);
    EXPECT_EQ(nextWait(older), kEmptyLine + kByte);
    const auto received = model().bytesReceived();
    older.sleep();
    EXPECT_EQ(model().bytesReceived() - received, 3u);
    older.println("x");
    EXPECT_EQ(paper(), (std::vector<std::string>{" L", " L", " L", " L", "x L"}));
    EXPECT_EQ(model().settings().tabStops, (std::vector<int>{8, 16, 24})) << "power-on stops";
    EXPECT_EQ(model().settings().sleepSeconds, 1);
    EXPECT_EQ(model().unknownSequences(), 0);
}
