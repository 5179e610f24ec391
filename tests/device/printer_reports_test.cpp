// Settings and device report, log, listings and test page on the virtual
// board's printer, with stand-ins for the system tools.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/fn_sqlite.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"
#include "tests/support/printer_report_support.h"

extern Pi_Thermal printer;
extern RpSqlite db;

namespace {

using report_test::count;
using report_test::find;

const std::string kDots(32, '.');

class SettingsReport : public report_test::ReportBoard {
  protected:
    void SetUp() override {
        ReportBoard::SetUp();
        tool("iwconfig", "wlan0     IEEE 802.11  ESSID:\"Field\"  \n");
        tool("iwlist",
             "                    ESSID:\"Field\"\n                    ESSID:\"Club house\"\n");
        tool("ping",
             "PING 10.1.1.5 (10.1.1.5) 56(84) bytes of data.\n"
             "64 bytes from 10.1.1.5: icmp_seq=1 ttl=64 time=1.10 ms\n"
             "64 bytes from 10.1.1.5: icmp_seq=2 ttl=64 time=0.97 ms\n");
        tool("ip", "    link/ether b8:27:eb:01:02:03 brd ff:ff:ff:ff:ff:ff\n");
        script("hostname", "if [ \"$1\" = -I ]; then echo '10.1.1.9 '; else echo judge-3; fi\n");
        writeFile("/proc/cpuinfo",
                  "Hardware\t: BCM2835\nModel\t\t: Raspberry Pi 3 Model B Rev 1.2\n");
    }

