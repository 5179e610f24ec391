// Screen 0: shows the scoring context, takes it from the server or the keys,
// checks the flight and hands it to score entry.
#include "screens/fn_screen_main.h"

#include <wiringPi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/settings.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "printer/Pi_Thermal_layout.h"
#include "screens/fn_screen_note.h"
#include "screens/menu.h"

int myValueNum = 0;

namespace {

constexpr int kFieldSchedule = 3;
constexpr int kFieldPilot = 4;
constexpr int kFieldCount = 5;

struct Field {
    SettingId stored;  // the context key it is kept under
    Text label;
    int labelRow, labelCol;
    int valueRow, valueCol;
    const char* format;
    int digits;
    int largest;
    Text editorTitle;
};

const Field kFields[kFieldCount] = {
    {SettingId::ContextJudge, Text::LabelJudge, 0, 6, 0, 12, "%03d", 3, 999, Text::EditJudge},
    {SettingId::ContextCompetition, Text::LabelCompetition, 1, 0, 1, 5, "%02d", 2, 99,
     Text::EditCompetition},
    {SettingId::ContextFlight, Text::LabelFlight, 1, 11, 1, 18, "%02d", 2, 99, Text::EditFlight},
    {SettingId::ContextSchedule, Text::LabelSchedule, 2, 1, 2, 11, nullptr, 0, 0,
     Text::EditSchedule},
    {SettingId::ContextPilot, Text::LabelPilot, 3, 6, 3, 13, "%03d", 3, 999, Text::EditPilot},
};

// State of one run of the main screen; the digit counter runs on across flights.
struct MainScreen {
    int field = kFieldPilot;
    int lastEncoder = 512;
    int digitCount = 1;
    long lastPoll = 0;
};
MainScreen gMain;

const char* storageKey(int field) {
    return keyOf(kFields[field].stored);
}

int* fieldNumber(int field) {
    switch (field) {
        case 0:
            return &gJudge;
        case 1:
            return &gComp;
        case 2:
            return &gFlight;
        case kFieldPilot:
            return &gPilot;
        default:
            return nullptr;
    }
}

void storeField(int field) {
    if (field == kFieldSchedule)
        db.write_param(storageKey(field), gSchedule);
    else
        db.write_param(storageKey(field), *fieldNumber(field));
}

// Takes the pending events of the keys 0 to 9; the highest one pressed wins, -1 for none.
int takeDigit() {
    int digit = -1;
    for (int d = 0; d < 10; ++d)
        if (digitButton(d).getResetValue() != 0) digit = d;
    return digit;
}

// Centred text clipped to the display width, so that a long translation
// cannot start left of column 0.
void printCentred(const std::string& text, int row, bool clearLine) {
    myLcd.lcdPrint(text.substr(0, 20), row, 1, clearLine);
}

void printAt(int row, int col, const std::string& text) {
    myLcd.pos(row, col);
    myLcd.print(text);
}

std::string fieldText(int field) {
    if (field == kFieldSchedule) return gSchedule;
    const int value = *fieldNumber(field);
    if (field == kFieldPilot && value == -1) return "???";
    char text[16];
    std::snprintf(text, sizeof(text), kFields[field].format, value);
    return text;
}

void saveContext() {
    db.write_param(keyOf(SettingId::ContextCompetition), gComp);
    db.write_param(keyOf(SettingId::ContextFlight), gFlight);
    db.write_param(keyOf(SettingId::ContextSchedule), gSchedule);
    db.write_param(keyOf(SettingId::ContextPilot), gPilot);
}

int askNextPilot() {
    return wifi_next_pilot(&gSchedule, &gComp, &gFlight, &gPilot, &gLine);
}

// The server named a pilot: keep the context and start the flight on the next pass.
void receivedPilot() {
    if (gDate == "-1") {
        gDate = wifi_date();
        if (gDate != "-1") {
            printer.print(gDate);
            printer.printlf();
            printer.printlf();
            printer.printlf();
        }
    }
    saveContext();
    myButton_VALID.setValue(1);
    gMain.field = kFieldPilot;
}

void loadStoredContext() {
    gJudge = db.get_param_int(keyOf(SettingId::ContextJudge));
    gComp = db.get_param_int(keyOf(SettingId::ContextCompetition));
    gFlight = db.get_param_int(keyOf(SettingId::ContextFlight));
    gSchedule = db.get_param_string(keyOf(SettingId::ContextSchedule));
    gPilot = -1;
}

void enterMainScreen() {
    gJudge = db.get_param_int(keyOf(SettingId::ContextJudge));
    if (askNextPilot() > 0)
        receivedPilot();
    else
        loadStoredContext();
    gMain.field = kFieldPilot;
    display_main(kFieldPilot);
    myEncoder.resetValue();
    gMain.lastEncoder = myEncoder.getValue();
    gMain.digitCount = 1;
    gMain.lastPoll = platform::monotonicSeconds();
}

// -1 reboot, -2 relaunch, 0 when no chord is being made.
int chordCode() {
    if (myButton_NO.getValue() != 2) return 0;
    if (myButton_0.held() && myButton_REPEAT.held()) return -1;
    if (myButton_REPEAT.held()) return -2;
    return 0;
}

// The server's objection to a flight; true when the judge forced it.
bool serverRefusalForced(int code) {
    const int id = serverMessageId(code);
    const std::string text = id != 0 ? myTrans.tr(id) : std::string();
    std::printf("display_error : %d\n", code);
    const int forced = display_error(text);
    display_main(gMain.field);
    return forced == 1;
}

bool serverAccepts() {
    // The check names the flight only: the sheet left from the previous pilot
    // would add that pilot's values, which a shorter schedule refuses.
    const int code = gWIFI ? wifi_send_score(std::vector<Note>(), false, gFlight, gJudge, gPilot,
                                             gComp, gSchedule, gLang, gLine)
                           : 0;
    if (code == 0 || (code == 102 && gPilot == 999)) return true;
    return serverRefusalForced(code);
}

// Runs the checks and the flight; true when the pass ends here.
bool startFlight() {
    myButton_VALID.resetValue();
    if (db.check_pilot(gComp, gFlight, gJudge, gPilot) && gPilot != 999) {
        display_pilot_error();
        display_main(gMain.field);
        return true;
    }
    if (!serverAccepts()) return true;
    if (!db.check_schedule(gSchedule, gLang)) {
        display_error_schedule(gSchedule + "/" + gLang, myTrans.tr(Text::ScheduleMissing));
        display_main(gMain.field);
        return true;
    }
    gSchedule = db.get_param_string(keyOf(SettingId::ContextSchedule));
    screen_note();
    // Score entry turns the encoder (browsing, volume): a stale baseline would
    // open the volume dialog, or move the field, the next time it is read.
    gMain.lastEncoder = myEncoder.getValue();
    gMain.field = kFieldPilot;
    // A long MINUS left by score entry stops the chaining to the next pilot.
    if (myButton_MINUS.getValue() != 2 && askNextPilot() >= 0) {
        receivedPilot();
        return true;
    }
    myButton_MINUS.resetValue();
    myButton_R_C.resetValue();
    display_main(gMain.field);
    return false;
}

bool pollForPilot() {
    const long now = platform::monotonicSeconds();
    const bool validOnPilot = myButton_VALID.getValue() == 1 && gMain.field == kFieldPilot;
    const bool pollDue = now > gMain.lastPoll + 5;
    if (gPilot != -1 || !(validOnPilot || pollDue)) return false;
    if (pollDue) gMain.lastPoll = now;
    if (askNextPilot() < 0) return false;
    receivedPilot();
    return true;
}

bool volumeByEncoder(int reading) {
    if (reading == gMain.lastEncoder || !myButton_REPEAT.held()) return false;
    displayVolume(reading > gMain.lastEncoder);
    // The dialog took the turns made while it was open: a stale baseline would
    // reopen it whenever REPEAT is next held, and swallow the relaunch chord.
    gMain.lastEncoder = myEncoder.getValue();
    display_main(gMain.field);
    return true;
}

void selectField(int field, int reading) {
    gMain.field = field;
    gMain.lastEncoder = reading;
    gMain.digitCount = 1;
    display_main(field);
}

void moveCursor(int reading) {
    if (!gCJ) return;
    if (reading > gMain.lastEncoder || myButton_VALID.getResetValue() == 1)
        selectField((gMain.field + 1) % kFieldCount, reading);
    if (reading < gMain.lastEncoder)
        selectField((gMain.field + kFieldCount - 1) % kFieldCount, reading);
}

void stepSchedule() {
    std::string candidate = "-1";
    if (myButton_PLUS.getResetValue() == 1) candidate = db.find_schedule(gSchedule, gLang, true);
    if (myButton_MINUS.getResetValue() == 1) candidate = db.find_schedule(gSchedule, gLang, false);
    if (candidate == "-1" || candidate == "-2") return;
    gSchedule = candidate;
    storeField(kFieldSchedule);
}

void stepNumber(int field) {
    int* number = fieldNumber(field);
    const int plus = static_cast<int>(myButton_PLUS.getResetValue());
    const int minus = static_cast<int>(myButton_MINUS.getResetValue());
    *number += plus - minus;
    if (*number < 1) *number = 1;
    storeField(field);
}

void plusMinus() {
    if (myButton_PLUS.getValue() != 1 && myButton_MINUS.getValue() != 1) return;
    if (gMain.field == kFieldSchedule)
        stepSchedule();
    else
        stepNumber(gMain.field);
    display_main(gMain.field);
}

void typeDigit() {
    const int digit = takeDigit();
    const int field = gMain.field;
    if (digit < 0 || field == kFieldSchedule) return;
    if (gMain.digitCount > kFields[field].digits) gMain.digitCount = 1;
    myValueNum = gMain.digitCount == 1 ? digit : myValueNum * 10 + digit;
    *fieldNumber(field) = myValueNum;
    storeField(field);
    printAt(kFields[field].valueRow, kFields[field].valueCol, fieldText(field));
    gMain.digitCount += 1;
}

// ---------------------------------------------------------------------------
// Field editor

const unsigned char kBorderGlyphs[][9] = {
    // slot, then eight pixel rows from the top
    {0, 0x1F, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},
    {2, 0x1F, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},
    {6, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {4, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x1F},
    {3, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},
    {7, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},
};

void glyphAt(int row, int col, int slot) {
    myLcd.pos(row, col);
    myLcd.raw(1, slot);
}

void showEditorValue(char field) {
    if (field == kFieldSchedule)
        printCentred(gSchedule, 2, true);
    else
        myLcd.lcdPrint(myValueNum, 2, 1, false);
}

void editorDigit(char field, int digit, int& digitCount, int& lastEncoder) {
    if (digitCount > kFields[static_cast<int>(field)].digits) digitCount = 1;
    const int counter = digitCount == 1 ? digit : myEncoder.getValue() * 10 + digit;
    myEncoder.setValue(counter);
    myValueNum = counter;
    showEditorValue(field);
    digitCount += 1;
    lastEncoder = myValueNum;
}

void editorTurn(char field, int reading, int& lastEncoder) {
    if (field == kFieldSchedule) {
        const std::string next = db.find_schedule(gSchedule, gLang, reading > lastEncoder);
        if (next != "-1" && next != "-2") gSchedule = next;
    } else {
        myValueNum += reading - lastEncoder;
        const int largest = kFields[static_cast<int>(field)].largest;
        if (myValueNum < 1) myValueNum = 1;
        if (myValueNum > largest) myValueNum = largest;
        *fieldNumber(field) = myValueNum;
    }
    showEditorValue(field);
    lastEncoder = reading;
}

void nudgeEncoder(int by) {
    myEncoder.setValue(myEncoder.getValue() + by);
}

// The pilot dialog's choices, numbered from 1 on rows 1 to 3.
void erasePilotScores() {
    db.erase_pilot(gComp, gFlight, gJudge, gPilot);
}

void reprintPilotScores() {
    db.read_notes(gComp, gFlight, gJudge, gPilot);
    printer.printticket(gComp, gFlight, gJudge, gPilot, gSchedule, gLang, 0, aNote);
}

const MenuEntry kPilotChoices[] = {
    {Text::PilotBack, MenuAction::stay},
    {Text::PilotErase, staying<erasePilotScores>},
    {Text::PilotReprint, staying<reprintPilotScores>},
};
constexpr int kPilotChoiceCount = sizeof(kPilotChoices) / sizeof(kPilotChoices[0]);

}  // namespace

int serverMessageId(int code) {
    if (code == -1 || code == 1) return static_cast<int>(Text::ServerLinkError);
    return layout::replyCodeTextId(code);
}

void loadBorderGlyphs() {
    for (const auto& glyph : kBorderGlyphs) {
        unsigned char rows[8];
        for (int i = 0; i < 8; ++i) rows[i] = glyph[i + 1];
        myLcd.create_char(glyph[0], rows);
    }
}

void drawBorder() {
    glyphAt(0, 0, 0);
    glyphAt(0, 19, 2);
    glyphAt(3, 0, 6);
    glyphAt(3, 19, 4);
    glyphAt(1, 0, 7);
    glyphAt(2, 0, 7);
    glyphAt(1, 19, 3);
    glyphAt(2, 19, 3);
}

void display_main(int field) {
    myLcd.clear();
    for (int f = 0; f < kFieldCount; ++f) {
        printAt(kFields[f].labelRow, kFields[f].labelCol, myTrans.tr(kFields[f].label));
        printAt(kFields[f].valueRow, kFields[f].valueCol, fieldText(f));
    }
    if (gLine > 1) printAt(0, 18, "L2");
    myLcd.pos(kFields[field].valueRow, kFields[field].valueCol);
    myLcd.blink(true);
}

int screen_main() {
    enterMainScreen();
    for (;;) {
        delay(10);
        if (const int chord = chordCode()) return chord;
        if (myButton_R_C.getValue() == 2) {
            myLcd.blink(false);
            return 0;
        }
        if (myButton_VALID.getValue() == 1 && gMain.field == kFieldPilot && gPilot >= 1 &&
            startFlight())
            continue;
        if (pollForPilot()) continue;
        if (myButton_R_C.getResetValue() == 1) update_main(static_cast<char>(gMain.field));
        const int reading = myEncoder.getValue();
        if (volumeByEncoder(reading)) continue;
        moveCursor(reading);
        plusMinus();
        typeDigit();
    }
}

void display_update_main(char field) {
    loadBorderGlyphs();
    myLcd.clear();
    printCentred(myTrans.tr(kFields[static_cast<int>(field)].editorTitle), 1, false);
    drawBorder();
    if (field == kFieldSchedule)
        printCentred(gSchedule, 2, false);
    else
        myLcd.lcdPrint(myValueNum, 2, 1, false);
}

void update_main(char field) {
    const bool numeric = field != kFieldSchedule;
    myLcd.blink(false);
    if (numeric) {
        myValueNum = *fieldNumber(field);
        myEncoder.setValue(myValueNum);
    } else {
        myEncoder.resetValue();
    }
    myButton_R_C.resetValue();
    display_update_main(field);
    int lastEncoder = myEncoder.getValue();
    int digitCount = 1;
    while (myButton_R_C.getValue() == 0 && myButton_VALID.getValue() == 0) {
        delay(1);
        const int digit = takeDigit();
        if (digit >= 0 && numeric) {
            editorDigit(field, digit, digitCount, lastEncoder);
            continue;
        }
        if (myButton_MINUS.getResetValue() != 0) nudgeEncoder(-1);
        if (myButton_PLUS.getResetValue() != 0) nudgeEncoder(1);
        const int reading = myEncoder.getValue();
        if (reading != lastEncoder) editorTurn(field, reading, lastEncoder);
    }
    if (numeric) *fieldNumber(field) = myValueNum;
    storeField(field);
    display_update_main(field);
    myButton_R_C.resetValue();
    myButton_VALID.resetValue();
}

int display_error(std::string message) {
    myLcd.clear();
    printCentred("<Valid> : retry", 1, false);
    printCentred("<-> : next pilot", 2, false);
    printCentred("<+> : Force params", 3, false);
    printCentred(message, 0, true);
    myLcd.pos(0, 0);
    while (myButton_VALID.getValue() == 0 && myButton_MINUS.getValue() == 0 &&
           myButton_PLUS.getValue() == 0)
        delay(10);
    if (myButton_VALID.getResetValue() != 0) return 0;
    saveContext();
    if (myButton_MINUS.getResetValue() != 0) {
        myButton_VALID.resetValue();
        // The flight start takes the stored schedule as the one scored: the
        // new pilot's context must be stored before his flight starts.
        if (askNextPilot() > 0) {
            saveContext();
            myButton_VALID.setValue(1);
        }
        return 0;
    }
    if (myButton_PLUS.getResetValue() != 0) {
        myButton_PLUS.resetValue();
        myButton_VALID.setValue(1);
        return 1;
    }
    return 0;
}

int display_error_schedule(std::string line0, std::string line1) {
    loadBorderGlyphs();
    myLcd.clear();
    printCentred(line0, 0, true);
    printCentred(line1, 1, true);
    printCentred("<Valid> : Return", 3, false);
    drawBorder();
    myLcd.pos(3, 9);
    while (myButton_VALID.getResetValue() == 0) delay(10);
    return 0;
}

int display_pilot_error() {
    loadBorderGlyphs();
    myLcd.clear();
    printCentred(myTrans.tr(Text::AlreadyScored), 0, false);
    for (int row = 1; row <= kPilotChoiceCount; ++row)
        myLcd.lcdPrint(kPilotChoices[row - 1].label.shown(), row, 0, false);
    drawBorder();
    int choice = 1;
    myLcd.pos(choice, 2);
    myEncoder.resetValue();
    int lastEncoder = myEncoder.getValue();
    myButton_R_C.resetValue();
    myButton_VALID.resetValue();
    for (;;) {
        delay(10);
        const int reading = myEncoder.getValue();
        if (reading != lastEncoder) {
            choice = stepSelection(choice - 1, kPilotChoiceCount, reading > lastEncoder) + 1;
            lastEncoder = reading;
            myLcd.pos(choice, 2);
        }
        if (myButton_R_C.getResetValue() != 0 || myButton_VALID.getResetValue() != 0) break;
    }
    kPilotChoices[choice - 1].action();
    return choice;
}
