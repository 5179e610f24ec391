#include "screens/glyphs.h"

#include "app/globals.h"
#include "drivers/soft_lcd.h"
#include "screens/fn_screen_main.h"

namespace glyphs {

const unsigned char kRightArrowRows[8] = {0x08, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x08, 0x00};
const unsigned char kLeftArrowRows[8] = {0x02, 0x04, 0x08, 0x1F, 0x08, 0x04, 0x02, 0x00};
const unsigned char kMarkerRows[8] = {0x04, 0x0E, 0x1F, 0x00, 0x1F, 0x0E, 0x04, 0x00};

}  // namespace glyphs

void loadMenuArrows() {
    myLcd.create_char(glyphs::kLeftArrow, glyphs::kLeftArrowRows);
    myLcd.create_char(glyphs::kRightArrow, glyphs::kRightArrowRows);
}

void loadMarkerGlyph() {
    myLcd.create_char(glyphs::kMarker, glyphs::kMarkerRows);
}

void putGlyph(int row, int col, int slot) {
    myLcd.pos(row, col);
    myLcd.raw(1, slot);
}

void openFramedDialog() {
    loadBorderGlyphs();
    myLcd.clear();
    drawBorder();
}