    // The lines of a settings section: after its title, up to the next title or the end.
    static std::vector<std::string> section(const std::vector<std::string>& lines,
                                            const std::string& title, const std::string& next) {
        const int start = find(lines, title);
        int end = next.empty() ? static_cast<int>(lines.size()) : find(lines, next, start);
        if (start < 0 || end < 0) return {};
        return std::vector<std::string>(lines.begin() + start + 1, lines.begin() + end);
    }
};

TEST_F(SettingsReport, EachSectionPrintsOneBlockPerCountedSetting) {
    for (int n : {0, 1, 4}) {
        sql("DELETE FROM param");
        for (int i = 0; i < n; ++i) {
            const std::string number = std::to_string(i);
            setParam("KALVENTRIX_K" + number, number, "Label " + number, "4");
        }
        setParam("PELMORIDUX_PILOT", "12", "Pilot", "4");
        setParam("PELMORIDUX_JUDGE", "5", "Judge", "4");
        printer.printparams();
        const auto lines = paperText();
        const auto kalventrix = section(lines, "KALVENTRIX", "PELMORIDUX");
        EXPECT_EQ(count(kalventrix, kDots), n) << n;
        const auto pelmoridux = section(lines, "PELMORIDUX", "");
        EXPECT_EQ(count(pelmoridux, kDots), 2) << n;
        if (n == 4) {
            EXPECT_GE(find(kalventrix, "Label 3" + std::string(24, ' ') + "3"), 0);
        }
    }
}

TEST_F(SettingsReport, ValuesShareTheLabelLineOnlyWhenBothFit) {
    setParam("KALVENTRIX_CLICK", "1", "Click", "3");
    setParam("KALVENTRIX_WIFI", "0", "Wifi", "3");
    setParam("KALVENTRIX_SSID", "a-rather-long-network", "Name of the network", "1");
    setParam("KALVENTRIX_LANG", "FRA", std::string(29, 'L'), "7");
    printer.printparams();
    const auto lines = section(paperText(), "KALVENTRIX", "PELMORIDUX");
    EXPECT_GE(find(lines, "Click" + std::string(24, ' ') + "YES"), 0);
    EXPECT_GE(find(lines, "Wifi" + std::string(26, ' ') + "NO"), 0);
    // 29 + 3 = 32: no longer fits on one line
    const int lang = find(lines, std::string(29, 'L'));
    ASSERT_GE(lang, 0);
    EXPECT_EQ(lines[lang + 1], "FRA");
    EXPECT_EQ(lines[lang + 2], kDots);
    const int ssid = find(lines, "Name of the network");
    ASSERT_GE(ssid, 0);
    EXPECT_EQ(lines[ssid + 1], "a-rather-long-network");
}

TEST_F(SettingsReport, DeviceEntriesComeFromTheSystemTools) {
    setParam("KALVENTRIX_IPServer", "10.1.1.5", "Server", "2");
    printer.printparams();
    const auto lines = paperText();
    EXPECT_GE(find(lines, "02/03/2025" + std::string(16, ' ') + "02:05"), 0);
    EXPECT_GE(find(lines, "Parameters"), 0);
    EXPECT_GE(find(lines, "Version : KALVENTRIX v2.77"), 0);
    EXPECT_GE(find(lines, "Serial number : 1234"), 0);

    const std::vector<std::pair<std::string, std::string>> entries = {
        {"Model", "Pi 3 Model B Rev 1.2"},    {"Hostname", "judge-3"}, {"IP address", "10.1.1.9 "},
        {"MAC address", "b8:27:eb:01:02:03"}, {"SSID", "Field"},
    };
    for (const auto& [label, value] : entries) {
        const int at = find(lines, label);
        ASSERT_GE(at, 0) << label;
        EXPECT_EQ(lines[at + 1], value) << label;
        EXPECT_EQ(lines[at + 2], kDots) << label;
    }
    const int found = find(lines, "Found SSIDs");
    ASSERT_GE(found, 0);
    EXPECT_EQ(lines[found + 1], "-Field");
    EXPECT_EQ(lines[found + 2], "-Club house");
    EXPECT_EQ(lines[found + 3], kDots);
    const int pings = find(lines, "PINGs");
    ASSERT_GE(pings, 0);
    EXPECT_EQ(lines[pings + 1], "-ttl=64 time=1.10 ms");
    EXPECT_EQ(lines[pings + 2], "-ttl=64 time=0.97 ms");
    EXPECT_EQ(lines[pings + 3], kDots);

    const auto shell = sim::Board::instance().shellLog();
    ASSERT_EQ(shell.size(), 7u);  // six for the report, one for the network name
    EXPECT_EQ(shell[0].command,
              "cat " + root + "/proc/cpuinfo | grep Model > " + root + "/home/pi/txt/model.txt");
    EXPECT_EQ(shell[5].command, "ping -c 3 10.1.1.5 > " + root + "/home/pi/txt/ping.txt");
}

// The address reaches ping without leading zeros and as one shell word.
TEST_F(SettingsReport, PingGetsTheServerAddressAsOneShellWord) {
    const struct {
        const char* stored;
        const char* word;
    } rows[] = {
        {"010.001.001.005", "10.1.1.5"},
        {"club.example;true", "'club.example;true'"},
        {"$(true)", "'$(true)'"},
        {"club house", "'club house'"},
    };
    for (const auto& row : rows) {
        setParam("KALVENTRIX_IPServer", row.stored, "Server", "2");
        const std::size_t from = sim::Board::instance().shellLog().size();
        printer.printparams();
        paperText();
        const auto shell = sim::Board::instance().shellLog();
        ASSERT_GT(shell.size(), from + 5) << row.stored;
        EXPECT_EQ(shell[from + 5].command,
                  std::string("ping -c 3 ") + row.word + " > " + root + "/home/pi/txt/ping.txt")
            << row.stored;
    }
}

TEST_F(SettingsReport, AnEmptyNetworkListStillPrintsItsHeadingAndSeparator) {
    tool("iwlist", "");
    tool("ping", "ping: unknown host\n");
    printer.printparams();
    const auto lines = paperText();
    const int found = find(lines, "Found SSIDs");
    ASSERT_GE(found, 0);
    EXPECT_EQ(lines[found + 1], kDots);
    const int pings = find(lines, "PINGs");
    ASSERT_GE(pings, 0);
    EXPECT_EQ(lines[pings + 1], kDots);
}

TEST_F(SettingsReport, MissingToolOutputLeavesLabelsWithoutValues) {
    for (const char* name : {"iwconfig", "iwlist", "ping", "ip", "hostname"})
        script(name, "exit 1\n");
    writeFile("/proc/cpuinfo", "");
    printer.printparams();
    const auto lines = paperText();
    for (const char* label : {"Model", "Hostname", "IP address", "MAC address"}) {
        const int at = find(lines, label);
        ASSERT_GE(at, 0) << label;
        EXPECT_EQ(lines[at + 1], kDots) << label;
    }
}

class LogReport : public report_test::ReportBoard {};

TEST_F(LogReport, MissingLogSaysSo) {
    printer.printlog();
    const auto lines = paperText();
    EXPECT_GE(find(lines, "WIFI Logs"), 0);
    EXPECT_GE(find(lines, "No log..."), 0);
    EXPECT_EQ(find(lines, "1   --> WIFI error"), -1);
}

TEST_F(LogReport, LegendThenEveryLogLineThenTheSeparator) {
    writeFile("/var/log/kalventrix/log_wifi.log",
              "2025-02-03 14:00:01 1-Wifi error\nCould not connect\n'10.1.1.5' \n\n");
    printer.printlog();
    const auto lines = paperText();
    EXPECT_EQ(find(lines, "No log..."), -1);
    const int legend = find(lines, "1   --> WIFI error");
    ASSERT_GE(legend, 0);
    EXPECT_EQ(lines[legend + 1], "100 --> Flight # error");
    EXPECT_EQ(lines[legend + 12], "904 --> SQL error (insert logs)");
    const int log = find(lines, "2025-02-03 14:00:01 1-Wifi error", legend);
    ASSERT_GT(log, legend + 12);
    EXPECT_EQ(lines[log + 1], "Could not connect");
    EXPECT_EQ(lines[log + 2], "'10.1.1.5' ");
    EXPECT_EQ(lines[log + 3], "");
    EXPECT_EQ(lines[log + 4], kDots);
}

class Listings : public report_test::ReportBoard {};

TEST_F(Listings, UnsentQueueIsPrintedUnderItsTitle) {
    sql("INSERT INTO notsent VALUES (7, 3, 5, 12), (7, 3, 6, 14)");
    printer.printnotsent();
    const auto lines = paperText();
    const int title = find(lines, "T66");
    ASSERT_GE(title, 0);
    EXPECT_EQ(find(lines, "T65"), -1);
    EXPECT_GE(find(lines, "T23 : 7", title), 0);
    EXPECT_GE(find(lines, "    T24 : 3", title), 0);
    EXPECT_GE(find(lines, "        T55 : 12", title), 0);
    EXPECT_GE(find(lines, "        T55 : 14", title), 0);
}

TEST_F(Listings, CatalogueIsPrintedUnderItsTitle) {
    sql("INSERT INTO zeph_programme VALUES (1, 'Pattern', 'F3A-P25', 'ENG')");
    sql("INSERT INTO zeph_figure VALUES (1, 1, 'Loop', 'Loop', 0), (2, 1, 'Roll', 'Roll', 1)");
    printer.printschedules();
    const auto lines = paperText();
    const int title = find(lines, "T65");
    ASSERT_GE(title, 0);
    EXPECT_GE(find(lines, "ENG", title), 0);
    EXPECT_GE(find(lines, "    F3A-P25       (2)", title), 0);
}

TEST_F(Listings, TestPagePrintsBothFonts) {
    testing::internal::CaptureStdout();
    printer.testPage();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "testPage\n");
    const auto lines = paper();
    const std::vector<std::string> block = {"Hello World!", "version",     "268", "dotPrintTime",
                                            "5000",         "dotFeedTime", "500"};
    std::vector<std::string> fontA, fontB;
    for (const auto& line : lines) {
        if (line.text.empty()) continue;
        (line.fontB ? fontB : fontA).push_back(line.text);
    }
    EXPECT_EQ(fontA, block);
    EXPECT_EQ(fontB, block);
}

}  // namespace
