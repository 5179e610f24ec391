// Screen 3: hardware tests for the technician.
#include "screens/fn_screen_test.h"

#include <wiringPi.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "net/fn_wifi.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "screens/glyphs.h"
#include "screens/menu.h"

namespace {

constexpr int kRows = RpLcd::kRows;
constexpr int kCols = RpLcd::kCols;
constexpr int kPathLength = 44;
constexpr int kEncoderStart = 10;
constexpr int kFrameText = 18;  // columns inside the frame

struct KeyMark {
    RpButton* button;
    int row, col, cells;
};

constexpr int kFirstDigitColumn = 4;  // the drawn keypad reads "0123456789" then "10"

// Where each key shows on the drawn keypad, in the order they are checked.
std::vector<KeyMark> keyMarks() {
    std::vector<KeyMark> marks = {{&myButton_MINUS, 0, 0, 1}};
    for (int digit = 0; digit <= wiring::kHighestDigit; ++digit) {
        const int cells = static_cast<int>(std::to_string(digit).size());
        marks.push_back({&digitButton(digit), 0, kFirstDigitColumn + digit, cells});
    }
    marks.insert(marks.end(), {{&myButton_PLUS, 0, 19, 1},
                               {&myButton_NO, 2, 0, 4},
                               {&myButton_REPEAT, 2, 7, 6},
                               {&myButton_VALID, 2, 15, 5}});
    return marks;
}

void waitForAnyMenuKey() {
    while (myButton_R_C.getValue() == 0) delay(10);
}

void testDisplay() {
    myLcd.clear();
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kCols; ++col) {
            putGlyph(row, col, glyphs::kRightArrow);
            delay(20);
        }
    }
    delay(1000);
}

void testKeypad() {
    display_test_keyboards(0, 0, 0);
    myButton_R_C.resetValue();
    const std::vector<KeyMark> marks = keyMarks();
    while (myButton_R_C.getResetValue() == 0) {
        delay(10);
        for (const KeyMark& mark : marks)
            if (mark.button->getResetValue() == 1)
                display_test_keyboards(mark.row, mark.col, mark.cells);
    }
}

void testPrinter() {
    printer.testPage();
}

void testSdCard() {
    myLcd.clear();
    myLcd.lcdPrint(myTrans.tr(Text::SdCardTestRunning).substr(0, kCols), 0, 1, false);
    myLcd.lcdPrint(myTrans.tr(Text::PleaseWait).substr(0, kCols), 2, 1, false);
    myLcd.cursor(true);
    myLcd.blink(true);
    platform::shell("./sd-test.bash");
    myLcd.cursor(false);
    myLcd.blink(false);
    display_test_SD();
}

void testSound() {
    platform::shell("aplay " + platform::path("/home/pi/TADA.WAV") + " -q &");
}

void testWifi() {
    myLcd.clear();
    if (gWIFI) {
        wifi_scan();
        display_test_WIFI(wifi_test());
        return;
    }
    ErrorScreen(myTrans.tr(Text::ServerLinkOff));
    myButton_VALID.resetValue();
    myButton_R_C.resetValue();
    while (myButton_VALID.getResetValue() == 0 && myButton_R_C.getResetValue() == 0) delay(5);
}

void drawMarker(int step, const char* text) {
    int row = 0, col = 0;
    encoderPathCell(step, &row, &col);
    if (text) {
        myLcd.pos(row, col);
        myLcd.print(text);
    } else {
        putGlyph(row, col, glyphs::kMarker);
    }
}

const Menu kTestMenu = {"Tests",
                        MenuLayout::Inline,
                        {
                            {Text::TestDisplay, staying<testDisplay>},
                            {Text::TestPrinter, staying<testPrinter>},
                            {Text::TestKeypad, staying<testKeypad>},
                            {Text::TestEncoder, staying<display_test_encoder>},
                            {Text::TestSdCard, staying<testSdCard>},
                            {Text::TestSound, staying<testSound>},
                            {Text::TestWifi, staying<testWifi>},
                        }};

}  // namespace

void encoderPathCell(int step, int* row, int* col) {
    step = ((step % kPathLength) + kPathLength) % kPathLength;
    if (step < kCols) {
        *row = 0, *col = step;
    } else if (step < kCols + 2) {
        *row = step - kCols + 1, *col = kCols - 1;
    } else if (step < 2 * kCols + 2) {
        *row = kRows - 1, *col = kCols - 1 - (step - kCols - 2);
    } else {
        *row = kRows - 1 - (step - 2 * kCols - 1), *col = 0;
    }
}

std::string copiedFigures(const std::string& file) {
    static const std::string kMarker = "copied,";
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find(kMarker);
        if (at == std::string::npos) continue;
        const size_t from = at + kMarker.size() + 1;
        return from < line.size() ? line.substr(from, 20) : std::string();
    }
    return std::string();
}

void display_test(int sel) {
    drawMenu(kTestMenu, sel);
}

void display_test_keyboards(int row, int col, int count) {
    loadMarkerGlyph();
    myLcd.clear();
    myLcd.pos(0, 0);
    myLcd.print("-   0....5....10   +");
    myLcd.pos(2, 0);
    myLcd.print("N.O.   REPEAT  VALID");
    if (count <= 0) return;
    myLcd.pos(row, col);
    for (int i = 0; i < count; ++i) myLcd.raw(1, glyphs::kMarker);
    myLcd.pos(row, col);
}

void display_test_encoder() {
    loadMarkerGlyph();
    myLcd.clear();
    myLcd.blink(false);
    myLcd.lcdPrint(myTrans.tr(Text::TurnTheEncoder).substr(0, kCols), 1, 1, false);
    myLcd.lcdPrint(myTrans.tr(Text::MenuKeyLeaves).substr(0, kCols), 2, 1, false);
    int step = kEncoderStart;
    drawMarker(step, nullptr);
    myEncoder.resetValue();
    myButton_R_C.resetValue();
    int last = myEncoder.getValue();
    while (myButton_R_C.getValue() == 0) {
        delay(10);
        const int reading = myEncoder.getValue();
        if (reading == last) continue;
        drawMarker(step, " ");
        step = (step + (reading > last ? 1 : kPathLength - 1)) % kPathLength;
        last = reading;
        drawMarker(step, nullptr);
    }
}

void display_test_SD() {
    myLcd.clear();
    myLcd.lcdPrint(myTrans.tr(Text::SdWriteSpeed).substr(0, kCols), 0, 0, false);
    myLcd.lcdPrint(copiedFigures(platform::path("/home/pi/txt/perf-write.txt")), 1, 0, false);
    myLcd.lcdPrint(myTrans.tr(Text::SdReadSpeed).substr(0, kCols), 2, 0, false);
    myLcd.lcdPrint(copiedFigures(platform::path("/home/pi/txt/perf-read.txt")), 3, 0, false);
    ClrButtons();
    waitForAnyMenuKey();
    ClrButtons();
}

void display_test_WIFI(std::string text) {
    openFramedDialog();
    if (text.size() > static_cast<size_t>(kFrameText)) {
        myLcd.lcdPrint(text.substr(0, kFrameText), 1, 1, false);
        myLcd.lcdPrint(text.substr(kFrameText, kFrameText), 2, 1, false);
    } else {
        myLcd.lcdPrint(text, 2, 1, false);
    }
    myButton_R_C.resetValue();
    waitForAnyMenuKey();
}

int screen_test() {
    return runMenu(kTestMenu).code;
}
