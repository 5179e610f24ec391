// Custom characters of the service screens: the arrow pair that frames menu
// titles and the selected entry, and the keypad and encoder test marker. The
// frame of the framed dialogs (six corner and edge glyphs) is loaded by
// loadBorderGlyphs() and drawn by drawBorder(), shared with the main screen.
#pragma once

namespace glyphs {

constexpr int kRightArrow = 1;
constexpr int kLeftArrow = 2;
constexpr int kMarker = 3;

extern const unsigned char kRightArrowRows[8];
extern const unsigned char kLeftArrowRows[8];
extern const unsigned char kMarkerRows[8];

}  // namespace glyphs

// Loads the two arrows into their slots.
void loadMenuArrows();
// Loads the up-and-down triangles of the test screen.
void loadMarkerGlyph();
// One custom character at (row, col).
void putGlyph(int row, int col, int slot);
// Loads the frame glyphs, clears the display and draws the frame.
void openFramedDialog();
