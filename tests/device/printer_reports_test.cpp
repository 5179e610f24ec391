// Settings and device report, log, listings and test page on the virtual
// board's printer, with stand-ins for the system tools.
#include <gtest/gtest.h>

#include "printer/Pi_Thermal.h"
#include "sim/board.h"
#include "tests/support/printer_report_support.h"

extern Pi_Thermal printer;

namespace {

const std::string kDots(32, '.');

class Reports : public report_test::ReportBoard {
  protected:
    // Each paper line as one letter, l c or r by its justification (capital in
    // double height), and its text.
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        for (const sim::PaperLine& line : paper())
            out.push_back(static_cast<char>("lcr"[static_cast<int>(line.justify)] -
                                            (line.doubleHeight ? 32 : 0)) +
                          line.text);
        return out;
    }
    const std::vector<std::string> heading = {"l",
                                              "l",
                                              "l02/03/2025" + std::string(16, ' ') + "02:05",
                                              "l",
                                              "CParameters",
                                              "cVersion : KALVENTRIX v2.77",
                                              "cSerial number : 1234",
                                              "c",
                                              "CWIFI"};
};

TEST_F(Reports, SettingsReportShowsTheDeviceAndEverySettingOfBothFamilies) {
    script("iwconfig", "echo 'wlan0     IEEE 802.11  ESSID:\"Field\"  '\n");
    script("iwlist", "printf '          ESSID:\"Field\"\\n          ESSID:\"Club house\"\\n'\n");
    script("ping", "printf 'PING x\\n64 bytes from 10.1.1.5: icmp_seq=1 ttl=64 time=1.10 ms\\n'\n");
    script("ip", "echo '    link/ether b8:27:eb:01:02:03 brd ff:ff:ff:ff:ff:ff'\n");
    script("hostname",
           "if [ \"$1\" = -I ]; then printf '10.1.1.9 \\nx\\n'; else echo judge-3; fi\n");
    writeFile("/proc/cpuinfo", "Hardware\t: BCM2835\nModel\t\t: Raspberry Pi 3 Model B Rev 1.2\n");
    setParam("KALVENTRIX_IPServer", "010.001.001.005", "Server", "2");
    setParam("KALVENTRIX_CLICK", "1", "Click", "3");
    setParam("KALVENTRIX_LANG", "FRA", std::string(29, 'L'), "7");  // 29 + 3: no longer on one line
    setParam("PELMORIDUX_PILOT", "12", "Pilot", "4");
    printer.printparams();
    std::vector<std::string> expected = heading;
    expected.insert(expected.end(), {"lModel",
                                     "rPi 3 Model B Rev 1.2",
                                     "r" + kDots,
                                     "lHostname",
                                     "rjudge-3",
                                     "r" + kDots,
                                     "lIP address",
                                     "r10.1.1.9 ",
                                     "lIP address",
                                     "l" + kDots,
                                     "lMAC address",
                                     "rb8:27:eb:01:02:03",
                                     "r" + kDots,
                                     "lSSID",
                                     "rField",
                                     "r" + kDots,
                                     "lFound SSIDs",
                                     "l-Field",
                                     "l-Club house",
                                     "l" + kDots,
                                     "lPINGs",
                                     "l-ttl=64 time=1.10 ms",
                                     "l" + kDots,
                                     "l",
                                     "CKALVENTRIX",
                                     "cClick" + std::string(24, ' ') + "YES",
                                     "c" + kDots,
                                     "cServer" + std::string(11, ' ') + "010.001.001.005",
                                     "c" + kDots,
                                     "l" + std::string(29, 'L'),
                                     "rFRA",
                                     "r" + kDots,
                                     "r",
                                     "CPELMORIDUX",
                                     "cPilot" + std::string(25, ' ') + "12",
                                     "c" + kDots,
                                     "c",
                                     "c",
                                     "c"});
    EXPECT_EQ(lines(), expected);
    // The server address reaches ping without leading zeros and as one shell word.
    const std::pair<const char*, const char*> addresses[] = {
        {"010.001.001.005", "10.1.1.5"},
        {"club.example;true", "'club.example;true'"},
        {"$(true)", "'$(true)'"}};
    for (const auto& [stored, word] : addresses) {
        setParam("KALVENTRIX_IPServer", stored, "Server", "2");
        const size_t from = sim::Board::instance().shellLog().size();
        printer.printparams();
        const auto shell = sim::Board::instance().shellLog();
        ASSERT_EQ(shell.size(), from + 7) << "six for the report, one for the network name";
        EXPECT_EQ(shell[from].command, "cat " + root + "/proc/cpuinfo | grep Model > " + root +
                                           "/home/pi/txt/model.txt");
        EXPECT_EQ(shell[from + 5].command,
                  std::string("ping -c 3 ") + word + " > " + root + "/home/pi/txt/ping.txt");
    }
}

