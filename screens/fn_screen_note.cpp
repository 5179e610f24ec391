// Score entry and the end of a flight: each figure announced and scored, the
// sheet confirmed, stored, delivered, printed, and the unsent queue worked off.
#include "screens/fn_screen_note.h"

#include <wiringPi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/settings.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "model/scoring_kinds.h"
#include "net/fn_wifi.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "screens/fn_screen_main.h"

char aCurrentScreen[4][21];
char aFormerScreen[4][20];
bool bBlink = false;
int wifiRet = 0;

namespace {

constexpr int kRows = 4;
constexpr int kCols = 20;
constexpr int kConfirmed = 2;
constexpr int kQueuePage = 20;

struct NoteScreen {
    std::uint8_t index = 0;
    int count = 0;
    int lastEncoder = 512;
    unsigned int headerTime = 0;
    bool announce = false;
};
NoteScreen gNote;

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char text[128];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof(text), pattern, args);
    va_end(args);
    return text;
}

// Language codes and schedule names come from the database and the server:
// each path is one shell word whatever they hold.
void playInBackground(const std::string& file) {
    platform::shell("aplay -q " + shellWord(platform::path(file)) + " &");
}

void playWord(const std::string& word) {
    playInBackground("/home/pi/sounds/#" + gLang + "/SOUNDS/" + word + ".wav");
}

std::string figureSoundCommand(int index) {
    const std::string folder = "/home/pi/sounds/#" + gLang + "/PGM/" + gSchedule + "/";
    const std::string name = format(gLongWav ? "%02dL.WAV" : "%02d.WAV", index + 1);
    return "aplay -q " + shellWord(platform::path(folder) + name) + " &";
}

void announceFigure(int index) {
    platform::shell(figureSoundCommand(index));
}

// Writes text into a row of the display model, clipped to the row.
void placeText(int row, int col, const std::string& text) {
    for (size_t i = 0; i < text.size() && col + static_cast<int>(i) < kCols; ++i)
        if (col + static_cast<int>(i) >= 0) aCurrentScreen[row][col + i] = text[i];
}

void blankRow(int row) {
    std::memset(aCurrentScreen[row], ' ', kCols);
    aCurrentScreen[row][kCols] = '\0';
}

// The value shown at the right end of a figure's row, "" when none is shown.
std::string valueText(Note& note) {
    const int value = note.getValue();
    if (value == -10) return " NO";
    if (value == -20) return " BP";
    if (!knownScoringKind(note.getOption())) return "";
    if (value % 10 != 0) return format(" %2.1f", value / 10.0);
    return format(" %d", value / 10);
}

void fillFigureRow(int row, int figure) {
    Note& note = aNote[figure];
    std::string text = format("%d %-18s", figure + 1, note.getDesc().substr(0, 18).c_str());
    text += std::string(kCols, ' ');
    placeText(row, 0, text.substr(0, kCols));
    const std::string value = valueText(note);
    placeText(row, kCols - static_cast<int>(value.size()), value);
}

// Writes the cells that changed since the last write; true when any did.
bool flushChangedCells() {
    bool written = false;
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kCols; ++col) {
            const char cell = aCurrentScreen[row][col];
            if (cell == aFormerScreen[row][col]) continue;
            const char text[2] = {cell, '\0'};
            myLcd.pos(row, col);
            myLcd.setSnapshot(row, col, cell);
            myLcd.printc(text);
            aFormerScreen[row][col] = cell;
            written = true;
        }
    }
    return written;
}

std::string fullHeader() {
    return format("%d/%d J%d P%d %s", gComp, gFlight, gJudge, gPilot, gSchedule.c_str());
}

std::string flightHeader() {
    return format("C%d   F%d   %s", gComp, gFlight, gSchedule.c_str());
}

std::string judgeHeader() {
    return format("%s %d  %s %d", myTrans.tr(Text::HeaderJudge).c_str(), gJudge,
                  myTrans.tr(Text::HeaderPilot).c_str(), gPilot);
}

