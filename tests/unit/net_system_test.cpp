// The system chores on the virtual board, with the board's stand-ins for
// sudo, date, tee and chmod: the commands really go through /bin/sh, so
// quoting faults would show in the files they write.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "tests/support/drivers_support.h"

using ::testing::HasSubstr;
using ::testing::Not;

// The interface texts come from the database elsewhere; one is enough here.
std::string Translation::tr(int n) {
    return n == 17 ? "Wifi update" : "??";
}

namespace {

namespace fs = std::filesystem;
using drivers_test::board;
using drivers_test::glassRow;
using drivers_test::now;
using drivers_test::shellCommands;

constexpr sim::Micros kMs = 1000;

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Shifts a "YYYY-MM-DD HH:MM:SS" text by whole seconds.
std::string shifted(const std::string& text, long seconds) {
    std::tm t{};
    std::istringstream(text) >> std::get_time(&t, "%Y-%m-%d %H:%M:%S");
    std::time_t when = timegm(&t) + seconds;
    std::tm out{};
    gmtime_r(&when, &out);
    char buffer[32];
    std::strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &out);
    return buffer;
}

class SystemChores : public drivers_test::BoardTest {
  protected:
    void SetUp() override {
        // The board's root is the working directory: one of its own per case,
        // since the cases may run side by side.
        static const fs::path base = fs::current_path();
        fs::path own = base / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(own);
        fs::create_directories(own);
        fs::current_path(own);
        BoardTest::SetUp();
        root = board().config().root;
        installBoardStandIns();
        fs::create_directories(root / "home/pi/txt");
        fs::create_directories(root / "etc/wpa_supplicant");
        ASSERT_TRUE(myLcd.setParam(drivers_test::kScl, drivers_test::kSda, 0x27, 4, 20));
    }

    // The virtual board's own tools, in place of the no-op ones of the driver tests.
    void installBoardStandIns() {
        fs::path bin = root / ".sim/bin";
        for (const char* tool : {"kv-stub-lib.sh", "sudo", "date", "tee", "chmod"}) {
            fs::copy_file(fs::path(KALVENTRIX_SOURCE_DIR) / "sim/stubs" / tool, bin / tool,
                          fs::copy_options::overwrite_existing);
            ::chmod((bin / tool).c_str(), 0755);
        }
    }

    void tap(const std::string& key, unsigned int afterMs) {
        const sim::Micros at = now() + afterMs * kMs;
        board().keyDown(at, key);
        board().keyUp(at + 80 * kMs, key);
    }

    std::string terminalTime() {
        SystemDate("-1");
        std::string text = readFile(root / "home/pi/txt/date.txt");
        return text.substr(0, text.find('\n'));
    }
    size_t dateSets() {
        std::string commands = shellCommands();
        size_t count = 0;
        for (size_t p = commands.find("date --set"); p != std::string::npos;
             p = commands.find("date --set", p + 1))
            ++count;
        return count;
    }

    fs::path root;
};

TEST_F(SystemChores, NoServerTimeOnlyRewritesTheDateFile) {
    SystemDate("-1");
    EXPECT_EQ("date +\"%Y-%m-%d %T\" > " + (root / "home/pi/txt/date.txt").string() + "\n",
              shellCommands());
    EXPECT_EQ(19u, terminalTime().size());
}

TEST_F(SystemChores, ClockOnlyMovesForward) {
    const std::string current = terminalTime();
    ASSERT_EQ(19u, current.size());
    SystemDate(shifted(current, -5));
    SystemDate(current);
    EXPECT_EQ(0u, dateSets());

    const std::string tomorrow = shifted(current, 24 * 3600);
    const std::time_t before = board().wallTime();
    SystemDate(tomorrow);
    EXPECT_THAT(shellCommands(), HasSubstr("sudo date --set '" + tomorrow + "'\n"));
    EXPECT_EQ(1u, dateSets());
    EXPECT_GE(board().wallTime() - before, 24 * 3600 - 2);
}

