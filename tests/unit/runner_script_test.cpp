#include <gtest/gtest.h>

#include "sim/runner/script.h"

using sim::runner::Command;
using sim::runner::Op;
using sim::runner::parseLine;

namespace {

Command parsed(const std::string& line) {
    auto result = parseLine(line, 7);
    EXPECT_TRUE(result.ok()) << line << ": " << result.error;
    EXPECT_TRUE(result.command.has_value()) << line;
    return result.command.value_or(Command{});
}

std::string errorOf(const std::string& line) {
    return parseLine(line, 3).error;
}

}  // namespace

TEST(RunnerScript, InputCommandsTakeTheirDefaults) {
    Command press = parsed("press VALID");
    EXPECT_EQ(press.op, Op::Press);
    EXPECT_EQ(press.key, "VALID");
    EXPECT_EQ(press.millis, 100);
    EXPECT_EQ(press.line, 7);
    EXPECT_EQ(parsed("press 10 1200").millis, 1200);
    EXPECT_EQ(parsed("hold R_C 1500").millis, 1500);
    Command turn = parsed("turn -3");
    EXPECT_EQ(turn.count, -3);
    EXPECT_EQ(turn.millis, 200);
    EXPECT_EQ(parsed("turn 2 40").millis, 40);
    EXPECT_EQ(parsed("until \"Main\"").millis, 30000);
    EXPECT_EQ(parsed("until \"Main\" 500").millis, 500);
    EXPECT_EQ(parsed("down POWER").op, Op::Down);
    EXPECT_EQ(parsed("up 0").op, Op::Up);
}

TEST(RunnerScript, TextsKeepBlanksHashesAndEscapedQuotes) {
    Command expect = parsed("  expect 3 \"  a # b \\\"c\\\" \\\\ \"   # trailing comment");
    EXPECT_EQ(expect.count, 3);
    EXPECT_EQ(expect.text, "  a # b \"c\" \\ ");
    EXPECT_EQ(expect.source, "expect 3 \"  a # b \\\"c\\\" \\\\ \"");
    EXPECT_EQ(parsed("sql \"SELECT a, b FROM param\"").text, "SELECT a, b FROM param");
    EXPECT_EQ(parsed("file /home/pi/txt/eeprom.txt").text, "/home/pi/txt/eeprom.txt");
    EXPECT_EQ(parsed("file \"my file.txt\"").text, "my file.txt");
}

TEST(RunnerScript, BlankAndCommentLinesAreNoCommands) {
    for (const char* line : {"", "   ", "\t", "# press VALID", "   # x", "\r"}) {
        auto result = parseLine(line, 1);
        EXPECT_TRUE(result.ok()) << line;
        EXPECT_FALSE(result.command.has_value()) << line;
    }
}

TEST(RunnerScript, EveryKeyOfTheKeypadIsKnownAndNothingElse) {
    for (const char* key : {"R_C", "PLUS", "MINUS", "VALID", "REPEAT", "NO", "POWER", "0", "1", "2",
                            "3", "4", "5", "6", "7", "8", "9", "10"})
        EXPECT_TRUE(parseLine(std::string("press ") + key, 1).ok()) << key;
    for (const char* key : {"11", "-1", "00", "valid", "ENTER", "R-C"})
        EXPECT_NE(errorOf(std::string("press ") + key).find("unknown key"), std::string::npos)
            << key;
}

TEST(RunnerScript, MalformedNumbersAreRejected) {
    for (const char* line : {"wait 10ms", "wait 1.5", "wait -5", "wait +5", "wait 0x10", "wait -",
                             "press VALID abc", "turn 2x", "turn --1", "until \"a\" 1e3"})
        EXPECT_NE(errorOf(line).find("malformed number"), std::string::npos) << line;
    EXPECT_NE(errorOf("wait 1000000001").find("out of range"), std::string::npos);
    EXPECT_NE(errorOf("wait 99999999999999999999999").find("out of range"), std::string::npos);
    EXPECT_TRUE(parseLine("wait 1000000000", 1).ok());
    EXPECT_TRUE(parseLine("wait 0", 1).ok());
    EXPECT_TRUE(parseLine("turn 0", 1).ok());
    EXPECT_FALSE(parseLine("turn 2 0", 1).ok());  // a detent takes time
}

TEST(RunnerScript, ExpectRowsAndTextLengthsHaveBounds) {
    EXPECT_TRUE(parseLine("expect 0 \"\"", 1).ok());
    EXPECT_NE(errorOf("expect 4 \"x\"").find("row"), std::string::npos);
    EXPECT_NE(errorOf("expect -1 \"x\"").find("malformed"), std::string::npos);
    EXPECT_TRUE(parseLine("expect 1 \"" + std::string(20, 'x') + "\"", 1).ok());
    EXPECT_FALSE(parseLine("expect 1 \"" + std::string(21, 'x') + "\"", 1).ok());
    std::string accents;
    for (int i = 0; i < 20; ++i) accents += "ñ";  // counted in characters, not bytes
    EXPECT_TRUE(parseLine("expect 2 \"" + accents + "\"", 1).ok());
    EXPECT_FALSE(parseLine("expect 2 \"" + accents + "°\"", 1).ok());
}

TEST(RunnerScript, ShapeErrorsNameTheProblem) {
    EXPECT_NE(errorOf("jump 3").find("unknown command \"jump\""), std::string::npos);
    EXPECT_NE(errorOf("Press VALID").find("unknown command"), std::string::npos);
    EXPECT_NE(errorOf("\"press\" VALID").find("unknown command"), std::string::npos);
    EXPECT_NE(errorOf("press").find("missing argument"), std::string::npos);
    EXPECT_NE(errorOf("hold VALID").find("missing argument"), std::string::npos);
    EXPECT_NE(errorOf("lcd now").find("too many"), std::string::npos);
    EXPECT_NE(errorOf("press VALID 100 200").find("too many"), std::string::npos);
    EXPECT_NE(errorOf("until Main").find("double quotes"), std::string::npos);
    EXPECT_NE(errorOf("expect 0 Main").find("double quotes"), std::string::npos);
    EXPECT_NE(errorOf("sql SELECT").find("double quotes"), std::string::npos);
    EXPECT_NE(errorOf("until \"\"").find("empty"), std::string::npos);
    EXPECT_NE(errorOf("expect 0 \"abc").find("unterminated"), std::string::npos);
    EXPECT_NE(errorOf("expect 0 \"abc\"x").find("blank"), std::string::npos);
    EXPECT_NE(errorOf("file \"\"").find("empty path"), std::string::npos);
}
