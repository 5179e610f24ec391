// The glass as text: 4 rows of 20 UTF-8 characters and a state line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/snapshot.h"

namespace sim::runner {

using Bitmap = std::array<std::uint8_t, 8>;

// The character a custom glyph looks like, by its bitmap (5 low bits a row).
std::string glyphForBitmap(const Bitmap& rows);
// The character the controller shows for a DDRAM code.
std::string glyphForCode(std::uint8_t code, const Glass& glass);

std::string rowText(const Glass& glass, int row);
// "cursor ROW,COL blink on|off display on|off backlight on|off"
std::string stateLine(const Glass& glass);
// The four rows and the state line, each ending in a line feed.
std::string renderGlass(const Glass& glass);

}  // namespace sim::runner