void openHeader() {
    std::string header = fullHeader();
    if (header.size() < kCols) header.resize(kCols, ' ');
    bBlink = header.size() > kCols;
    myLcd.clear();
    if (bBlink) header = flightHeader();
    blankRow(0);
    placeText(0, 0, header);
}

void alternateHeader() {
    static bool bSwap = false;
    if (!bBlink || !bAllowScore || micros() - gNote.headerTime <= 1000000) return;
    const std::string text = bSwap ? flightHeader() : judgeHeader();
    blankRow(0);
    placeText(0, std::max(0, (kCols - static_cast<int>(text.size())) / 2), text);
    bSwap = !bSwap;
    gNote.headerTime = micros();
    display_note(gNote.index, false);
}

void applyKey(int code) {
    aNote[gNote.index].update(code);
    display_note(gNote.index, true);
}

void adjustVolume(bool up) {
    bAllowScore = false;
    delay(500);
    BackupScreen();
    displayVolume(up);
    gNote.lastEncoder = myEncoder.getValue();
    if (!up) display_note(gNote.index, true);
    RestoreScreen();
    myButton_REPEAT.resetValue();  // the press held for the volume is no REPEAT
    bAllowScore = true;
}

void browse(int step, int reading) {
    const int next = gNote.index + step;
    if (next >= 0 && next < gNote.count) gNote.index = static_cast<std::uint8_t>(next);
    gNote.lastEncoder = reading;
    announceFigure(gNote.index);
    display_note(gNote.index, false);
}

void handleEncoder() {
    const int reading = myEncoder.getValue();
    if (reading == gNote.lastEncoder) return;
    const bool up = reading > gNote.lastEncoder;
    if (myButton_REPEAT.held())
        adjustVolume(up);
    else
        browse(up ? 1 : -1, reading);
}

void handleScoreKeys() {
    // Button 0's press stays pending while it is applied: on a tenths figure
    // it is the awaited tenth as well, so 0 gives 0.0 at once.
    const unsigned int zero = myButton_0.getValue();
    if (zero == 1) applyKey(0);
    if (zero == 2) applyKey(-2);
    if (zero != 0) myButton_0.resetValue();
    for (int digit = 1; digit <= wiring::kHighestDigit; ++digit)
        if (digitButton(digit).getResetValue() == 1) applyKey(digit);
}

void handleRepeat() {
    const unsigned int repeat = myButton_REPEAT.getResetValue();
    if (repeat == 2) gLongWav = !gLongWav;
    if (repeat == 1 || repeat == 2) announceFigure(gNote.index);
}

void handleMarks() {
    if (myButton_MINUS.getResetValue() == 1) applyKey(12);
    if (myButton_PLUS.getResetValue() == 1) applyKey(13);
    if (myButton_NO.getResetValue() == 1) applyKey(14);
}

void refuseUntouchedFigure() {
    for (int i = 0; i < 5; ++i) {
        myLcd.backlight(false);
        delay(50);
        myLcd.backlight(true);
        delay(50);
    }
    playWord("ES");
}

// ---------------------------------------------------------------------------
// End of the flight

void waitForValid() {
    ClrButtons();
    while (myButton_VALID.getResetValue() == 0) delay(10);
}

// The sheet is stored and queued at once, before it goes out: a power cut
// during the delivery, however long that takes, leaves it queued for a resend.
// It leaves the queue once the server has accepted it.
struct Keeping {
    bool queued = false;  // rows and queue entry committed together
    bool stored = false;  // and the rows read back hold the sheet
};

// The rows read back must hold the sheet: a statement can fail after it was prepared.
Keeping storeAndQueue() {
    const std::vector<Note> sheet = aNote;
    Keeping kept;
    kept.queued = db.write_notes_notsent(sheet, gComp, gFlight, gJudge, gPilot) == 1;
    if (kept.queued && db.read_notes(gComp, gFlight, gJudge, gPilot) == 1 &&
        aNote.size() >= sheet.size()) {
        kept.stored = std::equal(sheet.begin(), sheet.end(), aNote.begin(),
                                 [](Note a, Note b) { return a.getValue() == b.getValue(); });
    }
    aNote = sheet;
    return kept;
}

