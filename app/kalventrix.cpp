// The terminal's program: start-up banner, start-up sequence and screen
// loop. Its globals are app/globals.cpp and app/devices.cpp.
#include "app/globals.h"

#include <wiringPi.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "app/fn_utils.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "platform/platform.h"
#include "platform/wiring.h"
#include "printer/Pi_Thermal.h"
#include "screens/fn_screen_main.h"
#include "screens/fn_screen_param.h"
#include "screens/fn_screen_sd.h"
#include "screens/fn_screen_shortcuts.h"
#include "screens/fn_screen_test.h"

// ---------------------------------------------------------------------------
// Start-up

static const char* const kVersion = "KALVENTRIX v2.77";

static void blinkBacklightTwice() {
    for (int i = 0; i < 2; ++i) {
        myLcd.backlight(false);
        delay(40);
        myLcd.backlight(true);
        delay(40);
    }
}

void* lcd_test(void*) {
    char banner[50] = {0};
    std::strncpy(banner, kVersion, sizeof(banner) - 1);
    myLcd.clear();
    blinkBacklightTwice();
    myLcd.lcdPrint(wifi_SSID(), 2, 1, true);
    myLcd.lcdPrint(wifi_IP(), 3, 1, true);
    for (size_t i = 0; i < std::strlen(banner); ++i) {
        for (int row = 1; row >= 0; --row) {
            myLcd.pos(row, static_cast<int>(i) + 1);
            myLcd.printf("%c", banner[i]);
            delay(20);
        }
    }
    blinkBacklightTwice();
    delay(500);
    startupComplete = true;
    return 0;
}

// The display answers at 0x27 or, on some boards, at 0x3F.
static void findDisplay() {
    gAddr = 0x3F;
    const int clock = wiring::kDisplayClockPin;
    const int data = wiring::kDisplayDataPin;
    if (myLcd.setParam(clock, data, 0x27, 4, 20)) gAddr = 0x27;
    myLcd.setParam(clock, data, gAddr, 4, 20);
}

static std::string firstLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    if (in && std::getline(in, line)) return line;
    return "";
}

static void recordHostname() {
    const std::string file = platform::path("/home/pi/txt/hostname.txt");
    platform::shell("hostname > " + file);
    gHostname = firstLine(file);
}

// Serial number, printer speed and encoder mode from the board description.
static int readBoardDescription() {
    int speed = 9600;
    std::ifstream in(platform::path("/home/pi/txt/eeprom.txt"));
    std::string line;
    if (!in || !std::getline(in, line)) return speed;
    mySerialNum = line.substr(0, 4);
    if (line.size() > 6) {
        if (line[6] == '1') speed = 9600;
        if (line[6] == '2') speed = 19200;
    }
    if (line.size() > 7) gDBLCLICK = line[7] != '0';
    return speed;
}

// "OK", or the engine's text for a database the terminal cannot use (a
// damaged card, a file that is no database, missing tables).
static std::string databaseState = "OK";

static bool databaseUsable() {
    return databaseState == "OK";
}

static void printStartupTicket(int speed) {
    printer.setParam(platform::path("/dev/serial0"), kInstalledPrinter.firmware.fitted, speed);
    printer.begin(120);
    printer.justify('C');
    printer.setSize('M');
    printer.print(kVersion);
    printer.setSize('S');
    printer.printlf();
    gDate = wifi_date();
    printer.printlf();
    printer.print("Awaited SSID : ");
    printer.print(wifi_SSID());
    printer.printlf();
    printer.print(gDate == "-1" ? std::string("Connection in progress...") : gDate);
    printer.printlf();
    if (!databaseUsable()) {
        printer.print("DATABASE ERROR :");
        printer.printlf();
        printer.print(databaseState);
        printer.printlf();
    }
    printer.printlf();
    printer.printlf();
}

