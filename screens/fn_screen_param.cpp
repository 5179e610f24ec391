// Screen 2: browsing and editing the settings.
#include "screens/fn_screen_param.h"

#include <wiringPi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "screens/glyphs.h"
#include "screens/menu.h"

bool bUpdate = false;

namespace {

constexpr int kCols = RpLcd::kCols;
constexpr unsigned int kSoundGapMs = 500;

struct ParamRow {
    std::string value, label, type;
};

ParamRow readRow(const std::string& key) {
    ParamRow row;
    db.read_param(key, &row.value, &row.label, &row.type);
    return row;
}

std::string stepText(std::string value, int position, int last, int reading) {
    if (position < 0 || position >= static_cast<int>(value.size())) return value;
    const auto moved = static_cast<std::uint8_t>(static_cast<std::uint8_t>(value[position]) +
                                                 static_cast<std::uint8_t>(reading) -
                                                 static_cast<std::uint8_t>(last));
    const Limits chars = typeLimits(kParamText);
    char c = static_cast<char>(moved);
    if (moved > chars.highest) c = static_cast<char>(chars.lowest);
    if (moved < chars.lowest) c = static_cast<char>(chars.highest);
    value[position] = c;
    return value;
}

// A stored value too short for the four fields gets its missing numbers.
std::string quadForm(std::string value) {
    static const char kFilled[] = "001.001.001.001";
    if (value.size() < kQuadLength) value += std::string(kFilled).substr(value.size());
    return value;
}

std::string stepQuad(const std::string& stored, int position, int steps) {
    std::string value = quadForm(stored);
    const size_t at = static_cast<size_t>(4 * position);
    const Limits limits = typeLimits(kParamQuad);
    const int number =
        std::clamp(std::atoi(value.substr(at, 3).c_str()) + steps, limits.lowest, limits.highest);
    char digits[8];
    std::snprintf(digits, sizeof(digits), "%03d", number);
    value.replace(at, 3, digits);
    return value;
}

std::string stepNumber(int type, const std::string& key, const std::string& value, int steps) {
    const Limits limits = limitsFor(type, key);
    const long number = static_cast<long>(std::atoi(value.c_str())) + steps;
    return std::to_string(std::clamp<long>(number, limits.lowest, limits.highest));
}

// Sets the mixer at every change; the sample at most every half second.
void soundVolume(int volume, unsigned int* lastSound, bool* sounded) {
    char command[64];
    std::snprintf(command, sizeof(command), "sudo amixer cset numid=1 %d%%", volume);
    platform::shell(command);
    const unsigned int now = millis();
    if (*sounded && now - *lastSound <= kSoundGapMs) return;
    std::printf("wavBuffer\n");
    platform::shell("aplay -q " + platform::path("/home/pi/TADA.WAV") + " &");
    *lastSound = now;
    *sounded = true;
}

RpButton* const kClickKeys[] = {
    &myButton_R_C, &myButton_PLUS, &myButton_MINUS, &myButton_VALID, &myButton_REPEAT, &myButton_NO,
    &myButton_0,   &myButton_1,    &myButton_2,     &myButton_3,     &myButton_4,      &myButton_5,
    &myButton_6,   &myButton_7,    &myButton_8,     &myButton_9,     &myButton_10};

// Settings that the running terminal takes over at once.
void applyNow(const Setting* edited, const std::string& value) {
    if (!edited || edited->applied != Applied::AtOnce) return;
    takeSetting(edited->id, value);
    if (edited->id == SettingId::KeyClick)
        for (RpButton* button : kClickKeys) button->setClick(gCLICK);
}

void placeEditCursor(int type, int position) {
    if (type == kParamText) myLcd.pos(2, position + 1);
    if (type == kParamQuad) myLcd.pos(2, 4 * position + 2);
}

int valueColumn(const std::string& value) {
    return std::max(0, (kCols - static_cast<int>(value.size())) / 2);
}

std::string nextLanguage(bool forward) {
    const std::string language = db.find_language(gLang, forward);
    if (language == "-1") return gLang;  // the catalogue could not be read
    gLang = language;
    return language;
}

int updateWifiFrom(const Setting& edited, const std::string& value) {
    takeSetting(edited.id, value);
    const int answer = UpdateWifi();
    if (answer == 0) ClrButtons();
    return answer;
}

bool menuKeyIs(unsigned int value) {
    return myButton_R_C.getValue() == value;
}

bool printReport(int index) {
    if (myButton_PLUS.getResetValue() == 0) return false;
    myLcd.clear();
    myLcd.lcdPrint(myTrans.tr(Text::PleaseWait).substr(0, kCols), 2, 1, true);
    printer.printparams();
    display_param(index);
    return true;
}

MenuAction editSelected(int index) {
    const int answer = update_param(db.read_param_n(kSettingsPrefix, index));
    return answer != 0 ? MenuAction::leaveWith(answer) : MenuAction::stay();
}

}  // namespace

