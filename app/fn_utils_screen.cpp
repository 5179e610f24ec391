// Screen toolkit: framed message screens, the yes/no confirmation, the
// keypad as a whole, and saving the display around a pop-up.
#include <wiringPi.h>

#include <mutex>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"

namespace {

constexpr int kTopLineGlyph = 1;
constexpr int kBottomLineGlyph = 5;
const unsigned char kTopLine[8] = {0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const unsigned char kBottomLine[8] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F};
constexpr unsigned int kKeyPollMillis = 10;

// A row of one custom glyph. The shadow records it too, so that a pop-up
// drawn over the frame puts it back.
void glyphRow(int row, int glyph) {
    myLcd.pos(row, 0);
    for (int col = 0; col < RpLcd::kCols; ++col) {
        myLcd.raw(1, glyph);
        myLcd.setSnapshot(row, col, static_cast<char>(glyph));
    }
}

}  // namespace

void displayFrame() {
    std::lock_guard<RpLcd> drawing(myLcd);
    myLcd.create_char(kTopLineGlyph, kTopLine);
    myLcd.create_char(kBottomLineGlyph, kBottomLine);
    glyphRow(0, kTopLineGlyph);
    glyphRow(3, kBottomLineGlyph);
}

void ErrorScreen(std::string text) {
    std::lock_guard<RpLcd> drawing(myLcd);
    myLcd.clear();
    myLcd.lcdPrint(text, 1, 1, false);
    displayFrame();
    myLcd.pos(3, 10);
}

void ErrorScreen(std::string first, std::string second) {
    std::lock_guard<RpLcd> drawing(myLcd);
    myLcd.clear();
    myLcd.lcdPrint(first, 1, 1, false);
    myLcd.lcdPrint(second, 2, 1, false);
    displayFrame();
    myLcd.pos(3, 10);
}

bool ConfirmScreen(std::string text) {
    ErrorScreen(text);
    ClrButtons();
    while (!ButtonPressed()) delay(kKeyPollMillis);
    return myButton_VALID.getResetValue() != 0;
}

void ClrButtons() {
    for (RpButton* button : aKeypad) button->resetValue();
}

bool ButtonPressed() {
    for (RpButton* button : aKeypad)
        if (button->getValue() != 0) return true;
    return false;
}

void BackupScreen() {
    std::lock_guard<RpLcd> drawing(myLcd);
    old_pos_raw = myLcd.read_pos_raw();
    myLcd.pos(0, 0);
    myLcd.backup();
    myLcd.pos_raw(old_pos_raw);
}

void RestoreScreen() {
    std::lock_guard<RpLcd> drawing(myLcd);
    myLcd.pos(0, 0);
    myLcd.restore();
    myLcd.pos_raw(old_pos_raw);
}
