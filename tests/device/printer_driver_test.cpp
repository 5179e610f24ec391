// The driver's bytes, its line accounting and its pacing, on a recording port.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "printer/Pi_Thermal.h"
#include "tests/support/printer_port_fake.h"

using printer_fake::port;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr unsigned long kByte = 1250;                        // at 9600 baud
constexpr unsigned long kPrintedLine = 24 * 5000 + 6 * 500;  // 123 000
constexpr unsigned long kEmptyLine = 30 * 500;               // 15 000

class PrinterDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        printer_fake::resetPort();
        printer.setParam("/dev/serial0", 2.68f, 9600);
        printer.begin(120);
        printer_fake::resetPort();
    }

    // The wait made before the next write, i.e. what the last write left.
    unsigned long nextWait() {
        port().waits.clear();
        printer.writeBytes(0);
        return port().waits.front();
    }

    Pi_Thermal printer;
};

TEST(PrinterSetup, ByteTimeFollowsTheSpeedAndSurvivesAZeroSpeed) {
    Pi_Thermal printer;
    printer.setParam("/dev/serial0", 2.68f, 9600);
    EXPECT_EQ(printer.getByteTime(), 1250u);
    printer.setParam("/dev/serial0", 2.68f, 19200);
    EXPECT_EQ(printer.getByteTime(), 625u);
    printer.setParam("/dev/serial0", 2.68f, 115200);
    EXPECT_EQ(printer.getByteTime(), 104u);  // rounded: 104.17
    printer.setParam("/dev/serial0", 2.68f, 0);
    EXPECT_EQ(printer.getByteTime(), 1250u);
}

TEST(PrinterSetup, BeginWakesResetsAndSetsHeatAndDensity) {
    printer_fake::resetPort();
    Pi_Thermal printer;
    printer.setParam("/sandbox/dev/serial0", 2.68f, 19200);
    printer.begin(120);

    EXPECT_EQ(port().openedDevice, "/sandbox/dev/serial0");
    EXPECT_EQ(port().openedBaud, 19200);
    Bytes expected = {0xFF};
    expected.insert(expected.end(), 10, 0x1B);
    const Bytes rest = {0x1B, 0x40,                                    // initialise
                        0x1B, 0x44, 4,    8,   12, 16, 20, 24, 28, 0,  // tab stops
                        0x1B, 0x21, 0x00,                              // font A
                        0x1B, 0x64, 1,                                 // feed(1)
                        0x1B, 0x37, 7,    120, 40,                     // heating
                        0x12, 0x23, 0x4A};                             // density
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(port().bytes(), expected);
    EXPECT_EQ(printer.getMaxChunkHeight(), 255);
    EXPECT_EQ(printer.getColumn(), 0);
    EXPECT_EQ(printer.getMaxColumn(), 32);
    EXPECT_EQ(printer.getLineSpacing(), 6);

    // wake: nothing to wait for first, one byte time, then 10 ms between the ESCs
    ASSERT_GE(port().waits.size(), 12u);
    EXPECT_EQ(port().waits[0], 0u);
    EXPECT_EQ(port().waits[1], 625u);
    for (int i = 2; i <= 11; ++i) EXPECT_EQ(port().waits[i], 10000u) << i;
}

TEST(PrinterSetup, UnopenablePortIsReportedAndPrintingCarriesOn) {
    printer_fake::resetPort();
    port().refuseOpen = true;
    Pi_Thermal printer;
    printer.setParam("/dev/serial0", 2.68f, 9600);
    testing::internal::CaptureStdout();
    printer.begin(120);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "serialOpen issue\n");
    EXPECT_EQ(printer.getFd(), -1);
    printer.println("still paced");
    EXPECT_EQ(printer.getTimeout(), kPrintedLine + kByte);
}