void reportUnstoredSheet() {
    std::printf("sheet not stored : %d/%d J%d P%d\n", gComp, gFlight, gJudge, gPilot);
    ErrorScreen("SHEET NOT STORED !", "<Valid> : continue");
    waitForValid();
}

void printTicket() {
    printer.printticket(gComp, gFlight, gJudge, gPilot, gSchedule, gLang, wifiRet, aNote);
}

void askForTicket() {
    ClrButtons();
    myLcd.clear();
    myLcd.lcdPrint(myTrans.tr(Text::TicketQuestion).substr(0, kCols), 0, 1, true);
    myLcd.lcdPrint(myTrans.tr(Text::TicketQuestionPrint).substr(0, kCols), 2, 1, false);
    myLcd.lcdPrint(myTrans.tr(Text::TicketQuestionSkip).substr(0, kCols), 3, 1, false);
    myLcd.pos(0, 0);
    while (myButton_VALID.getValue() == 0 && myButton_PLUS.getValue() == 0) delay(10);
    if (myButton_VALID.getResetValue() != 0) return;
    if (myButton_PLUS.getResetValue() != 0) printTicket();
}

void ticket() {
    if (db.get_param_int(keyOf(SettingId::Tickets)) != 0)
        printTicket();
    else
        askForTicket();
}

// Resends up to one page of this judge's queued sheets over the working link.
void resendQueue() {
    int comps[kQueuePage], flights[kQueuePage], judges[kQueuePage], pilots[kQueuePage];
    const int queued =
        std::min(db.read_notsent(comps, flights, judges, pilots, 0, gJudge), kQueuePage);
    for (int i = 0; i < queued; ++i) {
        if (i == 0) ErrorScreen(myTrans.tr(Text::ResendingQueue));
        myLcd.pos(2, i);
        myLcd.print("*");
        // An empty resend would be acknowledged and drop the entry for good.
        if (db.read_notes(comps[i], flights[i], judges[i], pilots[i]) != 1 || aNote.empty())
            continue;
        if (wifi_resend_score(aNote, comps[i], flights[i], judges[i], pilots[i]) == 0)
            db.delete_notsent(comps[i], flights[i], judges[i], pilots[i]);
    }
}

void deliver() {
    wifiRet = gWIFI ? wifi_send_score(aNote, true, gFlight, gJudge, gPilot, gComp, gSchedule, gLang,
                                      gLine)
                    : -1;
}

// True when the judge confirmed and the sheet went its way; false to go back to it.
bool endOfFlight() {
    playWord("F");
    BackupScreen();
    if (display_validation() != kConfirmed) {
        gNote.lastEncoder = myEncoder.getValue();
        RestoreScreen();
        display_note(gNote.index, true);
        return false;
    }
    ErrorScreen(myTrans.tr(Text::PleaseWait));
    const Keeping kept = storeAndQueue();
    deliver();
    if (wifiRet == 0) db.delete_notsent(gComp, gFlight, gJudge, gPilot);
    if (!kept.stored) reportUnstoredSheet();
    ticket();
    ClrButtons();
    if (wifiRet != 0) {
        if (!kept.queued) db.write_notsent(gComp, gFlight, gJudge, gPilot);
    } else {
        resendQueue();
    }
    return true;
}

// True when the screen ends.
bool handleValid() {
    if (myButton_VALID.getResetValue() != 1) return false;
    Note& note = aNote[gNote.index];
    if (note.getValue() == 100 && !note.getUpdate()) {
        refuseUntouchedFigure();
    } else if (gNote.index < gNote.count - 1) {
        if (gNRT && gWIFI) wifi_send_NRT(gNote.index, gFlight, gJudge, gPilot, gComp, gLine);
        gNote.index += 1;
        announceFigure(gNote.index);
        gNote.announce = false;
    } else if (endOfFlight()) {
        return true;
    }
    display_note(gNote.index, gNote.announce);
    gNote.announce = true;
    return false;
}

