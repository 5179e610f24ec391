// The system chores on the virtual board, with the board's stand-ins for
// sudo, date, tee and chmod: the commands really go through /bin/sh, so
// quoting faults show in the files they write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "tests/support/drivers_support.h"

// The interface texts come from the database elsewhere; none is needed here.
std::string Translation::tr(int) {
    return "Wifi update";
}

namespace {

namespace fs = std::filesystem;
using drivers_test::board;
using drivers_test::shellCommands;

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SystemChores : public drivers_test::BoardTest {
  protected:
    void SetUp() override {
        // The board's root is the working directory: one of its own per case.
        static const fs::path base = fs::current_path();
        const fs::path own = base / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(own);
        fs::create_directories(own);
        fs::current_path(own);
        BoardTest::SetUp();
        root = board().config().root;
        for (const char* tool : {"kv-stub-lib.sh", "sudo", "date", "tee", "chmod"}) {
            const fs::path to = root / ".sim/bin" / tool;
            fs::copy_file(fs::path(KALVENTRIX_SOURCE_DIR) / "sim/stubs" / tool, to,
                          fs::copy_options::overwrite_existing);
            ::chmod(to.c_str(), 0755);
        }
        fs::create_directories(root / "home/pi/txt");
        fs::create_directories(root / "etc/wpa_supplicant");
        ASSERT_TRUE(myLcd.setParam(drivers_test::kScl, drivers_test::kSda, 0x27, 4, 20));
    }
    void tap(const std::string& key) {
        board().keyDown(drivers_test::now() + 50000, key);
        board().keyUp(drivers_test::now() + 130000, key);
    }
    fs::path root;
};

// The reboot question around it is a settings flow; here the file's text.
TEST_F(SystemChores, WifiConfigurationHoldsTheNameAndPassPhraseOnTheirOwnLines) {
    const struct {
        std::string ssid, pass, lines;  // the lines as written
    } rows[] = {{"Joe's \"Field\" $HOME net", "p\\a$s'w`d`\\n",
                 "ssid=\"Joe's \"Field\" $HOME net\"\n    psk=\"p\\a$s'w`d`\\n\""},
                {"net\nnetwork={", "x\r\ny", "ssid=\"netnetwork={\"\n    psk=\"xy\""}};
    for (const auto& row : rows) {
        gSSID = row.ssid;
        gPW = row.pass;
        tap("VALID");
        EXPECT_EQ(UpdateWifi(), 0);
        EXPECT_EQ(readFile(root / "etc/wpa_supplicant/wpa_supplicant.conf"),
                  "ctrl_interface=DIR=/var/run/wpa_supplicant GROUP=netdev\nupdate_config=1\n"
                  "country=US\nnetwork={\n    " +
                      row.lines + "\n}\n");
    }
}

// The server address without leading zeros, as one shell word.
TEST_F(SystemChores, WatchdogScriptPingsTheServer) {
    for (const auto& [server, word] : {std::pair{"192.168.004.001", "192.168.4.1"},
                                       std::pair{"it's", "'it'\\''s'"}}) {
        gIPServer = server;
        Create_sh();
        EXPECT_EQ(readFile("wifi_reconnect.sh").rfind(
                      std::string("ping -I wlan0 -c2 ") + word + " > /dev/null\n", 0),
                  0u);
    }
}

}  // namespace