TEST(PrinterSetup, OlderFirmwareUsesTheShortForms) {
    printer_fake::resetPort();
    Pi_Thermal printer;
    printer.setParam("/dev/serial0", 2.5f, 9600);
    printer.begin(120);
    const std::string sent = port().text();
    EXPECT_EQ(sent.find("\x1B\x44"), std::string::npos) << "no tab stops before 2.64";
    printer_fake::resetPort();
    printer.feed(3);
    EXPECT_EQ(port().bytes(), (Bytes{'\n', '\n', '\n'}));
    printer_fake::resetPort();
    printer.sleep();
    EXPECT_EQ(port().bytes(), (Bytes{0x1B, 0x38, 1}));
}

TEST_F(PrinterDriver, ThirtyTwoCharactersEndALine) {
    printer.print(std::string(32, 'A'));
    EXPECT_EQ(printer.getColumn(), 32);
    EXPECT_EQ(printer.getTimeout(), kByte);
    printer.write('B');  // the printer wraps: this one starts the next line
    EXPECT_EQ(printer.getColumn(), 0);
    EXPECT_EQ(port().text(), std::string(32, 'A') + "B");
    EXPECT_EQ(nextWait(), kPrintedLine + kByte);
}

TEST_F(PrinterDriver, TwoNewlinesGiveTheShortWait) {
    printer.print("AB\n");
    EXPECT_EQ(printer.getTimeout(), kPrintedLine + kByte);
    printer.write('\n');
    EXPECT_EQ(printer.getTimeout(), kEmptyLine + kByte);
    printer.println("");
    EXPECT_EQ(printer.getTimeout(), kEmptyLine + kByte);
}

TEST_F(PrinterDriver, EveryWriteWaitsForThePreviousOne) {
    printer.println("HI");
    printer.println("");
    printer.print("X");
    // H waits for the probe-free start (whatever begin left), then I, \n, \n, X
    ASSERT_EQ(port().waits.size(), 5u);
    EXPECT_EQ(port().waits[1], kByte);
    EXPECT_EQ(port().waits[2], kByte);
    EXPECT_EQ(port().waits[3], kPrintedLine + kByte);
    EXPECT_EQ(port().waits[4], kEmptyLine + kByte);
    EXPECT_EQ(port().text(), "HI\n\nX");
    EXPECT_EQ(port().sent.back().at - port().sent[1].at,
              kByte + kPrintedLine + kByte + kEmptyLine + kByte);
}

TEST_F(PrinterDriver, XoffNeverReachesThePrinter) {
    EXPECT_EQ(printer.write('\x13'), 1);
    printer.print(
        "A\x13"
        "B\x13");
    EXPECT_EQ(port().text(), "AB");
    EXPECT_EQ(printer.getColumn(), 2);
}

TEST_F(PrinterDriver, MultiByteCommandsWaitForEveryByte) {
    printer.writeBytes(1, 2, 3, 4);
    EXPECT_EQ(nextWait(), 4 * kByte);
    printer.writeBytes(1, 2, 3);
    EXPECT_EQ(nextWait(), 3 * kByte);
    printer.writeBytes(1, 2);
    EXPECT_EQ(nextWait(), 2 * kByte);
}

TEST_F(PrinterDriver, SizesChangeTheBytesTheHeightAndTheLineLength) {
    struct Case {
        char size;
        unsigned char byte;
        int height;
        int columns;
    };
    for (const Case& c :
         {Case{'L', 0x11, 48, 16}, Case{'l', 0x11, 48, 16}, Case{'M', 0x01, 48, 32},
          Case{'m', 0x01, 48, 32}, Case{'S', 0x00, 24, 32}, Case{'X', 0x00, 24, 32}}) {
        printer_fake::resetPort();
        printer.setSize(c.size);
        EXPECT_EQ(port().bytes(), (Bytes{0x1D, 0x21, c.byte})) << c.size;
        EXPECT_EQ(printer.getCharHeight(), c.height) << c.size;
        EXPECT_EQ(printer.getMaxColumn(), c.columns) << c.size;
    }
}

