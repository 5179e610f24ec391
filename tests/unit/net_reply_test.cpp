// Reading server replies by position: well-formed replies, and every way a
// reply can be too short, malformed or hostile.
#include <gtest/gtest.h>

#include "app/fn_utils_text.h"
#include "net/fn_wifi_reply.h"

using net::parseHelloReply;
using net::parseNextPilotReply;
using net::parseScoreReply;
using net::PilotReply;

TEST(ScoreReply, AcceptanceCarriesTheServerTime) {
    auto reply = parseScoreReply("return:0&H:20240615143000");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(0, reply->code);
    EXPECT_EQ("2024-06-15 14:30:00", reply->date);
}

TEST(ScoreReply, RefusalCodesAreReadFromThreeCharacters) {
    EXPECT_EQ(104, parseScoreReply("return:104")->code);
    EXPECT_EQ(903, parseScoreReply("return:903&junk")->code);
    EXPECT_EQ(-1, parseScoreReply("return:-1")->code);
    EXPECT_EQ(1, parseScoreReply("return:1")->code);
    // Only three characters count: a longer number is cut as atoi of "123" would be.
    EXPECT_EQ(123, parseScoreReply("return:12345")->code);
    EXPECT_EQ("", parseScoreReply("return:104")->date);
}

TEST(ScoreReply, ReplyWithoutReturnIsNoAcceptance) {
    EXPECT_FALSE(parseScoreReply("").has_value());
    EXPECT_FALSE(parseScoreReply("OK").has_value());
    EXPECT_FALSE(parseScoreReply("<html>Status: 404</html>").has_value());
    EXPECT_FALSE(parseScoreReply("retur:0&H:20240615143000").has_value());
}

TEST(ScoreReply, AcceptanceTooShortForItsTimeIsNoAcceptance) {
    EXPECT_FALSE(parseScoreReply("return:").has_value());
    EXPECT_FALSE(parseScoreReply("return:0").has_value());
    EXPECT_FALSE(parseScoreReply("return:0&H:").has_value());
    EXPECT_FALSE(parseScoreReply("return:0&H:2024061514300").has_value());
    EXPECT_TRUE(parseScoreReply("return:0&H:20240615143000").has_value());
}

TEST(ScoreReply, ZeroWithoutTheAcceptanceFormIsNoAcceptance) {
    // atoi would read all of these as 0.
    EXPECT_FALSE(parseScoreReply("return:abc").has_value());
    EXPECT_FALSE(parseScoreReply("return:00&H:20240615143000").has_value());
    EXPECT_FALSE(parseScoreReply("return:+0&H:20240615143000").has_value());
    EXPECT_FALSE(parseScoreReply("return:0&X:20240615143000").has_value());
    EXPECT_FALSE(parseScoreReply("return:0&H:2024061514300x").has_value());
}

TEST(ScoreReply, AcceptedWithAnImpossibleTimeLeavesTheDateEmpty) {
    auto reply = parseScoreReply("return:0&H:20241315143000");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(0, reply->code);
    EXPECT_EQ("", reply->date);
    // A fifteenth digit means the time is not the 14 digits it should be.
    EXPECT_EQ("", parseScoreReply("return:0&H:202406151430001")->date);
    // Trailing line end is harmless.
    EXPECT_EQ("2024-06-15 14:30:00", parseScoreReply("return:0&H:20240615143000\r\n")->date);
}

TEST(ScoreReply, LeadingTextBeforeReturnIsSkipped) {
    auto reply = parseScoreReply("\xEF\xBB\xBFreturn:0&H:20240615143000");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ("2024-06-15 14:30:00", reply->date);
}

TEST(ClockText, ValidatesEveryField) {
    EXPECT_EQ("2024-02-29 23:59:59", net::clockTextAt("20240229235959", 0));
    EXPECT_EQ("", net::clockTextAt("20230229120000", 0));  // not a leap year
    EXPECT_EQ("", net::clockTextAt("20240230120000", 0));
    EXPECT_EQ("", net::clockTextAt("20240631120000", 0));
    EXPECT_EQ("", net::clockTextAt("20240615240000", 0));
    EXPECT_EQ("", net::clockTextAt("20240615236000", 0));
    EXPECT_EQ("", net::clockTextAt("20240615235960", 0));
    EXPECT_EQ("", net::clockTextAt("20240015120000", 0));
    EXPECT_EQ("", net::clockTextAt("20240600120000", 0));
    EXPECT_EQ("", net::clockTextAt("19691231235959", 0));
    EXPECT_EQ("2000-02-29 00:00:00", net::clockTextAt("20000229000000", 0));
    EXPECT_EQ("", net::clockTextAt("21000229000000", 0));
    EXPECT_EQ("", net::clockTextAt("2024061512000", 0));
    EXPECT_EQ("", net::clockTextAt("x", 5));
}

TEST(ClockText, ChecksTheWrittenForm) {
    EXPECT_TRUE(net::isValidClockText("2024-06-15 14:30:00"));
    EXPECT_FALSE(net::isValidClockText("2024-06-15 14:30:0"));
    EXPECT_FALSE(net::isValidClockText("2024-06-15 14:30:00 "));
    EXPECT_FALSE(net::isValidClockText("2024-06-15T14:30:00"));
    EXPECT_FALSE(net::isValidClockText("2024-13-15 14:30:00"));
    EXPECT_FALSE(net::isValidClockText("2024-06-15 14:30:00'; reboot; '"));
    EXPECT_FALSE(net::isValidClockText("-1"));
    EXPECT_FALSE(net::isValidClockText(""));
}