TEST_F(Reports, SettingsReportWithoutToolOutputOrSettingsKeepsItsLabels) {
    for (const char* name : {"iwconfig", "iwlist", "ping", "ip", "hostname"})
        script(name, "exit 1\n");
    printer.printparams();
    std::vector<std::string> expected = heading;
    for (const char* label : {"Model", "Hostname", "IP address", "MAC address"})
        expected.insert(expected.end(), {std::string("l") + label, "l" + kDots});
    expected.insert(expected.end(),
                    {"lSSID", "rNo WIFI", "r" + kDots, "lFound SSIDs", "l" + kDots, "lPINGs",
                     "l" + kDots, "l", "CKALVENTRIX", "c", "CPELMORIDUX", "c", "c", "c"});
    EXPECT_EQ(lines(), expected);
}

TEST_F(Reports, LogAndListings) {
    printer.printlog();
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"CWIFI Logs", "l", "lNo log...", "l", "l", "l", "l"}));
    writeFile("/var/log/kalventrix/log_wifi.log",
              "2025-02-03 14:00:01 1-Wifi error\nCould not connect\n\n");
    printer.printlog();
    const std::vector<std::string> log = lines();
    ASSERT_EQ(log.size(), 24u);
    EXPECT_EQ(log[2] + log[3] + log[14],
              "l1   --> WIFI errorl100 --> Flight # errorl904 --> SQL error (insert logs)");
    EXPECT_EQ(
        std::vector<std::string>(log.begin() + 15, log.end()),
        (std::vector<std::string>{"l", "l2025-02-03 14:00:01 1-Wifi error", "lCould not connect",
                                  "l", "l" + kDots, "l", "l", "l", "l"}));
    sql("INSERT INTO notsent VALUES (7, 3, 5, 12), (7, 3, 6, 14);"
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid) VALUES (1, "
        "'F3A-P25', 'ENG', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figshortdesc) VALUES (1, 1, 1, "
        "'Loop'), (2, 1, 2, 'Roll');");
    printer.printnotsent();
    printer.printschedules();
    EXPECT_EQ(lines(), (std::vector<std::string>{"CT66",
                                                 "l",
                                                 "lT23 : 7",
                                                 "l    T24 : 3",
                                                 "l        T55 : 12",
                                                 "l        T55 : 14",
                                                 "l",
                                                 "l",
                                                 "l",
                                                 "l",
                                                 "l",
                                                 "l",
                                                 "CT65",
                                                 "l",
                                                 "lENG",
                                                 "l    F3A-P25       (2)",
                                                 "l",
                                                 "l",
                                                 "l",
                                                 "l",
                                                 "l"}));
}

TEST_F(Reports, TestPagePrintsTheSameLinesInBothFonts) {
    testing::internal::CaptureStdout();
    printer.testPage();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "testPage\n");
    std::vector<std::string> fontA, fontB;
    for (const sim::PaperLine& line : paper())
        if (!line.text.empty()) (line.fontB ? fontB : fontA).push_back(line.text);
    EXPECT_EQ(fontA, (std::vector<std::string>{"Hello World!", "version", "268", "dotPrintTime",
                                               "5000", "dotFeedTime", "500"}));
    EXPECT_EQ(fontB, fontA);
}

}  // namespace
