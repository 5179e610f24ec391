// The terminal's printer driver talking to the virtual board's printer model:
// both read one profile, so every command the driver sends must decode, and
// another profile must move the driver and the model together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer/Pi_Thermal.h"
#include "sim/devices/printer_model.h"
#include "tests/support/printer_port_fake.h"
#include "tests/support/sim_bus_master.h"

using printer_fake::port;

namespace {

class PrinterOnModel : public ::testing::Test {
  protected:
    explicit PrinterOnModel(const PrinterProfile& profile = kInstalledPrinter)
        : driver(profile), model(clock, trace, profile) {
        printer_fake::resetPort();
    }

    // Hands the model what the driver sent since the last call.
    void deliver() {
        model.put(port().text());
        port().sent.clear();
    }

    std::vector<std::string> texts() {
        std::vector<std::string> out;
        for (const sim::PaperLine& line : model.takeLines()) out.push_back(line.text);
        return out;
    }

    simtest::ManualClock clock;
    sim::Trace trace;
    Pi_Thermal driver;
    sim::PrinterModel model;
};

TEST_F(PrinterOnModel, StartUpAndEveryCommandDecodeCleanly) {
    driver.setParam("/dev/serial0", kInstalledPrinter.firmware.fitted, 19200);
    driver.begin(120);
    deliver();
    EXPECT_EQ(model.wakeBytes(), 11);  // 0xFF and the ten ESCs before the one of ESC @
    const auto settings = model.settings();
    EXPECT_EQ(settings.heatDots, 7);
    EXPECT_EQ(settings.heatTime, 120);
    EXPECT_EQ(settings.heatInterval, 40);
    EXPECT_EQ(settings.density, 74);
    EXPECT_EQ(settings.tabStops, (std::vector<int>{4, 8, 12, 16, 20, 24, 28}));
    EXPECT_EQ(texts(), std::vector<std::string>{""});  // the one fed line

    driver.setDefault();
    driver.boldOn();
    driver.strikeOn();
    driver.upsideDownOn();
    driver.doubleWidthOn();
    driver.normal();
    driver.setFontB();
    driver.inverseOn();
    driver.underlineOn(2);
    driver.UDcharOn();
    driver.setCharSpacing(2);
    driver.setCodePage(3);
    driver.setLineHeight(40);
    driver.sleepAfter(300);
    driver.sleep();
    driver.justify('R');
    driver.setSize('M');
    driver.print("ab");
    driver.tab();
    driver.println("c");
    driver.feedRows(80);
    driver.print("d");
    driver.flush();
    driver.offline();
    driver.println("dropped");
    driver.online();
    driver.feed(1);
    deliver();

    EXPECT_EQ(model.unknownSequences(), 0) << model.unknownList().front();
    EXPECT_TRUE(model.faults().empty());
    const auto lines = model.takeLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].text, "ab  c");
    EXPECT_TRUE(lines[0].fontB && lines[0].inverse && lines[0].underline && lines[0].doubleHeight);
    EXPECT_EQ(lines[0].justify, sim::Justify::Right);
    EXPECT_EQ(lines[1].text, "");  // 80 dots at 40 a line
    EXPECT_EQ(lines[2].text, "");
    EXPECT_EQ(lines[3].text, "d");
    EXPECT_EQ(lines[4].text, "");
    EXPECT_EQ(model.settings().sleepSeconds, 1);
    EXPECT_EQ(model.settings().codePage, 3);
}

// A wider, faster printer: 48 columns, other dot times and line height.
PrinterProfile widePrinter() {
    PrinterProfile wide = kInstalledPrinter;
    wide.geometry.paperDots = 576;
    wide.geometry.lineHeight = 32;
    wide.timing.dotPrint = 4000;
    wide.timing.dotFeed = 400;
    return wide;
}

const PrinterProfile kWide = widePrinter();

class WidePrinterOnModel : public PrinterOnModel {
  protected:
    WidePrinterOnModel() : PrinterOnModel(kWide) {}
};

TEST_F(WidePrinterOnModel, AnotherProfileMovesDriverAndModelTogether) {
    driver.setParam("/dev/serial0", kWide.firmware.fitted, 9600);
    driver.begin(120);
    driver.print(std::string(48, 'A'));
    EXPECT_EQ(driver.getColumn(), 48);
    driver.write('B');  // wraps: this one starts the next line
    EXPECT_EQ(driver.getColumn(), 0);
    EXPECT_EQ(driver.getTimeout(), 24u * 4000 + 8 * 400 + 1250);
    driver.println("");
    EXPECT_EQ(driver.getTimeout(), 32u * 400 + 1250);
    deliver();
    EXPECT_EQ(model.unknownSequences(), 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"", std::string(48, 'A'), "B"}));
}

}  // namespace
