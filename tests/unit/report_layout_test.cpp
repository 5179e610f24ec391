// Fixed layouts of the printed reports: ticket lines, dates, reply codes and
// the cuts taken from the system tools' output.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "printer/Pi_Thermal_layout.h"

namespace {

std::tm at(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

const std::string kSpaces14(14, ' ');

TEST(TicketDateLine, EnglishIsMonthFirstOnATwelveHourClock) {
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 14, 5), "ENG"),
              "02/03/2025" + kSpaces14 + "02:05\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 12, 31, 23, 59), "ENG"),
              "12/31/2025" + kSpaces14 + "11:59\n");
    // noon and midnight are left as they are
    EXPECT_EQ(layout::ticketDateLine(at(2025, 1, 9, 12, 0), "ENG"),
              "01/09/2025" + kSpaces14 + "12:00\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 1, 9, 0, 7), "ENG"),
              "01/09/2025" + kSpaces14 + "00:07\n");
}

TEST(TicketDateLine, OtherLanguagesAreDayFirstOnATwentyFourHourClock) {
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 14, 5), "FRA"),
              "03/02/2025" + kSpaces14 + "14:05\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 0, 0), "eng"),
              "03/02/2025" + kSpaces14 + "00:00\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 14, 5), "ENG").size(), 30u);
}

TEST(SettingsDateLine, IsMonthFirstTwelveHourWithSixteenSpaces) {
    EXPECT_EQ(layout::settingsDateLine(at(2025, 2, 3, 14, 5)),
              "\n02/03/2025" + std::string(16, ' ') + "02:05\n");
    EXPECT_EQ(layout::settingsDateLine(at(2024, 11, 28, 9, 30)),
              "\n11/28/2024" + std::string(16, ' ') + "09:30\n");
}

TEST(TicketFigureLine, EachValueAndKindFillsExactlyOneLine) {
    struct Case {
        int option;
        int value;
        std::string expected;
    };
    const std::string loop = "01 Loop" + std::string(22, ' ');  // 29 characters
    const Case cases[] = {
        {0, 80, loop + "  8"},
        {0, 100, loop + " 10"},
        {0, 0, loop + "  0"},
        {1, 85, loop.substr(0, 28) + " 8.5"},
        {7, 75, loop.substr(0, 28) + " 7.5"},
        {6, 73, loop.substr(0, 28) + " 7.3"},
        {6, 100, loop.substr(0, 27) + " 10.0"},
        {1, 0, loop.substr(0, 28) + " 0.0"},
        {0, -10, loop + " NO"},
        {1, -20, loop + " BP"},
        {2, -30, loop.substr(0, 28) + "  -3"},
        {2, -50, loop.substr(0, 28) + "  -5"},
        {4, -100, loop.substr(0, 28) + " -10"},
        {6, -10, loop + " NO"},
        {5, 110, loop + " 11"},
    };
    for (const Case& c : cases) {
        const std::string line = layout::ticketFigureLine(1, "Loop", c.option, c.value);
        EXPECT_EQ(line, c.expected) << "option " << c.option << " value " << c.value;
        EXPECT_EQ(line.size(), 32u) << "option " << c.option << " value " << c.value;
    }
}

TEST(TicketFigureLine, LongLabelsAndWideValuesNeverWrap) {
    const std::string desc(40, 'x');
    EXPECT_EQ(layout::ticketFigureLine(12, desc, 0, 90), "12 " + std::string(26, 'x') + "  9");
    // values outside the usual columns give room from the label, not the paper
    EXPECT_EQ(layout::ticketFigureLine(3, "Spin", 5, 1000),
              "03 Spin" + std::string(21, ' ') + " 100");
    EXPECT_EQ(layout::ticketFigureLine(3, "Spin", 6, 105).size(), 32u);
    EXPECT_EQ(layout::ticketFigureLine(3, "Spin", 6, 105).substr(27), " 10.5");
    EXPECT_EQ(layout::ticketFigureLine(100, "Spin", 0, 50).substr(0, 8), "100 Spin");
    EXPECT_EQ(layout::ticketFigureLine(100, "Spin", 0, 50).size(), 32u);
}