void clearEntryKeys() {
    for (int digit = 0; digit <= wiring::kHighestDigit; ++digit) digitButton(digit).resetValue();
    for (RpButton* key : {&myButton_NO, &myButton_MINUS, &myButton_PLUS}) key->resetValue();
}

// A schedule without figures cannot be scored: say so and leave as if abandoned.
void refuseEmptySchedule() {
    display_error_schedule(gSchedule + "/" + gLang, myTrans.tr(Text::ScheduleMissing));
    ClrButtons();
    myButton_MINUS.setValue(2);
}

bool openSheet() {
    std::memset(aFormerScreen, ' ', sizeof(aFormerScreen));
    myLcd.cursor(false);
    const int count = db.init_scores(gSchedule, gLang, gComp, gFlight, gPilot);
    // The figure index is 8 bits wide.
    gNote = NoteScreen();
    gNote.count = std::min({count, static_cast<int>(aNote.size()), 256});
    if (gNote.count < 1) {
        refuseEmptySchedule();
        return false;
    }
    myEncoder.resetValue();
    ClrButtons();
    gNote.lastEncoder = myEncoder.getValue();
    openHeader();
    display_note(0, true);
    gNote.headerTime = micros();
    const std::string command = figureSoundCommand(0);
    std::printf("wavBuffer2 : %s\n", command.c_str());
    platform::shell(command);
    clearEntryKeys();
    return true;
}

}  // namespace

void display_note(int index, bool announce) {
    for (int row = 1; row < kRows; ++row) blankRow(row);
    const int size = static_cast<int>(aNote.size());
    if (announce && index >= 0 && index < size) playWord(Note::soundName(aNote[index].getValue()));
    for (int row = 1; row < kRows; ++row) {
        const int figure = index + row - 2;
        if (figure >= 0 && figure < size) fillFigureRow(row, figure);
    }
    if (flushChangedCells()) {
        myLcd.pos(2, 0);
        myLcd.blink(true);
    }
}

int display_validation() {
    loadBorderGlyphs();
    myLcd.clear();
    myLcd.lcdPrint("Validation", 0, 1, false);
    myLcd.lcdPrint(myTrans.tr(Text::StoreSheet).substr(0, kCols), 2, 1, false);
    myLcd.lcdPrint(myTrans.tr(Text::BackToScoring).substr(0, kCols), 3, 1, false);
    drawBorder();
    int choice = 2;
    myLcd.pos(choice, 10);
    myEncoder.resetValue();
    int lastEncoder = myEncoder.getValue();
    for (;;) {
        delay(10);
        const int reading = myEncoder.getValue();
        if (reading > lastEncoder || myButton_PLUS.getResetValue() == 1) {
            choice = choice > 2 ? 2 : choice + 1;
            lastEncoder = reading;
            myLcd.pos(choice, 10);
        }
        if (reading < lastEncoder || myButton_MINUS.getResetValue() == 1) {
            choice = choice <= 2 ? 2 : choice - 1;
            lastEncoder = reading;
            myLcd.pos(choice, 10);
        }
        const unsigned int menu = myButton_R_C.getResetValue();
        const unsigned int valid = myButton_VALID.getResetValue();
        if (menu == 1 || valid == 1) return choice;
    }
}

void screen_note() {
    if (!openSheet()) return;
    for (;;) {
        delay(10);
        alternateHeader();
        if (myButton_MINUS.getValue() == 2 && gNote.index == 0) return;  // abandoned
        handleEncoder();
        handleScoreKeys();
        handleRepeat();
        handleMarks();
        if (handleValid()) return;
    }
}
