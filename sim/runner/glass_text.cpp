#include "sim/runner/glass_text.h"

namespace sim::runner {

namespace {

struct KnownGlyph {
    Bitmap rows;
    const char* text;
};

const KnownGlyph kKnownGlyphs[] = {
    {{0x08, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x08, 0x00}, "→"},
    {{0x02, 0x04, 0x08, 0x1F, 0x08, 0x04, 0x02, 0x00}, "←"},
    {{0x1F, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10}, "┌"},
    {{0x1F, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, "┐"},
    {{0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}, "└"},
    {{0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x1F}, "┘"},
    {{0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10}, "▏"},
    {{0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, "▕"},
    {{0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, "▔"},
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}, "▁"},
    {{0x04, 0x0E, 0x1F, 0x00, 0x1F, 0x0E, 0x04, 0x00}, "◆"},
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, " "},
};

const char kUnknown[] = "▒";

const char* onOff(bool value) {
    return value ? "on" : "off";
}

}  // namespace

std::string glyphForBitmap(const Bitmap& rows) {
    Bitmap visible{};
    // Only the five low bits of a row light dots; the rest is ignored by the controller.
    for (std::size_t i = 0; i < rows.size(); ++i) visible[i] = rows[i] & 0x1F;
    for (const KnownGlyph& glyph : kKnownGlyphs)
        if (glyph.rows == visible) return glyph.text;
    return kUnknown;
}

std::string glyphForCode(std::uint8_t code, const Glass& glass) {
    if (code < 0x10) return glyphForBitmap(glass.cgram[code & 0x07]);
    if (code >= 0x20 && code <= 0x7D) return std::string(1, static_cast<char>(code));
    switch (code) {
        case 0x7E:
            return "→";
        case 0x7F:
            return "←";
        case 0xDF:
            return "°";
        case 0xEE:
            return "ñ";
        default:
            return kUnknown;
    }
}

std::string rowText(const Glass& glass, int row) {
    std::string text;
    for (std::uint8_t code : glass.cells[row]) text += glyphForCode(code, glass);
    return text;
}

std::string stateLine(const Glass& glass) {
    return "cursor " + std::to_string(glass.cursorRow) + "," + std::to_string(glass.cursorCol) +
           " blink " + onOff(glass.blink) + " display " + onOff(glass.display) + " backlight " +
           onOff(glass.backlight);
}

std::string renderGlass(const Glass& glass) {
    if (!glass.present) return "(no display on the bus)\n";
    std::string text;
    for (int row = 0; row < 4; ++row) text += rowText(glass, row) + "\n";
    return text + stateLine(glass) + "\n";
}

}  // namespace sim::runner