std::string trimTrailingBlanks(std::string text) {
    const size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string stepParamValue(int type, const std::string& key, const std::string& value, int position,
                           int last, int reading) {
    const int steps = reading - last;
    switch (type) {
        case kParamText:
            return stepText(value, position, last, reading);
        case kParamQuad:
            return stepQuad(value, position, steps);
        case kParamOnOff:
            return value == "0" ? "1" : "0";
        case kParamNumber:
        case kParamVolume:
            return stepNumber(type, key, value, steps);
        case kParamSpeed:
            return value == "19200" ? "9600" : "19200";
        default:
            return value;
    }
}

void display_param(int index) {
    std::string keys[3], values[3], labels[3], types[3];
    db.read_params(kSettingsPrefix, index, keys, values, labels, types, 3);
    const bool hasNext = !keys[2].empty();
    drawMenuWindow("Params", MenuLayout::Padded, index > 0 ? &labels[0] : nullptr, labels[1],
                   hasNext ? &labels[2] : nullptr);
    if (index == 0) {
        myLcd.lcdPrint("<+> Print params", 1, 1, true);
        myLcd.pos(2, 0);
    }
}

void display_update_param(std::string key) {
    openFramedDialog();
    const ParamRow row = readRow(key);
    myLcd.lcdPrint(row.label.substr(0, kTextWidth), 1, 1, false);
    if (row.type == "1") {
        myLcd.pos(2, 1);
        myLcd.print(row.value.substr(0, kTextWidth));
    } else {
        myLcd.lcdPrint(row.value.substr(0, kTextWidth), 2, 1, false);
    }
    int column = valueColumn(row.value);
    if (row.type == "4") column += static_cast<int>(row.value.size()) - 1;
    myLcd.pos(2, std::min(column, kCols - 1));
    if (row.type == "3") {
        myLcd.lcdPrint(row.value == "1" ? "ON" : "OFF", 2, 1, false);
        myLcd.pos(2, 10);
    }
}

int update_param(std::string key) {
    const Setting* declared = findSetting(key);
    const ParamRow row = readRow(key);
    const int type = std::atoi(row.type.c_str());
    std::string value = row.value;
    if (type == kParamText) {
        value = value.substr(0, kTextWidth);
        value.resize(kTextWidth, ' ');
    }
    display_update_param(key);
    myLcd.pos(2, type == kParamText ? 1 : valueColumn(value));
    myEncoder.resetValue();
    int last = myEncoder.getValue();
    int position = 0;
    unsigned int lastSound = 0;
    bool sounded = false;
    bool edited = false;
    for (;;) {
        delay(10);
        if (menuKeyIs(2)) break;
        if (menuKeyIs(1)) {
            myButton_R_C.resetValue();
            myEncoder.resetValue();
            last = myEncoder.getValue();
            if (type != kParamText && type != kParamQuad) return 0;
            position = (position + 1) % (type == kParamText ? kTextWidth : kQuadCount);
            display_update_param(key);
            placeEditCursor(type, position);
        }
        const int reading = myEncoder.getValue();
        if (reading == last) continue;
        value = type == kParamLanguage ? nextLanguage(reading > last)
                                       : stepParamValue(type, key, value, position, last, reading);
        if (type == kParamVolume) soundVolume(std::atoi(value.c_str()), &lastSound, &sounded);
        edited = true;
        db.write_param(key, value);
        applyNow(declared, value);
        display_update_param(key);
        placeEditCursor(type, position);
        last = reading;
    }
    myButton_R_C.resetValue();
    myEncoder.resetValue();
    if (type == kParamText) {
        // An unedited text keeps its characters beyond the editable eighteen.
        value = trimTrailingBlanks(edited ? value : row.value);
        db.write_param(key, value);
    }
    if (declared && declared->applied == Applied::WifiOnClose)
        return updateWifiFrom(*declared, value);
    return 0;
}

int screen_param() {
    bUpdate = false;
    MenuScreen screen;
    screen.count = [] { return db.read_nb_params(kSettingsPrefix); };
    screen.draw = display_param;
    screen.run = editSelected;
    screen.otherKeys = printReport;
    const MenuExit exit = runMenu(screen);
    bUpdate = exit.acted;
    if (exit.longPress && bUpdate) num_screen = 10;
    return exit.code;
}
