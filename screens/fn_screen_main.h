// Screen 0: the scoring context (judge, competition, flight, schedule, pilot),
// received from the server or keyed in, and the start of each flight.
#pragma once

#include <string>

// The number being typed into a field of the main screen or its editor.
extern int myValueNum;

int screen_main();
void display_main(int field);

// Dialogs of the main screen.
void update_main(char field);
void display_update_main(char field);
int display_error(std::string message);
int display_error_schedule(std::string line0, std::string line1);
int display_pilot_error();

// The framed dialogs' border: six custom glyphs, then the corner and side cells.
void loadBorderGlyphs();
void drawBorder();

// Translation id of the text shown for a server reply code; 0 when it has none.
int serverMessageId(int code);
