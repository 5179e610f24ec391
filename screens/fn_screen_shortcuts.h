// Screen 1: the judge's shortcuts: relaunch, reprint the last ticket, volume,
// resend the unsent sheets and back to the main screen.
#pragma once

#include <string>

int screen_shortcuts();
void display_shortcut(int sel);

// The values of the last ticket printed, from its files in the working directory.
struct LastTicket {
    int comp = 0;
    int judge = 0;
    int flight = 0;
    int pilot = 0;
    std::string schedule;
};
LastTicket readLastTicket();
