// The runner's script lines, command line, and reading of glass and paper.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "sim/runner/glass_text.h"
#include "sim/runner/options.h"
#include "sim/runner/paper_text.h"
#include "sim/runner/script.h"

using namespace sim::runner;
using testing::HasSubstr;

namespace {

struct Parsed {
    const char* line;
    Op op;
    const char* key;
    long long millis;
    long long count;
    const char* text;
};

}  // namespace

TEST(RunnerScript, ValidLinesGiveTheirCommandWithItsDefaults) {
    const Parsed cases[] = {
        {"press VALID", Op::Press, "VALID", 100, 0, ""},
        {"press 10 1200", Op::Press, "10", 1200, 0, ""},
        {"hold R_C 1500", Op::Hold, "R_C", 1500, 0, ""},
        {"up 0", Op::Up, "0", 0, 0, ""},
        {"turn -3", Op::Turn, "", 200, -3, ""},
        {"turn 2 1", Op::Turn, "", 1, 2, ""},
        {"wait 1000000000", Op::Wait, "", 1000000000, 0, ""},
        {"until \"Main\"", Op::Until, "", 30000, 0, "Main"},
        {"until \"Main\" 0", Op::Until, "", 0, 0, "Main"},
        {"  expect 3 \"  a # b \\\"c\\\" \\\\ \"   # comment", Op::Expect, "", 0, 3,
         "  a # b \"c\" \\ "},
        {"expect 0 \"\"", Op::Expect, "", 0, 0, ""},
        {"expect 2 \"ññññññññññññññññññññ\"", Op::Expect, "", 0, 2,
         "ññññññññññññññññññññ"},  // characters, not bytes
        {"file \"my file.txt\"", Op::File, "", 0, 0, "my file.txt"},
        {"sql \"SELECT a, b FROM param\"", Op::Sql, "", 0, 0, "SELECT a, b FROM param"},
        {"printer png out/t.png", Op::PrinterPng, "", 0, 0, "out/t.png"},
    };
    for (const Parsed& c : cases) {
        ParseResult result = parseLine(c.line, 7);
        ASSERT_TRUE(result.ok() && result.command) << c.line << ": " << result.error;
        const Command& got = *result.command;
        EXPECT_EQ(
            std::make_tuple(got.op, got.line, got.key, got.millis, got.count, got.text),
            std::make_tuple(c.op, 7, std::string(c.key), c.millis, c.count, std::string(c.text)));
    }
    EXPECT_EQ(parseLine(" expect 3 \"a #\"  # note", 1).command->source, "expect 3 \"a #\"");
    for (const char* line : {"", "  \t", "# press VALID", "\r"})
        EXPECT_TRUE(parseLine(line, 1).ok() && !parseLine(line, 1).command) << line;
}

TEST(RunnerScript, InvalidLinesNameTheirFault) {
    const std::pair<std::string, const char*> cases[] = {
        {"jump 3", "unknown command \"jump\""},
        {"\"press\" VALID", "unknown command"},
        {"press ENTER", "unknown key \"ENTER\""},
        {"press 11", "unknown key"},
        {"wait 10ms", "malformed number \"10ms\""},
        {"wait 1.5", "malformed number"},
        {"wait -5", "malformed number"},
        {"turn --1", "malformed number"},
        {"wait -", "malformed number"},
        {"wait 1000000001", "out of range"},
        {"turn 2 0", "at least 1"},
        {"expect 4 \"x\"", "row must be 0 to 3"},
        {"expect 1 \"" + std::string(21, 'x') + "\"", "longer than a row of 20"},
        {"expect 2 \"ññññññññññññññññññññ°\"", "longer than a row"},
        {"press", "missing argument"},
        {"press VALID 100 200", "too many arguments"},
        {"until Main", "double quotes"},
        {"until \"\"", "empty text"},
        {"expect 0 \"abc", "unterminated"},
        {"expect 0 \"abc\"x", "missing blank"},
        {"file \"\"", "empty path"},
        {"printer png", "missing argument"},
        {"printer jpg a", "png FILE"},
    };
    for (const auto& [line, error] : cases) {
        ParseResult result = parseLine(line, 3);
        EXPECT_THAT(result.error, HasSubstr(error)) << line;
        EXPECT_FALSE(result.command) << line;
    }
}