TEST(HelloReply, GivesTheServerTime) {
    EXPECT_EQ("2024-06-15 14:30:00", parseHelloReply("return:0&H:20240615143000").value());
    EXPECT_FALSE(parseHelloReply("return:0&H:2024061514").has_value());
    EXPECT_FALSE(parseHelloReply("return:0&H:20240615253000").has_value());
    EXPECT_FALSE(parseHelloReply("return:-1").has_value());
    EXPECT_FALSE(parseHelloReply("Status: 404 return:0&H:20240615143000").has_value());
    EXPECT_FALSE(parseHelloReply("return:0&H:20240615143000 connect").has_value());
    EXPECT_FALSE(parseHelloReply("").has_value());
}

TEST(NextPilotReply, ReadsFixedPositions) {
    PilotReply reply = parseNextPilotReply("return:0120305F3A-P25X");
    ASSERT_EQ(PilotReply::kPilot, reply.kind);
    EXPECT_EQ(12, reply.pilot);
    EXPECT_EQ(3, reply.flight);
    EXPECT_EQ(5, reply.comp);
    EXPECT_EQ("F3A-P25X", reply.schedule);
    // The schedule is at most eight characters.
    EXPECT_EQ("F3A-P25X", parseNextPilotReply("return:0120305F3A-P25XYZ").schedule);
    EXPECT_EQ(53, parseNextPilotReply("return:0125305SHORT").flight);
}

TEST(NextPilotReply, ShortScheduleEndsAtTheLineEnd) {
    PilotReply reply = parseNextPilotReply("return:0070101P25\r\n");
    ASSERT_EQ(PilotReply::kPilot, reply.kind);
    EXPECT_EQ("P25", reply.schedule);
    EXPECT_EQ("P25", parseNextPilotReply("return:0070101P25   ").schedule);
}

TEST(NextPilotReply, StatusRepliesComeFirst) {
    EXPECT_EQ(PilotReply::kMissing, parseNextPilotReply("<p>Status: 404</p>").kind);
    EXPECT_EQ(PilotReply::kNoPilot, parseNextPilotReply("return:-1").kind);
    EXPECT_EQ(PilotReply::kError, parseNextPilotReply("return:-2").kind);
    EXPECT_EQ(PilotReply::kError, parseNextPilotReply("return:-").kind);
}

TEST(NextPilotReply, TooShortOrNotNumericIsMalformed) {
    for (const char* body :
         {"", "return:", "return:012", "return:0120305", "return:01203", "return:01a0305P25",
          "return:0120x05P25", "return:01203x5P25", "return:   0305P25", "return:0120305\n",
          "return:0120305   ", "nothing here"}) {
        EXPECT_EQ(PilotReply::kMalformed, parseNextPilotReply(body).kind) << body;
    }
}

TEST(NextPilotReply, HostileScheduleNamesAreRefused) {
    for (const char* body :
         {"return:0120305'x;id'", "return:0120305$(id)", "return:0120305../..", "return:0120305a/b",
          "return:0120305`id`", "return:0120305-rf", "return:0120305a\\b"}) {
        EXPECT_EQ(PilotReply::kMalformed, parseNextPilotReply(body).kind) << body;
    }
}

TEST(NextPilotReply, PaddedNumbersReadLikeAtoi) {
    PilotReply reply = parseNextPilotReply("return:  7 1 2P25");
    ASSERT_EQ(PilotReply::kPilot, reply.kind);
    EXPECT_EQ(7, reply.pilot);
    EXPECT_EQ(1, reply.flight);
    EXPECT_EQ(2, reply.comp);
}

TEST(UrlEncode, KeepsSafeCharactersAndEscapesTheRest) {
    EXPECT_EQ("F3A-P25_x.y~", urlEncode("F3A-P25_x.y~"));
    EXPECT_EQ("A%20B%26C%3DD%23%25%2B%2F", urlEncode("A B&C=D#%+/"));
    EXPECT_EQ("%C3%A9", urlEncode("\xC3\xA9"));
    EXPECT_EQ("", urlEncode(""));
}

// Tools read a number with a leading zero as octal: "010" would be 8.
TEST(ServerAddress, DottedNumbersLoseTheirLeadingZerosAnythingElseStays) {
    const struct {
        const char* stored;
        const char* used;
    } rows[] = {
        {"192.168.010.020", "192.168.10.20"},
        {"127.000.000.010", "127.0.0.10"},
        {"192.168.004.008", "192.168.4.8"},
        {"000.000.000.000", "0.0.0.0"},
        {"0.0.0.0", "0.0.0.0"},
        {"10.0.0.1", "10.0.0.1"},
        {"0010.1.1.1", "10.1.1.1"},
        {"server.example", "server.example"},
        {"10.0.0.1:8080", "10.0.0.1:8080"},
        {"http://192.168.010.020", "http://192.168.010.020"},
        {"192.168.010.020/kv", "192.168.010.020/kv"},
        {"192.168.010", "192.168.010"},
        {"192.168.010.020.030", "192.168.010.020.030"},
        {"192..010.020", "192..010.020"},
        {"192.168.010.", "192.168.010."},
        {".168.010.020", ".168.010.020"},
        {" 192.168.010.020", " 192.168.010.020"},
        {"192.168.0x10.020", "192.168.0x10.020"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(row.used, net::serverAddress(row.stored)) << row.stored;
}
