// Reading server replies by position: well-formed replies, and every way a
// reply can be too short, malformed or hostile.
#include <gtest/gtest.h>

#include "net/fn_wifi_reply.h"

namespace {

const char kNone[] = "none";  // no acceptable reply at all

TEST(ServerReplies, ScoreRepliesAreReadOrRefused) {
    const struct {
        const char* body;
        int code;
        const char* date;  // or kNone
    } rows[] = {
        {"return:0&H:20240615143000", 0, "2024-06-15 14:30:00"},
        {"\xEF\xBB\xBFreturn:0&H:20240615143000\r\n", 0, "2024-06-15 14:30:00"},
        {"return:0&H:20241315143000", 0, ""},  // accepted, the clock left alone
        {"return:0&H:202406151430001", 0, ""},
        {"return:104", 104, ""},
        {"return:903&junk", 903, ""},
        {"return:-1", -1, ""},
        {"return:12345", 123, ""},
        {"", 0, kNone},
        {"<html>Status: 404</html>", 0, kNone},
        {"return:", 0, kNone},
        {"return:0", 0, kNone},
        {"return:0&H:2024061514300", 0, kNone},
        {"return:abc", 0, kNone},
        {"return:00&H:20240615143000", 0, kNone},
        {"return:0&X:20240615143000", 0, kNone},
        {"return:0&H:2024061514300x", 0, kNone},
    };
    for (const auto& row : rows) {
        const auto reply = net::parseScoreReply(row.body);
        ASSERT_EQ(reply.has_value(), row.date != kNone) << row.body;
        if (!reply) continue;
        EXPECT_EQ(reply->code, row.code) << row.body;
        EXPECT_EQ(reply->date, row.date) << row.body;
    }
}

TEST(ServerReplies, HelloGivesOnlyAValidServerTime) {
    EXPECT_EQ(net::parseHelloReply("return:0&H:20240615143000").value(), "2024-06-15 14:30:00");
    for (const char* body :
         {"return:0&H:2024061514", "return:0&H:20240615253000", "return:-1", "",
          "Status: 404 return:0&H:20240615143000", "return:0&H:20240615143000 connect"})
        EXPECT_FALSE(net::parseHelloReply(body).has_value()) << body;
}

TEST(ServerReplies, ClockTextNamesARealMoment) {
    const std::pair<const char*, const char*> rows[] = {{"20240229235959", "2024-02-29 23:59:59"},
                                                        {"20000229000000", "2000-02-29 00:00:00"},
                                                        {"20230229120000", ""},
                                                        {"21000229000000", ""},
                                                        {"20240230120000", ""},
                                                        {"20240615240000", ""},
                                                        {"20240615236000", ""},
                                                        {"20240615235960", ""},
                                                        {"20240015120000", ""},
                                                        {"19691231235959", ""},
                                                        {"2024061512000", ""}};
    for (const auto& [digits, text] : rows) EXPECT_EQ(net::clockTextAt(digits, 0), text) << digits;
    EXPECT_EQ(net::clockTextAt("x", 5), "");
    EXPECT_TRUE(net::isValidClockText("2024-06-15 14:30:00"));
    for (const char* bad : {"2024-06-15 14:30:0", "2024-06-15 14:30:00 ", "2024-06-15T14:30:00",
                            "2024-13-15 14:30:00", "2024-06-15 14:30:00'; reboot; '", "-1", ""})
        EXPECT_FALSE(net::isValidClockText(bad)) << bad;
}

TEST(ServerReplies, NextPilotRepliesAreReadByPosition) {
    using R = net::PilotReply;
    const struct {
        const char* body;
        R::Kind kind;
        int pilot, flight, comp;
        const char* schedule;
    } rows[] = {
        {"return:0120305F3A-P25X", R::kPilot, 12, 3, 5, "F3A-P25X"},
        {"return:0120305F3A-P25XYZ", R::kPilot, 12, 3, 5, "F3A-P25X"},
        {"return:0125305SHORT", R::kPilot, 12, 53, 5, "SHORT"},
        {"return:0070101P25\r\n", R::kPilot, 7, 1, 1, "P25"},
        {"return:  7 1 2P25", R::kPilot, 7, 1, 2, "P25"},
        {"<p>Status: 404</p>", R::kMissing, 0, 0, 0, ""},
        {"return:-1", R::kNoPilot, 0, 0, 0, ""},
        {"return:-2", R::kError, 0, 0, 0, ""},
        {"return:-", R::kError, 0, 0, 0, ""},
    };
    for (const auto& row : rows) {
        const R reply = net::parseNextPilotReply(row.body);
        ASSERT_EQ(reply.kind, row.kind) << row.body;
        if (reply.kind != R::kPilot) continue;
        EXPECT_EQ(reply.pilot, row.pilot) << row.body;
        EXPECT_EQ(reply.flight, row.flight) << row.body;
        EXPECT_EQ(reply.comp, row.comp) << row.body;
        EXPECT_EQ(reply.schedule, row.schedule) << row.body;
    }
    for (const char* body :
         {"", "return:", "return:012", "return:0120305", "return:01203", "return:01a0305P25",
          "return:0120x05P25", "return:01203x5P25", "return:   0305P25", "return:0120305\n",
          "return:0120305   ", "nothing here", "return:0120305'x;id'", "return:0120305$(id)",
          "return:0120305../..", "return:0120305a/b", "return:0120305-rf"})
        EXPECT_EQ(net::parseNextPilotReply(body).kind, R::kMalformed) << body;
}

// Tools read a number with a leading zero as octal: "010" would be 8.
TEST(ServerReplies, DottedAddressesLoseLeadingZerosAnythingElseStays) {
    const std::pair<const char*, const char*> rows[] = {
        {"192.168.010.020", "192.168.10.20"},
        {"000.000.000.000", "0.0.0.0"},
        {"0010.1.1.1", "10.1.1.1"},
        {"10.0.0.1", "10.0.0.1"},
        {"server.example", "server.example"},
        {"10.0.0.1:8080", "10.0.0.1:8080"},
        {"192.168.010.020/kv", "192.168.010.020/kv"},
        {"192.168.010", "192.168.010"},
        {"192.168.010.020.030", "192.168.010.020.030"},
        {"192.168.010.", "192.168.010."},
        {" 192.168.010.020", " 192.168.010.020"},
        {"192.168.0x10.020", "192.168.0x10.020"},
        {"", ""}};
    for (const auto& [stored, used] : rows) EXPECT_EQ(net::serverAddress(stored), used) << stored;
}

}  // namespace
