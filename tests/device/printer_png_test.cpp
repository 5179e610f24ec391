// The receipt picture: what a technician sees must match what was printed.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sim/devices/paper_png.h"

namespace {

using sim::PaperLine;

PaperLine line(const std::string& text, const std::function<void(PaperLine&)>& style = {}) {
    PaperLine l;
    l.text = text;
    if (style) style(l);
    return l;
}

// Where one printed line put ink, "left-right top-bottom / band height", rows
// counted from the top of the line's band.
std::string inkOf(const PaperLine& printed) {
    std::vector<sim::PaperRow> rows;
    const sim::PaperImage image = sim::renderPaper({printed}, &rows);
    int left = image.width, right = -1, top = image.height, bottom = -1;
    for (int y = rows[0].top; y < rows[0].top + rows[0].height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.ink(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y - rows[0].top);
                bottom = std::max(bottom, y - rows[0].top);
            }
    if (right < 0) return "no ink / " + std::to_string(rows[0].height);
    return std::to_string(left) + "-" + std::to_string(right) + " " + std::to_string(top) + "-" +
           std::to_string(bottom) + " / " + std::to_string(rows[0].height);
}

}  // namespace

// A 5x8 glyph in a 12x24 cell of the 384-dot roll: 2 dots a glyph column, 3 a
// glyph row, one dot of margin on the left. 'W' inks glyph columns 0-4, rows 0-6.
TEST(PaperPicture, SizesJustificationAndModesPutTheInkWhereTheyShould) {
    const std::pair<PaperLine, std::string> cases[] = {
        {line("W"), "1-10 0-20 / 24"},
        {line("W", [](PaperLine& l) { l.doubleWidth = true; }), "2-21 0-20 / 24"},
        {line("W", [](PaperLine& l) { l.doubleHeight = true; }), "1-10 0-41 / 48"},
        {line("W", [](PaperLine& l) { l.justify = sim::Justify::Center; }), "187-196 0-20 / 24"},
        {line("W", [](PaperLine& l) { l.justify = sim::Justify::Right; }), "373-382 0-20 / 24"},
        {line("W", [](PaperLine& l) { l.upsideDown = true; }), "373-382 3-23 / 24"},
        {line("W", [](PaperLine& l) { l.bold = true; }), "1-11 0-20 / 24"},
        {line("W", [](PaperLine& l) { l.fontB = true; }), "2-6 1-14 / 17"},
        {line("W", [](PaperLine& l) { l.inverse = true; }), "0-11 0-23 / 24"},
        {line("W", [](PaperLine& l) { l.underline = true; }), "0-11 0-23 / 24"},
        {line("W", [](PaperLine& l) { l.strike = true; }), "0-11 0-20 / 24"},
        {line(std::string(33, 'W')), "1-382 0-50 / 54"},  // the 33rd wraps to a second row
        {line("   "), "no ink / 24"},
    };
    for (const auto& [printed, ink] : cases) EXPECT_EQ(inkOf(printed), ink) << printed.text;
}

TEST(PaperPng, WritesTheRenderedPictureAsAGreyImageOrSaysWhyNot) {
    const std::vector<PaperLine> paper = {line("KALVENTRIX"), line(""), line("01 Loop   8")};
    std::string error;
    ASSERT_TRUE(sim::writePaperPng(paper, "ticket.png", &error)) << error;
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&read, "ticket.png"));
    read.format = PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_TRUE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr));
    const sim::PaperImage expected = sim::renderPaper(paper);
    EXPECT_EQ(read.width, static_cast<png_uint_32>(expected.width));
    EXPECT_EQ(pixels, expected.pixels);
    std::remove("ticket.png");

    EXPECT_FALSE(sim::writePaperPng(paper, "no/such/folder/t.png", &error));
    EXPECT_EQ(error, "cannot write no/such/folder/t.png");
}
