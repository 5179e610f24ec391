// Screen 1: quick actions for the judge during the day.
#include "screens/fn_screen_shortcuts.h"

#include <wiringPi.h>

#include <fstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "model/fn_note.h"
#include "printer/Pi_Thermal.h"
#include "screens/menu.h"
#include "screens/resend.h"

namespace {

// The last ticket as its files held it when the screen opened.
LastTicket ticketAtEntry;

template <typename T>
void readValue(const char* file, T* value) {
    std::ifstream in(file);
    in >> *value;
    if (in.fail()) *value = T();
}

MenuAction relaunch() {
    return MenuAction::leaveWith(-2);
}

void reprint() {
    const LastTicket& ticket = ticketAtEntry;
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
        if (reading == last || !myButton_REPEAT.held()) return;
        displayVolume(reading > last);
        last = myEncoder.getValue();
    }
}

MenuAction mainScreen() {
    num_screen = 0;
    return MenuAction::leaveWith(0);
}

const Menu kShortcutsMenu = {Text::ShortcutsTitle,
                             MenuLayout::Inline,
                             {
                                 {Text::RelaunchProgram, relaunch},
                                 {Text::ReprintTicket, staying<reprint>},
                                 {Text::Volume, staying<volume>},
                                 {Text::ResendQueue, staying<resendUnsentSheets>},
                                 {Text::MainScreen, mainScreen},
                             }};

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
    drawMenu(kShortcutsMenu, sel);
}

int screen_shortcuts() {
    ticketAtEntry = readLastTicket();
    const MenuExit exit = runMenu(kShortcutsMenu);
    if (exit.longPress && exit.acted) num_screen = 10;
    return exit.code;
}
