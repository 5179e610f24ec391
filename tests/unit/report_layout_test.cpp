// Fixed layouts of the printed reports: ticket lines, dates, reply codes and
// the cuts taken from the system tools' output.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "printer/Pi_Thermal_layout.h"

namespace {

TEST(ReportLayout, TicketFigureLinesFillExactlyOneLine) {
    const std::string loop = "01 Loop" + std::string(22, ' ');  // 29 characters
    const struct {
        int number;
        const char* desc;
        int option, value;
        std::string line;
    } rows[] = {
        {1, "Loop", 0, 80, loop + "  8"},
        {1, "Loop", 0, 100, loop + " 10"},
        {1, "Loop", 1, 85, loop.substr(0, 28) + " 8.5"},
        {1, "Loop", 6, 73, loop.substr(0, 28) + " 7.3"},
        {1, "Loop", 1, 0, loop.substr(0, 28) + " 0.0"},
        {1, "Loop", 6, 100, loop.substr(0, 27) + " 10.0"},
        {1, "Loop", 0, -10, loop + " NO"},
        {1, "Loop", 1, -20, loop + " BP"},
        {1, "Loop", 2, -30, loop.substr(0, 28) + "  -3"},
        {1, "Loop", 4, -100, loop.substr(0, 28) + " -10"},
        {12, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 0, 90,
         "12 " + std::string(26, 'x') + "  9"},
        // Values wider than their columns take room from the label, never the paper.
        {3, "Spin", 5, 1000, "03 Spin" + std::string(21, ' ') + " 100"},
        {3, "Spin", 6, 105, "03 Spin" + std::string(20, ' ') + " 10.5"},
        {100, "Spin", 0, 50, "100 Spin" + std::string(21, ' ') + "  5"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(layout::ticketFigureLine(row.number, row.desc, row.option, row.value), row.line)
            << "option " << row.option << " value " << row.value;
}

TEST(ReportLayout, DateLinesByLanguage) {
    const auto at = [](int year, int month, int day, int hour, int minute) {
        std::tm t{};
        t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour,
        t.tm_min = minute;
        return t;
    };
    const std::string gap(14, ' ');
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 14, 5), "ENG"), "02/03/2025" + gap + "02:05\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 1, 9, 0, 7), "ENG"), "01/09/2025" + gap + "00:07\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 14, 5), "FRA"), "03/02/2025" + gap + "14:05\n");
    EXPECT_EQ(layout::ticketDateLine(at(2025, 2, 3, 0, 0), "eng"), "03/02/2025" + gap + "00:00\n");
    EXPECT_EQ(layout::settingsDateLine(at(2024, 11, 28, 14, 30)),
              "\n11/28/2024" + gap + "  02:30\n");
}

TEST(ReportLayout, ReplyCodesTicketTextsAndLegend) {
    const std::pair<int, int> texts[] = {{100, 33}, {101, 34}, {102, 35}, {106, 39}, {900, 40},
                                         {904, 44}, {0, 0},    {1, 0},    {-1, 0},
                                         {99, 0},   {107, 0},  {899, 0},  {905, 0}};
    for (const auto& [code, text] : texts) EXPECT_EQ(layout::replyCodeTextId(code), text) << code;
    const auto& legend = layout::replyCodeLegend();
    ASSERT_EQ(legend.size(), 13u);
    EXPECT_EQ(legend[0] + legend[12], "1   --> WIFI error904 --> SQL error (insert logs)");
}

TEST(ReportLayout, CutsFromTheSystemToolsOutput) {
    static const std::string wide = "ESSID:\"" + std::string(40, 'n') + "\"",
                             cut = "-" + std::string(31, 'n');
    const struct {
        bool (*cut)(const std::string&, std::string*);
        const char* line;
        const char* shown;  // nullptr: the line holds nothing to show
    } rows[] = {
        {layout::modelValue, "Model\t\t: Raspberry Pi 3 Model B Plus Rev 1.3 extra words",
         "Pi 3 Model B Plus Rev 1.3 extra "},
        {layout::modelValue, "Hardware\t: BCM2835", nullptr},
        {layout::essidName, "          ESSID:\"Club \"North\"\"", "-Club \"North\""},
        {layout::essidName, "ESSID:\"\"", "-"},
        {layout::essidName, wide.c_str(), cut.c_str()},
        {layout::essidName, "ESSID:off/any", nullptr},
        {layout::pingReply, "64 bytes from 192.168.1.10: icmp_seq=1 ttl=64 time=0.512 ms",
         "-ttl=64 time=0.512 ms"},
        {layout::pingReply, "From 10.0.0.1 icmp_seq=2 Destination Host Unreachable long",
         "-Destination Host Unreachable lo"},
        {layout::pingReply, "3 packets transmitted", nullptr},
    };
    for (const auto& row : rows) {
        std::string shown = "none";
        EXPECT_EQ(row.cut(row.line, &shown), row.shown != nullptr) << row.line;
        EXPECT_EQ(shown, row.shown ? row.shown : "none") << row.line;
    }
    EXPECT_EQ(layout::macValue("    link/ether b8:27:eb:12:34:56 brd ff:ff:ff:ff:ff:ff"),
              "b8:27:eb:12:34:56");
    EXPECT_EQ(layout::settingShown("1", "3") + layout::settingShown("0", "3") +
                  layout::settingShown("ON", "3") + layout::settingShown("1", "4") +
                  layout::settingShown("192.168.001.010", "2"),
              "YESNONO1192.168.001.010");
}

}  // namespace
