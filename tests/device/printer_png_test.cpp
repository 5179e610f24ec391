// The receipt picture: what a technician sees must match what was printed.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/devices/paper_png.h"

namespace {

using sim::Justify;
using sim::PaperImage;
using sim::PaperLine;
using sim::PaperRow;

PaperLine line(const std::string& text) {
    PaperLine l;
    l.text = text;
    return l;
}

struct Box {
    int left = PaperImage::kWidth, right = -1, top = 1 << 30, bottom = -1, dots = 0;
};

// The ink of one printed line.
Box inkOf(const PaperLine& printed) {
    std::vector<PaperRow> rows;
    const PaperImage image = sim::renderPaper({printed}, &rows);
    Box box;
    for (int y = rows[0].top; y < rows[0].top + rows[0].height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!image.ink(x, y)) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y - rows[0].top);
            box.bottom = std::max(box.bottom, y - rows[0].top);
            ++box.dots;
        }
    }
    return box;
}

TEST(PaperPicture, IsTheRollWidthAndGrowsWithEveryLine) {
    std::vector<PaperRow> rows;
    const PaperImage one = sim::renderPaper({line("A")}, &rows);
    EXPECT_EQ(one.width, 384);
    EXPECT_EQ(one.pixels.size(), static_cast<size_t>(one.width * one.height));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].height, 24);

    PaperLine tall = line("B");
    tall.doubleHeight = true;
    rows.clear();
    const PaperImage three = sim::renderPaper({line("A"), line(""), tall}, &rows);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].top - rows[0].top, 30) << "24 dots and the default gap";
    EXPECT_EQ(rows[2].height, 48);
    EXPECT_EQ(three.height, one.height + 30 + 54);
}

TEST(PaperPicture, EmptyPaperHasNoInk) {
    const PaperImage image = sim::renderPaper({line(""), line("     ")});
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) ASSERT_FALSE(image.ink(x, y)) << x << "," << y;
}

TEST(PaperPicture, ThirtyTwoCharactersFillTheRollAndMoreWrap) {
    const Box full = inkOf(line(std::string(32, 'H')));
    EXPECT_LT(full.left, 12);
    EXPECT_GT(full.right, 384 - 12);

    std::vector<PaperRow> rows;
    sim::renderPaper({line(std::string(33, 'H'))}, &rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].height, 24 + 6 + 24) << "the 33rd character goes to a second row";
}

TEST(PaperPicture, JustificationMovesTheInk) {
    PaperLine left = line("MID"), centre = line("MID"), right = line("MID");
    centre.justify = Justify::Center;
    right.justify = Justify::Right;
    const Box l = inkOf(left), c = inkOf(centre), r = inkOf(right);
    EXPECT_LT(l.right, 36);
    EXPECT_GT(r.left, 384 - 36);
    EXPECT_NEAR((c.left + c.right) / 2, 192, 4);
    EXPECT_EQ(l.dots, c.dots);
    EXPECT_EQ(c.dots, r.dots);
}

TEST(PaperPicture, SizesAndBoldAreVisible) {
    const Box normal = inkOf(line("W"));
    PaperLine wide = line("W"), tall = line("W"), bold = line("W");
    wide.doubleWidth = true;
    tall.doubleHeight = true;
    bold.bold = true;
    const Box w = inkOf(wide), t = inkOf(tall), b = inkOf(bold);
    const int normalWidth = normal.right - normal.left + 1;
    const int normalHeight = normal.bottom - normal.top + 1;
    EXPECT_EQ(w.right - w.left + 1, 2 * normalWidth);
    EXPECT_EQ(w.bottom - w.top + 1, normalHeight);
    EXPECT_EQ(t.bottom - t.top + 1, 2 * normalHeight);
    EXPECT_EQ(t.right - t.left + 1, normalWidth);
    EXPECT_GT(b.dots, normal.dots * 5 / 4);
    EXPECT_EQ(b.bottom - b.top, normal.bottom - normal.top);
}

TEST(PaperPicture, InverseUnderlineStrikeAndFontBAreVisible) {
    const Box plain = inkOf(line("o"));
    PaperLine inverse = line("o"), underline = line("o"), strike = line("o"), fontB = line("o");
    inverse.inverse = true;
    underline.underline = true;
    strike.strike = true;
    fontB.fontB = true;
    EXPECT_GT(inkOf(inverse).dots, 12 * 24 / 2) << "the cell turns black";
    const Box u = inkOf(underline);
    EXPECT_EQ(u.bottom, 23);
    EXPECT_GE(u.dots, plain.dots + 12);
    EXPECT_GT(inkOf(strike).dots, plain.dots);
    const Box b = inkOf(fontB);
    EXPECT_LT(b.right - b.left, plain.right - plain.left);
}

TEST(PaperPicture, UpsideDownTurnsTheLineHalfRound) {
    PaperLine turned = line("T");
    turned.upsideDown = true;
    const Box upright = inkOf(line("T")), down = inkOf(turned);
    EXPECT_EQ(down.dots, upright.dots);
    EXPECT_GT(down.left, 384 - 12) << "the first character ends at the far side";
    EXPECT_EQ(down.top, 23 - upright.bottom);
}

TEST(PaperPicture, DistinctCharactersGetDistinctGlyphs) {
    // a font table typo shows up as two printable characters drawn the same
    std::vector<std::vector<bool>> seen;
    for (char ch = '!'; ch <= '~'; ++ch) {
        const PaperImage image = sim::renderPaper({line(std::string(1, ch))});
        std::vector<bool> dots;
        for (int y = 12; y < 12 + 24; ++y)
            for (int x = 0; x < 12; ++x) dots.push_back(image.ink(x, y));
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_NE(seen[i], dots) << ch << " looks like " << static_cast<char>('!' + i);
        EXPECT_NE(std::count(dots.begin(), dots.end(), true), 0) << ch;
        seen.push_back(dots);
    }
    EXPECT_GT(inkOf(line("\x01")).dots, 0) << "bytes without a glyph still show";
}

TEST(PaperPng, WritesAReadableGreyImageOfTheRenderedSize) {
    const std::vector<PaperLine> paper = {line("KALVENTRIX"), line(""), line("01 Loop   8")};
    const std::string file = "ticket.png";
    std::string error;
    ASSERT_TRUE(sim::writePaperPng(paper, file, &error)) << error;

    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&read, file.c_str()));
    const PaperImage expected = sim::renderPaper(paper);
    EXPECT_EQ(static_cast<int>(read.width), expected.width);
    EXPECT_EQ(static_cast<int>(read.height), expected.height);
    read.format = PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(read));
    ASSERT_TRUE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(pixels, expected.pixels);
    std::remove(file.c_str());
}

TEST(PaperPng, AnUnwritablePlaceIsReported) {
    std::string error;
    EXPECT_FALSE(sim::writePaperPng({line("x")}, "no/such/folder/t.png", &error));
    EXPECT_NE(error.find("no/such/folder/t.png"), std::string::npos) << error;
    EXPECT_FALSE(sim::writePaperPng({line("x")}, "no/such/folder/t.png"));
}

}  // namespace