TEST(RunnerOptions, WhatOptionsImplyAndWhatIsRefused) {
    // --lcd-addr, --eeprom, --date and --restart are in the scenarios' options.
    Options all =
        parseOptions({"--root", "r", "--script", "s", "--ssid", "", "--board", "pi"}).options;
    EXPECT_FALSE(all.network.pingSucceeds);  // no network without an SSID
    EXPECT_TRUE(all.realtime);               // the Pi board runs in real time
    Options panel = parseOptions({"--root", "r", "--panel", "65535"}).options;
    EXPECT_TRUE(panel.panel && panel.realtime && panel.panelPort == 65535);
    EXPECT_EQ(parseOptions({"--root", "r", "--panel"}).options.panelPort, 8080);
    EXPECT_EQ(parseOptions({"--root", "r", "--script", "s", "--lcd-addr", "none"}).options.lcdAddr,
              0);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--script", "s"}, "--root is required"},
        {{"--root", "r"}, "--script is required"},
        {{"--root", "r", "--script"}, "needs a value"},
        {{"--root", "r", "--script", "s", "--lcd-addr", "0x28"}, "bad --lcd-addr"},
        {{"--root", "r", "--script", "s", "--board", "arm"}, "bad --board"},
        {{"--root", "r", "--script", "s", "--speed", "2"}, "unknown option --speed"},
        {{"--root", "r", "--panel", "--script", "s"}, "exclude each other"},
        {{"--root", "r", "--panel", "0"}, "port"},
        {{"--root", "r", "--panel", "65536"}, "port"},
        {{"--root", "r", "--script", "s", "--date", "2025-02-29 10:00:00"}, "bad --date"}};
    for (const auto& [args, error] : refused)
        EXPECT_THAT(parseOptions(args).error, HasSubstr(error));
    for (const char* good : {"2024-02-29 23:59:59", "2000-02-29 00:00:00", "1970-01-01 00:00:00"})
        EXPECT_TRUE(isValidDate(good)) << good;
    for (const char* bad : {"1900-02-29 10:00:00", "2025-13-01 10:00:00", "2025-04-31 10:00:00",
                            "2025-06-15 24:00:00", "2025-06-15 10:60:00", "2025-06-15T10:00:00",
                            "2025-6-15 10:00:00", "2025-06-15 10:00:00 ", "1969-12-31 23:59:59"})
        EXPECT_FALSE(isValidDate(bad)) << bad;
}

// Codes 8 to 15 are the custom glyphs again; only the five low bits of a
// glyph row light dots; the ROM's own arrows, degree and n-tilde.
TEST(RunnerGlass, EachCodeShowsItsGlyph) {
    sim::Glass glass;
    glass.cgram[1] = {0x08, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x08, 0x00};
    glass.cgram[2] = {0xE4, 0x0E, 0x1F, 0x00, 0x1F, 0x0E, 0x04, 0x00};
    glass.cgram[3] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    const std::pair<int, const char*> codes[] = {
        {0, " "},    {1, "→"},    {9, "→"},    {10, "◆"},   {3, "▒"},    {0x1F, "▒"}, {0x20, " "},
        {0x7D, "}"}, {0x7E, "→"}, {0x7F, "←"}, {0xDF, "°"}, {0xEE, "ñ"}, {0x80, "▒"}};
    for (auto [code, glyph] : codes)
        EXPECT_EQ(glyphForCode(static_cast<std::uint8_t>(code), glass), glyph) << code;
}

// Bytes as the printer's code page shows them; control bytes stand out.
TEST(RunnerPaper, PrintedBytesReadInCodePage437) {
    EXPECT_EQ(decodePrinted("a\x80\xA4\xF8\x7F\x1F"), "aÇñ°▒▒");
}

// A case gives the unfolded commands, or the error and its line.
TEST(RunnerScript, RepeatBlocksUnfoldInOrderAndAnUnmatchedOneNamesItsLine) {
    const std::tuple<std::vector<const char*>, const char*, int> cases[] = {
        {{"repeat 2", "wait 1", "repeat 2", "wait 2", "end", "end", "wait 3"},
         "wait 1,wait 2,wait 2,wait 1,wait 2,wait 2,wait 3,",
         0},
        {{"wait 1", "repeat 2", "wait 2"}, "repeat without end", 2},
        {{"repeat 2", "end", "end"}, "end without repeat", 3},
    };
    for (const auto& [lines, expected, errorLine] : cases) {
        std::vector<Command> commands;
        for (const char* line : lines)
            commands.push_back(*parseLine(line, static_cast<int>(commands.size()) + 1).command);
        int line = 0;
        std::string error, sources;
        for (const Command& command : unfoldRepeats(commands, &line, &error))
            sources += command.source + ",";
        EXPECT_EQ(std::make_tuple(error.empty() ? sources : error, line),
                  std::make_tuple(std::string(expected), errorLine))
            << lines.front();
    }
}
