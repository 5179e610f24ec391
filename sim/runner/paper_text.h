// Paper lines as text, in the printer's power-on code page (437).
#pragma once

#include <string>

#include "sim/snapshot.h"

namespace sim::runner {

// Characters a line holds in its font and width.
int lineWidth(const PaperLine& line);
// The printed bytes as UTF-8, one character per byte.
std::string decodePrinted(const std::string& bytes);
// The line justified within its width: centred and right lines are padded on
// the left; nothing trails.
std::string renderPaperLine(const PaperLine& line);

}  // namespace sim::runner