TEST_F(PrinterDriver, DoubleSizeLinesTakeLongerAndEndSooner) {
    printer.setSize('L');
    printer.print(std::string(16, 'W'));
    EXPECT_EQ(printer.getColumn(), 16);
    printer.write('W');
    EXPECT_EQ(printer.getColumn(), 0);
    EXPECT_EQ(printer.getTimeout(), 48u * 5000 + 6 * 500 + kByte);
    printer.write('\n');
    EXPECT_EQ(printer.getTimeout(), (48u + 6) * 500 + kByte);
}

TEST_F(PrinterDriver, ALineAlreadyLongerThanANewNarrowerSizeIsStillFull) {
    printer.print(std::string(20, 'A'));
    printer.setSize('L');
    printer.write('B');
    EXPECT_EQ(printer.getColumn(), 0);
    // a size change counts as a line start, so this line is paced as a feed
    EXPECT_EQ(printer.getTimeout(), (48u + 6) * 500 + kByte);
    printer.print(std::string(17, 'C'));
    EXPECT_EQ(printer.getColumn(), 0);
    EXPECT_EQ(printer.getTimeout(), 48u * 5000 + 6 * 500 + kByte);
}

TEST_F(PrinterDriver, JustifyIsCaseInsensitiveAndDefaultsLeft) {
    const std::vector<std::pair<char, unsigned char>> cases = {
        {'L', 0}, {'l', 0}, {'C', 1}, {'c', 1}, {'R', 2}, {'r', 2}, {'Z', 0}, {'?', 0}};
    for (const auto& [letter, code] : cases) {
        printer_fake::resetPort();
        printer.justify(letter);
        EXPECT_EQ(port().bytes(), (Bytes{0x1B, 0x61, code})) << letter;
    }
}

TEST_F(PrinterDriver, LineHeightIsRaisedToTheCharacterHeight) {
    printer.setLineHeight(10);
    EXPECT_EQ(port().bytes(), (Bytes{0x1B, 0x33, 24}));
    EXPECT_EQ(printer.getLineSpacing(), 0);
    printer.print("\n\n");
    EXPECT_EQ(printer.getTimeout(), 24u * 500 + kByte);

    printer_fake::resetPort();
    printer.setLineHeight(24);
    printer.setLineHeight(40);
    EXPECT_EQ(port().bytes(), (Bytes{0x1B, 0x33, 24, 0x1B, 0x33, 40}));
    EXPECT_EQ(printer.getLineSpacing(), 16);
    printer.print("A\n");
    EXPECT_EQ(printer.getTimeout(), 24u * 5000 + 16 * 500 + kByte);
}

