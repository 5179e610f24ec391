#include "screens/resend.h"

#include <cstdio>
#include <string>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "printer/Pi_Thermal.h"

int offset = 0;

namespace {

constexpr int kPage = 20;

struct QueuedSheet {
    int comp, flight, judge, pilot;
};

void showPageHeader() {
    myLcd.clear();
    myLcd.lcdPrint(myTrans.tr(Text::Resending).substr(0, RpLcd::kCols), 0, 1, true);
    myLcd.pos(3, 0);
    myLcd.print("CC   FF   JJJ   PPP");
}

void showSheet(int index, const QueuedSheet& sheet) {
    myLcd.pos(1, index);
    myLcd.print("*");
    char text[32];
    std::snprintf(text, sizeof(text), "%02d   %02d   %03d   %03d", sheet.comp, sheet.flight,
                  sheet.judge, sheet.pilot);
    myLcd.pos(2, 0);
    myLcd.print(text);
}

// True when the server took the sheet and it left the queue.
bool resendSheet(const QueuedSheet& sheet) {
    // A sheet whose scores cannot be read would be acknowledged empty and lost.
    if (db.read_notes(sheet.comp, sheet.flight, sheet.judge, sheet.pilot) != 1 || aNote.empty())
        return false;
    const std::vector<Note> copy = aNote;
    if (wifi_resend_score(copy, sheet.comp, sheet.flight, sheet.judge, sheet.pilot) != 0)
        return false;
    return db.delete_notsent(sheet.comp, sheet.flight, sheet.judge, sheet.pilot) == 1;
}

// Tries one page; returns how many of its sheets stayed queued.
int resendPage(int count, const int* comps, const int* flights, const int* judges,
               const int* pilots) {
    int stayed = 0;
    for (int i = 0; i < count; ++i) {
        if (i == 0) showPageHeader();
        const QueuedSheet sheet{comps[i], flights[i], judges[i], pilots[i]};
        showSheet(i, sheet);
        if (!resendSheet(sheet)) ++stayed;
    }
    return stayed;
}

}  // namespace

void resendUnsentSheets() {
    offset = 0;
    printer.printnotsent();
    for (;;) {
        int comps[kPage], flights[kPage], judges[kPage], pilots[kPage];
        const int count = db.read_notsent(comps, flights, judges, pilots, offset, gJudge);
        if (count <= 0) return;
        // Sheets left queued stay in front of the rest: the next page starts after them.
        offset += resendPage(count > kPage ? kPage : count, comps, flights, judges, pilots);
    }
}
