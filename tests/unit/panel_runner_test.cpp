#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/runner/options.h"
#include "sim/runner/runner.h"
#include "sim/runner/script.h"
#include "tests/support/runner_fake_link.h"

using namespace sim::runner;
using testing::HasSubstr;

TEST(PanelOptions, APanelTakesAnOptionalPortAndRunsInRealTime) {
    OptionsResult plain = parseOptions({"--root", "r", "--panel"});
    ASSERT_TRUE(plain.ok()) << plain.error;
    EXPECT_TRUE(plain.options.panel);
    EXPECT_TRUE(plain.options.realtime);
    EXPECT_EQ(plain.options.panelPort, 8080);

    OptionsResult full = parseOptions(
        {"--realtime", "--panel", "8123", "--root", "r", "--restart", "--server-log", "s.log"});
    ASSERT_TRUE(full.ok()) << full.error;
    EXPECT_EQ(full.options.panelPort, 8123);
    EXPECT_EQ(full.options.serverLog, "s.log");
    EXPECT_TRUE(full.options.restart);

    EXPECT_EQ(parseOptions({"--root", "r", "--panel", "1"}).options.panelPort, 1);
    EXPECT_EQ(parseOptions({"--root", "r", "--panel", "65535"}).options.panelPort, 65535);
}

TEST(PanelOptions, BadPortsAndMixedModesAreRefused) {
    for (const char* port : {"0", "65536", "80a", "-1", "123456"})
        EXPECT_THAT(parseOptions({"--root", "r", "--panel", port}).error, HasSubstr("port"))
            << port;
    EXPECT_THAT(parseOptions({"--root", "r", "--panel", "--script", "s"}).error,
                HasSubstr("exclude"));
    EXPECT_THAT(parseOptions({"--panel"}).error, HasSubstr("--root"));
    EXPECT_THAT(parseOptions({"--root", "r"}).error, HasSubstr("--script"));
}

TEST(PanelScript, PrinterPngTakesExactlyOneFile) {
    ParseResult png = parseLine("printer png out/ticket.png", 3);
    ASSERT_TRUE(png.ok()) << png.error;
    EXPECT_EQ(png.command->op, Op::PrinterPng);
    EXPECT_EQ(png.command->text, "out/ticket.png");
    EXPECT_EQ(parseLine("printer", 1).command->op, Op::Printer);
    EXPECT_THAT(parseLine("printer png", 1).error, HasSubstr("missing"));
    EXPECT_THAT(parseLine("printer png a b", 1).error, HasSubstr("too many"));
    EXPECT_THAT(parseLine("printer jpg a", 1).error, HasSubstr("png FILE"));
    EXPECT_THAT(parseLine("printer \"png\" a", 1).error, HasSubstr("png FILE"));
}

namespace {

std::string runScriptText(const std::string& script, runner_test::FakeBoard& board, int* status) {
    std::ostringstream out;
    std::istringstream in(script);
    RunOptions options;
    options.board.root = "/sandbox/root";
    Runner runner(options, runner_test::fakeFactory(board), out);
    *status = runScript(in, runner);
    return out.str();
}

}  // namespace

TEST(PanelScript, PrinterPngDrawsThePaperAndLeavesItForTheNextListing) {
    runner_test::FakeBoard board;
    board.play = [](sim::Micros from, sim::Micros, sim::Snapshot& shot) {
        if (from == 0) shot.paper.push_back(sim::PaperLine{"SPORT24"});
    };
    std::string file = (std::filesystem::current_path() / "ticket.png").string();
    std::filesystem::remove(file);
    int status = -1;
    std::string transcript =
        runScriptText("wait 100\nprinter png " + file + "\nprinter\n", board, &status);
    EXPECT_EQ(status, kAllHeld) << transcript;
    EXPECT_THAT(transcript, HasSubstr("picture of 1 line(s) in " + file));
    EXPECT_THAT(transcript, HasSubstr("] > printer\nSPORT24\n"));
    std::ifstream png(file, std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

TEST(PanelScript, APictureThatCannotBeWrittenIsAFailure) {
    runner_test::FakeBoard board;
    int status = -1;
    std::string transcript =
        runScriptText("printer png /no/such/folder/ticket.png\n", board, &status);
    EXPECT_EQ(status, kExpectationFailed);
    EXPECT_THAT(transcript, HasSubstr("cannot write the picture"));
}
