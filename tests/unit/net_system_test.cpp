// The system chores on the virtual board, with the board's stand-ins for
// sudo, tee and chmod: the commands really go through /bin/sh, so
// quoting faults show in the files they write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "tests/support/drivers_support.h"
#include "tests/support/files.h"

// The interface texts come from the database elsewhere; none is needed here.
std::string Translation::tr(int) {
    return "Wifi update";
}

namespace {

namespace fs = std::filesystem;
using drivers_test::board;

class SystemChores : public drivers_test::BoardTest {
  protected:
    // The board's stand-ins for these tools, in front of the sandbox's PATH.
    fs::path withTools(std::initializer_list<const char*> tools) {
        const fs::path root = board().config().root;
        for (const char* tool : tools) {
            const fs::path to = root / ".sim/bin" / tool;
            fs::copy_file(fs::path(KALVENTRIX_SOURCE_DIR) / "sim/stubs" / tool, to,
                          fs::copy_options::overwrite_existing);
            ::chmod(to.c_str(), 0755);
        }
        return root;
    }
};

// "YYYY-MM-DD HH:MM:SS" moved by whole seconds.
std::string shifted(const std::string& text, long seconds) {
    std::tm t{};
    std::istringstream(text) >> std::get_time(&t, "%Y-%m-%d %H:%M:%S");
    const std::time_t when = timegm(&t) + seconds;
    char buffer[32];
    std::strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", gmtime_r(&when, &t));
    return buffer;
}

// The server's time may set the clock forward, never back.
TEST_F(SystemChores, TheClockOnlyMovesForward) {
    const fs::path root = withTools({"kv-stub-lib.sh", "sudo", "date"});
    fs::create_directories(root / "home/pi/txt");
    SystemDate("-1");
    const std::string current = kv_test::readFile((root / "home/pi/txt/date.txt").string());
    const std::time_t before = board().wallTime();
    for (long seconds : {24 * 3600L, -5L, 0L}) SystemDate(shifted(current.substr(0, 19), seconds));
    EXPECT_NEAR(board().wallTime() - before, 24 * 3600, 2);
}

// The reboot question around the WiFi update is a settings flow; here the
// files the chores write.
TEST_F(SystemChores, WifiConfigurationAndWatchdogHoldWhatTheyAreGivenAsIs) {
    const fs::path root = withTools({"kv-stub-lib.sh", "sudo", "tee", "chmod"});
    fs::create_directories(root / "etc/wpa_supplicant");
    ASSERT_TRUE(myLcd.setParam(drivers_test::kScl, drivers_test::kSda, 0x27, 4, 20));
    const struct {
        std::string ssid, pass, lines;  // the lines as written
    } rows[] = {{"Joe's \"Field\" $HOME net", "p\\a$s'w`d`\\n",
                 "ssid=\"Joe's \"Field\" $HOME net\"\n    psk=\"p\\a$s'w`d`\\n\""},
                {"net\nnetwork={", "x\r\ny", "ssid=\"netnetwork={\"\n    psk=\"xy\""}};
    for (const auto& row : rows) {
        gSSID = row.ssid;
        gPW = row.pass;
        board().keyDown(drivers_test::now() + 50000, "VALID");
        board().keyUp(drivers_test::now() + 130000, "VALID");
        EXPECT_EQ(UpdateWifi(), 0);
        EXPECT_EQ(kv_test::readFile((root / "etc/wpa_supplicant/wpa_supplicant.conf").string()),
                  "ctrl_interface=DIR=/var/run/wpa_supplicant GROUP=netdev\nupdate_config=1\n"
                  "country=US\nnetwork={\n    " +
                      row.lines + "\n}\n");
    }
    // The watchdog pings the server address without leading zeros.
    for (const auto& [server, word] :
         {std::pair{"192.168.004.001", "192.168.4.1"}, std::pair{"it's", "'it'\\''s'"}}) {
        gIPServer = server;
        Create_sh();
        EXPECT_EQ(kv_test::readFile("wifi_reconnect.sh")
                      .rfind(std::string("ping -I wlan0 -c2 ") + word + " > /dev/null\n", 0),
                  0u);
    }
}

}  // namespace