TEST_F(SystemChores, OnlyAValidTimeReachesTheCommand) {
    for (const char* bad : {"2099-01-01 00:00:00'; touch /tmp/x; '", "2099-13-01 00:00:00",
                            "2099-02-30 00:00:00", "2099-01-01T00:00:00", "9999", ""}) {
        SystemDate(bad);
    }
    EXPECT_EQ(0u, dateSets());
    EXPECT_THAT(shellCommands(), Not(HasSubstr("touch")));
}

TEST_F(SystemChores, WifiConfigurationHoldsTheNameAndPassPhraseExactly) {
    gSSID = "Joe's \"Field\" $HOME net";
    gPW = "p\\a$s'w`d`\\n";
    tap("VALID", 50);
    EXPECT_EQ(0, UpdateWifi());
    EXPECT_EQ(
        "ctrl_interface=DIR=/var/run/wpa_supplicant GROUP=netdev\n"
        "update_config=1\n"
        "country=US\n"
        "network={\n"
        "    ssid=\"Joe's \"Field\" $HOME net\"\n"
        "    psk=\"p\\a$s'w`d`\\n\"\n"
        "}\n",
        readFile(root / "etc/wpa_supplicant/wpa_supplicant.conf"));
}

TEST_F(SystemChores, LineBreaksCannotAddConfigurationLines) {
    gSSID = "net\nnetwork={";
    gPW = "x\r\ny";
    tap("VALID", 50);
    UpdateWifi();
    std::string config = readFile(root / "etc/wpa_supplicant/wpa_supplicant.conf");
    EXPECT_EQ(7, std::count(config.begin(), config.end(), '\n'));
    EXPECT_THAT(config, HasSubstr("    ssid=\"netnetwork={\"\n"));
}

TEST_F(SystemChores, RebootQuestionAnsweredWithValidClearsTheKeys) {
    gSSID = "net";
    gPW = "pw";
    myButton_PLUS.setValue(1);
    tap("VALID", 100);
    EXPECT_EQ(0, UpdateWifi());
    EXPECT_EQ("      Reboot ?      ", glassRow(2));
    EXPECT_EQ("<-> YES   <Valid> NO", glassRow(3));
    EXPECT_EQ(0u, myButton_VALID.getValue());
    EXPECT_EQ(0u, myButton_PLUS.getValue());
}

TEST_F(SystemChores, RebootQuestionAnsweredWithMinusAsksForTheReboot) {
    tap("MINUS", 100);
    EXPECT_EQ(-1, UpdateWifi());
    EXPECT_NE(0u, myButton_MINUS.getValue());  // left for the screen loop
}

TEST_F(SystemChores, WatchdogScriptPingsTheServer) {
    gIPServer = "192.168.004.001";  // as the settings screen stores it
    Create_sh();
    EXPECT_EQ(
        "ping -I wlan0 -c2 192.168.4.1 > /dev/null\n"
        "if [ $? != 0 ]\n"
        "then\n"
        "    echo No network connection, restarting wlan0\n"
        "    sudo ip link set wlan0 down\n"
        "    sleep 3\n"
        "    sudo ip link set wlan0 up\n"
        "fi\n",
        readFile("wifi_reconnect.sh"));
    EXPECT_THAT(shellCommands(), HasSubstr("sudo chmod +x wifi_reconnect.sh\n"));
    EXPECT_TRUE((fs::status("wifi_reconnect.sh").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);
}

TEST_F(SystemChores, WatchdogScriptWithoutAddressKeepsTheDoubleSpace) {
    gIPServer = "";
    Create_sh();
    EXPECT_THAT(readFile("wifi_reconnect.sh"),
                ::testing::StartsWith("ping -I wlan0 -c2  > /dev/null\n"));
}

TEST_F(SystemChores, WatchdogScriptQuotesAnAddressTheShellWouldRead) {
    gIPServer = "http://club.example/x;reboot";
    Create_sh();
    EXPECT_THAT(
        readFile("wifi_reconnect.sh"),
        ::testing::StartsWith("ping -I wlan0 -c2 'http://club.example/x;reboot' > /dev/null\n"));
    gIPServer = "it's";
    Create_sh();
    EXPECT_THAT(readFile("wifi_reconnect.sh"),
                ::testing::StartsWith("ping -I wlan0 -c2 'it'\\''s' > /dev/null\n"));
}

}  // namespace
