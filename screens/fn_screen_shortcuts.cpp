// Screen 1: quick actions for the judge during the day.
#include "screens/fn_screen_shortcuts.h"

#include <wiringPi.h>

#include <fstream>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "model/fn_note.h"
#include "printer/Pi_Thermal.h"
#include "screens/menu.h"
#include "screens/resend.h"

namespace {

constexpr int kPinRepeat = 29;  // REPEAT, read while the volume dialog closes
const int kEntryTexts[] = {74, 75, 76, 47, 77};

enum Entry { kRelaunch, kReprint, kVolume, kResend, kMainScreen };

template <typename T>
void readValue(const char* file, T* value) {
    std::ifstream in(file);
    in >> *value;
    if (in.fail()) *value = T();
}

void reprint(const LastTicket& ticket) {
    aNote.clear();
    db.read_notes(ticket.comp, ticket.flight, ticket.judge, ticket.pilot);
    printer.printticket(ticket.comp, ticket.flight, ticket.judge, ticket.pilot, ticket.schedule,
                        gLang, 0, aNote);
}

// Each round opens the dialog upwards. When the knob has moved by then and
// REPEAT is held, the dialog opens again in the direction of that move and the
// entry runs again at once, from a fresh dialog upwards.
void volume() {
    int last = myEncoder.getValue();
    for (;;) {
        displayVolume(true);
        const int reading = myEncoder.getValue();
        if (reading == last || digitalRead(kPinRepeat) != 0) return;
        displayVolume(reading > last);
        last = myEncoder.getValue();
    }
}

}  // namespace

LastTicket readLastTicket() {
    LastTicket ticket;
    readValue("lastTicket_comp.txt", &ticket.comp);
    readValue("lastTicket_judge.txt", &ticket.judge);
    readValue("lastTicket_flight.txt", &ticket.flight);
    readValue("lastTicket_pilot.txt", &ticket.pilot);
    readValue("lastTicket_schedule.txt", &ticket.schedule);
    return ticket;
}

void display_shortcut(int sel) {
    std::vector<std::string> labels;
    for (int id : kEntryTexts) labels.push_back(myTrans.tr(id));
    drawMenu(myTrans.tr(73), MenuLayout::Inline, labels, sel);
}

int screen_shortcuts() {
    const LastTicket ticket = readLastTicket();
    MenuScreen screen;
    screen.count = [] { return static_cast<int>(sizeof(kEntryTexts) / sizeof(kEntryTexts[0])); };
    screen.draw = display_shortcut;
    screen.run = [&ticket](int sel) {
        switch (sel) {
            case kRelaunch:
                return MenuAction::leaveWith(-2);
            case kReprint:
                reprint(ticket);
                break;
            case kVolume:
                volume();
                break;
            case kResend:
                resendUnsentSheets();
                break;
            case kMainScreen:
                num_screen = 0;
                return MenuAction::leaveWith(0);
            default:
                break;
        }
        return MenuAction::stay();
    };
    const MenuExit exit = runMenu(screen);
    if (exit.longPress && exit.acted) num_screen = 10;
    return exit.code;
}