TEST_F(PrinterDriver, CappedArgumentsAreClampedOnTheWire) {
    const std::vector<std::pair<std::function<void()>, Bytes>> cases = {
        {[&] { printer.underlineOn(5); }, {0x1B, 0x2D, 2}},
        {[&] { printer.underlineOn(2); }, {0x1B, 0x2D, 2}},
        {[&] { printer.underlineOn(1); }, {0x1B, 0x2D, 1}},
        {[&] { printer.underlineOn(); }, {0x1B, 0x2D, 1}},
        {[&] { printer.underlineOff(); }, {0x1B, 0x2D, 0}},
        {[&] { printer.setCodePage(60); }, {0x1B, 0x74, 47}},
        {[&] { printer.setCodePage(47); }, {0x1B, 0x74, 47}},
        {[&] { printer.setCodePage(0); }, {0x1B, 0x74, 0}},
        {[&] { printer.setCharset(20); }, {0x1B, 0x52, 15}},
        {[&] { printer.setCharset(15); }, {0x1B, 0x52, 15}},
        {[&] { printer.setCharset(3); }, {0x1B, 0x52, 3}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        printer_fake::resetPort();
        cases[i].first();
        EXPECT_EQ(port().bytes(), cases[i].second) << "case " << i;
    }
}

TEST_F(PrinterDriver, PlainCommandsSendTheirBytes) {
    const std::vector<std::pair<std::function<void()>, Bytes>> cases = {
        {[&] { printer.inverseOn(); }, {0x1D, 0x42, 1}},
        {[&] { printer.inverseOff(); }, {0x1D, 0x42, 0}},
        {[&] { printer.online(); }, {0x1B, 0x3D, 1}},
        {[&] { printer.offline(); }, {0x1B, 0x3D, 0}},
        {[&] { printer.UDcharOn(); }, {0x1B, 0x25, 1}},
        {[&] { printer.UDcharOff(); }, {0x1B, 0x25, 0}},
        {[&] { printer.setFontA(); }, {0x1B, 0x21, 0}},
        {[&] { printer.setFontB(); }, {0x1B, 0x21, 1}},
        {[&] { printer.setCharSpacing(3); }, {0x1B, 0x20, 3}},
        {[&] { printer.flush(); }, {0x0C}},
        {[&] { printer.sleep(); }, {0x1B, 0x38, 1, 0}},
        {[&] { printer.sleepAfter(300); }, {0x1B, 0x38, 0x2C, 0x01}},
        {[&] { printer.feed(3); }, {0x1B, 0x64, 3}},
        {[&] { printer.feedRows(40); }, {0x1B, 0x4A, 40}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        printer_fake::resetPort();
        cases[i].first();
        EXPECT_EQ(port().bytes(), cases[i].second) << "case " << i;
    }
}

TEST_F(PrinterDriver, PrintModesAccumulateAndDriveTheLineGeometry) {
    printer.boldOn();
    printer.doubleHeightOn();
    printer.doubleWidthOn();
    EXPECT_EQ(port().bytes(), (Bytes{0x1B, 0x21, 0x08, 0x1B, 0x21, 0x18, 0x1B, 0x21, 0x38}));
    EXPECT_EQ(printer.getPrintMode(), 0x38);
    EXPECT_EQ(printer.getCharHeight(), 48);
    EXPECT_EQ(printer.getMaxColumn(), 16);

    printer_fake::resetPort();
    printer.doubleWidthOff();
    printer.doubleHeightOff();
    EXPECT_EQ(port().bytes(), (Bytes{0x1B, 0x21, 0x18, 0x1B, 0x21, 0x08}));
    EXPECT_EQ(printer.getCharHeight(), 24);
    EXPECT_EQ(printer.getMaxColumn(), 32);

    printer_fake::resetPort();
    printer.strikeOn();
    printer.upsideDownOn();
    printer.upsideDownOff();
    printer.normal();
    EXPECT_EQ(port().bytes(),
              (Bytes{0x1B, 0x21, 0x48, 0x1B, 0x21, 0x4C, 0x1B, 0x21, 0x48, 0x1B, 0x21, 0x00}));
    EXPECT_EQ(printer.getPrintMode(), 0);
}

TEST_F(PrinterDriver, FeedsEndTheLineWithTheirOwnWait) {
    printer.print("ABC");
    printer.feed(4);
    EXPECT_EQ(printer.getColumn(), 0);
    EXPECT_EQ(printer.getTimeout(), 24u * 500);  // one character height, whatever n
    printer.write('\n');                         // right after a feed: an empty line
    EXPECT_EQ(printer.getTimeout(), kEmptyLine + kByte);

    printer.print("AB");
    printer.feedRows(40);
    EXPECT_EQ(printer.getColumn(), 0);
    EXPECT_EQ(printer.getTimeout(), 40u * 500);
}

TEST_F(PrinterDriver, TabMovesToTheNextStopOfFour) {
    printer.tab();
    EXPECT_EQ(printer.getColumn(), 4);
    printer.print("A");
    printer.tab();
    EXPECT_EQ(printer.getColumn(), 8);
    EXPECT_EQ(port().bytes(), (Bytes{0x09, 'A', 0x09}));
}

TEST_F(PrinterDriver, CloseReleasesThePort) {
    printer.close();
    EXPECT_TRUE(port().closed);
}

}  // namespace