// The text on the two rows inside a frame, cut between words where it can.
static std::pair<std::string, std::string> framedRows(const std::string& text) {
    const size_t width = RpLcd::kCols;
    if (text.size() <= width) return {text, ""};
    size_t cut = text.rfind(' ', width);
    if (cut == std::string::npos || cut == 0) cut = width;
    const size_t rest = text[cut] == ' ' ? cut + 1 : cut;
    return {text.substr(0, cut), text.substr(rest, width)};
}

// Every database operation would fail on the console only: the technician
// is told before anything else, in the engine's words.
static void reportDatabaseProblem() {
    const auto rows = framedRows("DB: " + databaseState);
    ErrorScreen(rows.first, rows.second);
    ClrButtons();
    while (!ButtonPressed()) delay(10);
    ClrButtons();
}

static void startup() {
    findDisplay();
    piThreadCreate(lcd_test);
    std::printf("Hello PI\n");
    platform::shell("whoami > logToto.txt");
    UpdateParams();
    Create_sh();
    platform::shell("sudo mkdir " + platform::path("/var/log/kalventrix"));
    platform::shell("sudo chown -R pi:pi " + platform::path("/var/log/kalventrix"));
    recordHostname();
    if (gCLICK)
        for (RpButton* button : aKeypad) button->setClick(true);
    const int speed = readBoardDescription();
    myEncoder.setDblClick(gDBLCLICK);
    databaseState = db.test_connection();
    printStartupTicket(speed);
    if (myButton_VALID.getResetValue() != 0) gCJ = true;
    ClrButtons();
    while (!startupComplete) delay(10);
    if (!databaseUsable()) reportDatabaseProblem();
    if (!gWIFI) {
        ErrorScreen(myTrans.tr(Text::ServerLinkOff));
        while (myButton_VALID.getResetValue() == 0 && myButton_R_C.getResetValue() == 0) delay(5);
    }
}

// ---------------------------------------------------------------------------
// Screen loop

static void reboot(unsigned int wait) {
    ErrorScreen("2 mn for reboot...");
    platform::shell("sudo shutdown -r now");
    delay(wait);
}

static int runMain() {
    const int code = screen_main();
    std::printf("rcReboot : %d\n", code);
    return code;
}

static int runTest() {
    screen_test();
    return 0;  // its result is not acted on
}

// The screens of the loop in the order a long press of R_C visits them; the
// number of an entry is its num_screen.
struct LoopScreen {
    const char* banner;
    int (*run)();
    bool rebootOnMinusOne;
};

static const LoopScreen kScreens[] = {
    {"...Main...", runMain, true},       {"...Shortcuts...", screen_shortcuts, false},
    {"...Param...", screen_param, true}, {"...Test...", runTest, true},
    {"...SD...", screen_sd, true},
};
static constexpr unsigned int kScreenCount = sizeof kScreens / sizeof kScreens[0];

// Runs one screen; true when the program must end for a relaunch.
static bool runScreen(const LoopScreen& screen) {
    myLcd.print(screen.banner);
    const int code = screen.run();
    if (code == -2) {
        ErrorScreen("2 sec for relaunch...");
        return true;
    }
    if (code == -1 && screen.rebootOnMinusOne) reboot(30000);
    return false;
}

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    startup();
    for (;;) {
        delay(10);
        if (myButton_NO.getValue() == 2) {
            if (myButton_0.held() && myButton_REPEAT.held()) reboot(3000);
            if (myButton_REPEAT.held()) {
                ErrorScreen("2 sec for relaunch...");
                return 0;
            }
        }
        // A screen may park the loop beyond the last one: the next press starts again at 0.
        if (myButton_R_C.getResetValue() == 2)
            num_screen =
                static_cast<unsigned int>(num_screen) + 1 < kScreenCount ? num_screen + 1 : 0;
        const unsigned int screen = static_cast<unsigned int>(num_screen);
        if (screen >= kScreenCount) continue;
        if (runScreen(kScreens[screen])) return 0;
    }
}
