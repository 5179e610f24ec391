#include <gtest/gtest.h>

#include "sim/runner/glass_text.h"
#include "sim/runner/paper_text.h"

using sim::Glass;
using sim::Justify;
using sim::PaperLine;
using namespace sim::runner;

namespace {

Glass glassWith(int row, const std::string& text) {
    Glass glass;
    for (auto& cells : glass.cells) cells.fill(' ');
    for (std::size_t i = 0; i < text.size() && i < 20; ++i)
        glass.cells[row][i] = static_cast<std::uint8_t>(text[i]);
    return glass;
}

PaperLine paper(const std::string& text, Justify justify, bool doubleWidth = false) {
    PaperLine line;
    line.text = text;
    line.justify = justify;
    line.doubleWidth = doubleWidth;
    return line;
}

}  // namespace

TEST(RunnerGlass, CustomGlyphsAreRecognisedByTheirBitmaps) {
    struct Case {
        Bitmap rows;
        const char* text;
    };
    const Case cases[] = {
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
        {{0, 0, 0, 0, 0, 0, 0, 0}, " "},
        // The three high bits of a row light nothing.
        {{0xE8, 0x04, 0x02, 0xFF, 0x02, 0x04, 0x08, 0x00}, "→"},
        {{0xE0, 0, 0, 0, 0, 0, 0, 0}, " "},
        // One dot away from a known glyph is not that glyph.
        {{0x08, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x08, 0x01}, "▒"},
        {{0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F}, "▒"},
    };
    for (const Case& c : cases) EXPECT_EQ(glyphForBitmap(c.rows), c.text) << c.text;
}

TEST(RunnerGlass, CodesEightToFifteenShowTheSameGlyphsAsZeroToSeven) {
    Glass glass;
    glass.cgram[3] = {0x04, 0x0E, 0x1F, 0x00, 0x1F, 0x0E, 0x04, 0x00};
    glass.cgram[5] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F};
    EXPECT_EQ(glyphForCode(3, glass), "◆");
    EXPECT_EQ(glyphForCode(11, glass), "◆");
    EXPECT_EQ(glyphForCode(5, glass), "▁");
    EXPECT_EQ(glyphForCode(13, glass), "▁");
    EXPECT_EQ(glyphForCode(0, glass), " ");
}

TEST(RunnerGlass, RomCodesAtTheEdgesOfTheAsciiRange) {
    Glass glass;
    EXPECT_EQ(glyphForCode(0x20, glass), " ");
    EXPECT_EQ(glyphForCode(0x41, glass), "A");
    EXPECT_EQ(glyphForCode(0x7D, glass), "}");
    EXPECT_EQ(glyphForCode(0x7E, glass), "→");
    EXPECT_EQ(glyphForCode(0x7F, glass), "←");
    EXPECT_EQ(glyphForCode(0xEE, glass), "ñ");
    EXPECT_EQ(glyphForCode(0xDF, glass), "°");
    for (int code : {0x10, 0x1F, 0x80, 0xA0, 0xDE, 0xE0, 0xEF, 0xFF})
        EXPECT_EQ(glyphForCode(static_cast<std::uint8_t>(code), glass), "▒") << code;
}

TEST(RunnerGlass, RenderingGivesFourRowsOfTwentyAndTheStateLine) {
    Glass glass = glassWith(1, "Hello");
    glass.cells[2][19] = 0xDF;
    glass.cursorRow = 2;
    glass.cursorCol = 19;
    glass.blink = true;
    glass.display = true;
    glass.backlight = false;
    EXPECT_EQ(renderGlass(glass),
              "                    \n"
              "Hello               \n"
              "                   °\n"
              "                    \n"
              "cursor 2,19 blink on display on backlight off\n");
    glass.present = false;
    EXPECT_EQ(renderGlass(glass), "(no display on the bus)\n");
}

TEST(RunnerPaper, LinesAreJustifiedWithinTheirWidth) {
    EXPECT_EQ(renderPaperLine(paper("ABCD", Justify::Left)), "ABCD");
    EXPECT_EQ(renderPaperLine(paper("ABCD", Justify::Center)), std::string(14, ' ') + "ABCD");
    EXPECT_EQ(renderPaperLine(paper("ABC", Justify::Center)), std::string(14, ' ') + "ABC");
    EXPECT_EQ(renderPaperLine(paper("ABCD", Justify::Right)), std::string(28, ' ') + "ABCD");
    EXPECT_EQ(renderPaperLine(paper("ABCD", Justify::Right, true)), std::string(12, ' ') + "ABCD");
    EXPECT_EQ(renderPaperLine(paper("ABCD", Justify::Center, true)), std::string(6, ' ') + "ABCD");
    std::string full(32, 'x');
    EXPECT_EQ(renderPaperLine(paper(full, Justify::Right)), full);
    EXPECT_EQ(renderPaperLine(paper(full + "y", Justify::Center)), full + "y");
    EXPECT_EQ(renderPaperLine(paper("", Justify::Center)), "");
    PaperLine small = paper("AB", Justify::Right);
    small.fontB = true;
    EXPECT_EQ(renderPaperLine(small), std::string(40, ' ') + "AB");
}

TEST(RunnerPaper, PrintedBytesAreShownInThePrintersCodePage) {
    EXPECT_EQ(decodePrinted("Score: 8.5"), "Score: 8.5");
    EXPECT_EQ(decodePrinted("\x82\xA4\xF8"), "éñ°");
    // UTF-8 sent as it is prints as two characters of the code page.
    EXPECT_EQ(decodePrinted("\xC3\xA9"), "├⌐");
    EXPECT_EQ(decodePrinted(std::string("a\x01\x7F", 3)), "a▒▒");
    // Justification counts printed characters, not UTF-8 bytes.
    EXPECT_EQ(renderPaperLine(paper("\x82\x82", Justify::Right)), std::string(30, ' ') + "éé");
}
