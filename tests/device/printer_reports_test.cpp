// Settings report and log on the virtual board's printer, with stand-ins for
// the system tools.
#include <gtest/gtest.h>

#include "printer/Pi_Thermal.h"
#include "sim/board.h"
#include "tests/support/printer_report_support.h"

extern Pi_Thermal printer;

namespace {

class Reports : public report_test::ReportBoard {
  protected:
    // Each paper line as l, c or r by its justification (capital in double
    // height) and its text, "~" for a row of dots; joined by "|".
    std::string lines() {
        std::string out;
        for (const sim::PaperLine& line : paper())
            out += std::string(
                       1, "lcr"[static_cast<int>(line.justify)] - (line.doubleHeight ? 32 : 0)) +
                   (line.text == std::string(32, '.') ? "~" : line.text) + "|";
        return out;
    }
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
    EXPECT_EQ(lines(),
              "l|l|l02/03/2025                02:05|l|CParameters|cVersion : KALVENTRIX v2.77|"
              "cSerial number : 1234|c|CWIFI|lModel|rPi 3 Model B Rev 1.2|r~|lHostname|rjudge-3|"
              "r~|lIP address|r10.1.1.9 |lIP address|l~|lMAC address|rb8:27:eb:01:02:03|r~|lSSID|"
              "rField|r~|lFound SSIDs|l-Field|l-Club house|l~|lPINGs|l-ttl=64 time=1.10 ms|l~|l|"
              "CKALVENTRIX|cClick                        YES|c~|cServer           010.001.001.005|"
              "c~|l" +
                  std::string(29, 'L') +
                  "|rFRA|r~|r|CPELMORIDUX|cPilot                         12|c~|c|c|c|");
    // The server address reaches ping without leading zeros and as one shell word.
    for (const auto& [stored, word] :
         {std::pair{"010.001.001.005", "10.1.1.5"}, std::pair{"$(true)", "'$(true)'"}}) {
        setParam("KALVENTRIX_IPServer", stored, "Server", "2");
        const size_t from = sim::Board::instance().shellLog().size();
        printer.printparams();
        const auto shell = sim::Board::instance().shellLog();
        ASSERT_EQ(shell.size(), from + 7);
        EXPECT_EQ(shell[from + 5].command,
                  std::string("ping -c 3 ") + word + " > " + root + "/home/pi/txt/ping.txt");
    }
}

TEST_F(Reports, LogShowsTheCodeLegendAndTheLogOrSaysThereIsNone) {
    printer.printlog();
    EXPECT_EQ(lines(), "CWIFI Logs|l|lNo log...|l|l|l|l|");
    writeFile("/var/log/kalventrix/log_wifi.log",
              "2025-02-03 14:00:01 1-Wifi error\nCould not connect\n\n");
    printer.printlog();
    const std::string log = lines();
    EXPECT_EQ(log.substr(0, log.find("|l100")), "CWIFI Logs|l|l1   --> WIFI error");
    EXPECT_EQ(log.substr(log.find("|l904")),
              "|l904 --> SQL error (insert logs)|l|l2025-02-03 14:00:01 1-Wifi error|"
              "lCould not connect|l|l~|l|l|l|l|");
}

}  // namespace
