// The terminal's program: its globals, interrupt handlers, start-up banner,
// start-up sequence and screen loop.
//
// Every global of the program, defined in the order in which it must be
// constructed: the first button initialises wiringPi for all the others.
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
#include "printer/Pi_Thermal.h"
#include "screens/fn_screen_main.h"
#include "screens/fn_screen_param.h"
#include "screens/fn_screen_sd.h"
#include "screens/fn_screen_shortcuts.h"
#include "screens/fn_screen_test.h"

void myISR_R_C();
void myISR_PLUS();
void myISR_MINUS();
void myISR_VALID();
void myISR_REPEAT();
void myISR_NO();
void myISR_10();
void myISR_9();
void myISR_8();
void myISR_7();
void myISR_6();
void myISR_5();
void myISR_4();
void myISR_3();
void myISR_2();
void myISR_1();
void myISR_0();
void myISR_POWER();
void myISR_ENCODER();

std::string gSchedule;
std::string gLang;
std::string gDate;
std::vector<Note> aNote;

RpButton myButton_R_C("R_C", 22, INT_EDGE_BOTH, myISR_R_C);
RpButton myButton_PLUS("PLUS", 28, INT_EDGE_BOTH, myISR_PLUS);
RpButton myButton_MINUS("MINUS", 24, INT_EDGE_BOTH, myISR_MINUS);
RpButton myButton_VALID("VALID", 27, INT_EDGE_BOTH, myISR_VALID);
RpButton myButton_REPEAT("REPEAT", 29, INT_EDGE_BOTH, myISR_REPEAT);
RpButton myButton_NO("NO", 25, INT_EDGE_BOTH, myISR_NO);
RpButton myButton_10("10", 11, INT_EDGE_BOTH, myISR_10);
RpButton myButton_9("9", 10, INT_EDGE_BOTH, myISR_9);
RpButton myButton_8("8", 6, INT_EDGE_BOTH, myISR_8);
RpButton myButton_7("7", 3, INT_EDGE_BOTH, myISR_7);
RpButton myButton_6("6", 4, INT_EDGE_BOTH, myISR_6);
RpButton myButton_5("5", 0, INT_EDGE_BOTH, myISR_5);
RpButton myButton_4("4", 14, INT_EDGE_BOTH, myISR_4);
RpButton myButton_3("3", 21, INT_EDGE_BOTH, myISR_3);
RpButton myButton_2("2", 13, INT_EDGE_BOTH, myISR_2);
RpButton myButton_1("1", 12, INT_EDGE_BOTH, myISR_1);
RpButton myButton_0("0", 7, INT_EDGE_BOTH, myISR_0);
RpButton myButton_POWER("POWER", 2, INT_EDGE_FALLING, myISR_POWER);
RpEncoder myEncoder("R_C", 5, 26, myISR_ENCODER);
RpLcd myLcd;
Pi_Thermal printer;
int rc = 0;
RpSqlite db("kalventrix-db", &rc);
Translation myTrans;
std::string gIPServer;
std::string gSSID;
std::string gPW;
std::string gHostname;
std::string mySerialNum;

// Settings before the first UpdateParams
bool gNRT = true;
bool gCLICK = false;
bool gDBLLINE = false;
bool gWIFI = false;
bool gCJ = false;
int gNbTicket = 1;
bool gLongWav = false;

int gJudge = 0;
int gComp = 0;
int gFlight = 0;
int gPilot = -1;
int gLine = 1;

std::atomic<bool> startupComplete{false};
int gAddr = 0;
bool gDBLCLICK = false;

int num_screen = 0;
std::atomic<bool> bAllowScore{true};
std::atomic<unsigned int> gPowerTime{0};
int old_pos_raw = 0;

void myISR_R_C() { myButton_R_C.mngt(); }
void myISR_PLUS() { myButton_PLUS.mngt(); }
void myISR_MINUS() { myButton_MINUS.mngt(); }
void myISR_VALID() { myButton_VALID.mngt(); }
void myISR_REPEAT() { myButton_REPEAT.mngt(); }
void myISR_NO() { myButton_NO.mngt(); }
void myISR_10() { myButton_10.mngt(); }
void myISR_9() { myButton_9.mngt(); }
void myISR_8() { myButton_8.mngt(); }
void myISR_7() { myButton_7.mngt(); }
void myISR_6() { myButton_6.mngt(); }
void myISR_5() { myButton_5.mngt(); }
void myISR_4() { myButton_4.mngt(); }
void myISR_3() { myButton_3.mngt(); }
void myISR_2() { myButton_2.mngt(); }
void myISR_1() { myButton_1.mngt(); }
void myISR_0() { myButton_0.mngt(); }
void myISR_POWER() { myButton_POWER.mngt(); }
void myISR_ENCODER() { myEncoder.mngt(); }

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
    if (myLcd.setParam(9, 8, 0x27, 4, 20)) gAddr = 0x27;
    myLcd.setParam(9, 8, gAddr, 4, 20);
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

static RpButton* const kClickButtons[] = {
    &myButton_R_C, &myButton_PLUS, &myButton_MINUS, &myButton_VALID, &myButton_REPEAT,
    &myButton_NO,  &myButton_10,   &myButton_9,     &myButton_8,     &myButton_7,
    &myButton_6,   &myButton_5,    &myButton_4,     &myButton_3,     &myButton_2,
    &myButton_1,   &myButton_0};

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
        for (RpButton* button : kClickButtons) button->setClick(true);
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

static const char* const kBanners[] = {"...Main...", "...Shortcuts...", "...Param...", "...Test...",
                                       "...SD..."};

static void reboot(unsigned int wait) {
    ErrorScreen("2 mn for reboot...");
    platform::shell("sudo shutdown -r now");
    delay(wait);
}

// Runs one screen; true when the program must end for a relaunch.
static bool runScreen(unsigned int screen) {
    myLcd.print(kBanners[screen]);
    int code = 0;
    switch (screen) {
        case 0:
            code = screen_main();
            std::printf("rcReboot : %d\n", code);
            break;
        case 1: code = screen_shortcuts(); break;
        case 2: code = screen_param(); break;
        case 3: screen_test(); return false;  // its result is not acted on
        case 4: code = screen_sd(); break;
    }
    if (code == -2) {
        ErrorScreen("2 sec for relaunch...");
        return true;
    }
    if (code == -1 && screen != 1) reboot(30000);
    return false;
}

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    startup();
    for (;;) {
        delay(10);
        if (myButton_NO.getValue() == 2) {
            if (digitalRead(7) == 0 && digitalRead(29) == 0) reboot(3000);
            if (digitalRead(29) == 0) {
                ErrorScreen("2 sec for relaunch...");
                return 0;
            }
        }
        if (myButton_R_C.getResetValue() == 2)
            num_screen = static_cast<unsigned int>(num_screen) <= 3 ? num_screen + 1 : 0;
        const unsigned int screen = static_cast<unsigned int>(num_screen);
        if (screen > 4) continue;
        if (runScreen(screen)) return 0;
    }
}