TEST(ReplyCodes, TicketTextsAndLegendFollowTheCodeTable) {
    EXPECT_EQ(layout::replyCodeTextId(100), 33);
    EXPECT_EQ(layout::replyCodeTextId(106), 39);
    EXPECT_EQ(layout::replyCodeTextId(900), 40);
    EXPECT_EQ(layout::replyCodeTextId(904), 44);
    for (int none : {0, 1, -1, 99, 107, 899, 905}) EXPECT_EQ(layout::replyCodeTextId(none), 0);

    const auto& legend = layout::replyCodeLegend();
    ASSERT_EQ(legend.size(), 13u);
    EXPECT_EQ(legend.front(), "1   --> WIFI error");
    EXPECT_EQ(legend[7], "106 --> Wrong schedule name");
    EXPECT_EQ(legend.back(), "904 --> SQL error (insert logs)");
    for (const auto& line : legend) EXPECT_LE(line.size(), 32u) << line;
}

TEST(ToolOutputCuts, ModelAndMacTakeTheirFixedPositions) {
    std::string value;
    ASSERT_TRUE(
        layout::modelValue("Model\t\t: Raspberry Pi 3 Model B Plus Rev 1.3 extra words", &value));
    EXPECT_EQ(value, "Pi 3 Model B Plus Rev 1.3 extra ");
    ASSERT_TRUE(layout::modelValue("Model\t: x", &value));
    EXPECT_EQ(value, "") << "a short line gives no value rather than a crash";
    EXPECT_FALSE(layout::modelValue("Hardware\t: BCM2835", &value));

    EXPECT_EQ(layout::macValue("    link/ether b8:27:eb:12:34:56 brd ff:ff:ff:ff:ff:ff"),
              "b8:27:eb:12:34:56");
    EXPECT_EQ(layout::macValue("    link/ether"), "");
}

TEST(ToolOutputCuts, NetworkNamesSitBetweenTheMarkerAndTheLastQuote) {
    std::string name;
    ASSERT_TRUE(layout::essidName("                    ESSID:\"Club \"North\"\"", &name));
    EXPECT_EQ(name, "-Club \"North\"");
    ASSERT_TRUE(layout::essidName("ESSID:\"\"", &name));
    EXPECT_EQ(name, "-");
    ASSERT_TRUE(layout::essidName("ESSID:\"unterminated", &name));
    EXPECT_EQ(name, "-");
    ASSERT_TRUE(layout::essidName("ESSID:\"" + std::string(40, 'n') + "\"", &name));
    EXPECT_EQ(name, "-" + std::string(31, 'n'));
    EXPECT_FALSE(layout::essidName("ESSID:off/any", &name));
}

TEST(ToolOutputCuts, PingRepliesStartElevenAfterTheSequenceMarker) {
    std::string reply;
    ASSERT_TRUE(
        layout::pingReply("64 bytes from 192.168.1.10: icmp_seq=1 ttl=64 time=0.512 ms", &reply));
    EXPECT_EQ(reply, "-ttl=64 time=0.512 ms");
    ASSERT_TRUE(
        layout::pingReply("From 10.0.0.1 icmp_seq=2 Destination Host Unreachable long", &reply));
    EXPECT_EQ(reply, "-Destination Host Unreachable lo");
    ASSERT_TRUE(layout::pingReply("icmp_seq=1", &reply));
    EXPECT_EQ(reply, "-");
    EXPECT_FALSE(layout::pingReply("3 packets transmitted, 3 received", &reply));
}

TEST(SettingShown, BooleansReadYesOrNo) {
    EXPECT_EQ(layout::settingShown("1", "3"), "YES");
    EXPECT_EQ(layout::settingShown("0", "3"), "NO");
    EXPECT_EQ(layout::settingShown("ON", "3"), "NO");
    EXPECT_EQ(layout::settingShown("1", "4"), "1");
    EXPECT_EQ(layout::settingShown("192.168.001.010", "2"), "192.168.001.010");
}

}  // namespace
