// The receipt as a picture: the printer model's lines drawn dot by dot on the
// fitted printer's roll (384 dots on a 58 mm printer) with a built-in bitmap
// font, so that a technician can look at a ticket instead of reading a byte dump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "printer/printer_profile.h"
#include "sim/snapshot.h"

namespace sim {

struct PaperImage {
    static constexpr int kWidth = kInstalledPrinter.geometry.paperDots;

    int width = kWidth;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // grey levels, row after row: 0 ink, 255 paper

    bool ink(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] < 128; }
};

// Where each paper line landed in the picture (for callers that annotate it).
struct PaperRow {
    int top = 0;
    int height = 0;
};

PaperImage renderPaper(const std::vector<PaperLine>& lines, std::vector<PaperRow>* rows = nullptr);

// Renders the lines and writes them as a greyscale PNG. False, with the
// reason in *error when given, if the file cannot be written.
bool writePaperPng(const std::vector<PaperLine>& lines, const std::string& file,
                   std::string* error = nullptr);

}  // namespace sim
