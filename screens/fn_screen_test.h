// Screen 3: the hardware tests (display, printer, keypad, encoder, SD card,
// sound and WiFi), chosen from a scrolling menu.
#pragma once

#include <string>

int screen_test();
void display_test(int sel);
void display_test_keyboards(int row, int col, int count);
void display_test_encoder();
void display_test_SD();
void display_test_WIFI(std::string text);

// Cell (row, column) of position `step` (0 to 43) on the encoder test's path
// around the edge of the display, clockwise from the top-left corner.
void encoderPathCell(int step, int* row, int* col);
// The duration and speed reported after "copied," on the first line of `file`
// that has it; empty when the file or the marker is missing.
std::string copiedFigures(const std::string& file);
