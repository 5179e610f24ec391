#include "sim/devices/paper_png.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>

namespace sim {

namespace {

// A 5x8 font, one string of eight 5-dot rows per printable ASCII character
// from space to '~'. Capitals use rows 0-6, row 7 holds the descenders.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 8;
const char* const kGlyphs[95] = {
    "..... ..... ..... ..... ..... ..... ..... .....",  // space
    "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.. .....",  // !
    ".#.#. .#.#. .#.#. ..... ..... ..... ..... .....",  // "
    ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#. .....",  // #
    "..#.. .#### #.#.. .###. ..#.# ####. ..#.. .....",  // $
    "##... ##..# ...#. ..#.. .#... #..## ...## .....",  // %
    ".##.. #..#. #.#.. .#... #.#.# #..#. .##.# .....",  // &
    "..#.. ..#.. .#... ..... ..... ..... ..... .....",  // '
    "...#. ..#.. .#... .#... .#... ..#.. ...#. .....",  // (
    ".#... ..#.. ...#. ...#. ...#. ..#.. .#... .....",  // )
    "..... ..#.. #.#.# .###. #.#.# ..#.. ..... .....",  // *
    "..... ..#.. ..#.. ##### ..#.. ..#.. ..... .....",  // +
    "..... ..... ..... ..... ..... .##.. ..#.. .#...",  // ,
    "..... ..... ..... ##### ..... ..... ..... .....",  // -
    "..... ..... ..... ..... ..... .##.. .##.. .....",  // .
    "..... ....# ...#. ..#.. .#... #.... ..... .....",  // /
    ".###. #...# #..## #.#.# ##..# #...# .###. .....",  // 0
    "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###. .....",  // 1
    ".###. #...# ....# ...#. ..#.. .#... ##### .....",  // 2
    "##### ...#. ..#.. ...#. ....# #...# .###. .....",  // 3
    "...#. ..##. .#.#. #..#. ##### ...#. ...#. .....",  // 4
    "##### #.... ####. ....# ....# #...# .###. .....",  // 5
    "..##. .#... #.... ####. #...# #...# .###. .....",  // 6
    "##### ....# ...#. ..#.. .#... .#... .#... .....",  // 7
    ".###. #...# #...# .###. #...# #...# .###. .....",  // 8
    ".###. #...# #...# .#### ....# ...#. .##.. .....",  // 9
    "..... .##.. .##.. ..... .##.. .##.. ..... .....",  // :
    "..... .##.. .##.. ..... .##.. ..#.. .#... .....",  // ;
    "...#. ..#.. .#... #.... .#... ..#.. ...#. .....",  // <
    "..... ..... ##### ..... ##### ..... ..... .....",  // =
    ".#... ..#.. ...#. ....# ...#. ..#.. .#... .....",  // >
    ".###. #...# ....# ...#. ..#.. ..... ..#.. .....",  // ?
    ".###. #...# ....# .##.# #.#.# #.#.# .###. .....",  // @
    ".###. #...# #...# ##### #...# #...# #...# .....",  // A
    "####. #...# #...# ####. #...# #...# ####. .....",  // B
    ".###. #...# #.... #.... #.... #...# .###. .....",  // C
    "###.. #..#. #...# #...# #...# #..#. ###.. .....",  // D
    "##### #.... #.... ####. #.... #.... ##### .....",  // E
    "##### #.... #.... ####. #.... #.... #.... .....",  // F
    ".###. #...# #.... #.### #...# #...# .#### .....",  // G
    "#...# #...# #...# ##### #...# #...# #...# .....",  // H
    ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###. .....",  // I
    "..### ...#. ...#. ...#. ...#. #..#. .##.. .....",  // J
    "#...# #..#. #.#.. ##... #.#.. #..#. #...# .....",  // K
    "#.... #.... #.... #.... #.... #.... ##### .....",  // L
    "#...# ##.## #.#.# #.#.# #...# #...# #...# .....",  // M
    "#...# #...# ##..# #.#.# #..## #...# #...# .....",  // N
    ".###. #...# #...# #...# #...# #...# .###. .....",  // O
    "####. #...# #...# ####. #.... #.... #.... .....",  // P
    ".###. #...# #...# #...# #.#.# #..#. .##.# .....",  // Q
    "####. #...# #...# ####. #.#.. #..#. #...# .....",  // R
    ".#### #.... #.... .###. ....# ....# ####. .....",  // S
    "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. .....",  // T
    "#...# #...# #...# #...# #...# #...# .###. .....",  // U
    "#...# #...# #...# #...# #...# .#.#. ..#.. .....",  // V
    "#...# #...# #...# #.#.# #.#.# #.#.# .#.#. .....",  // W
    "#...# #...# .#.#. ..#.. .#.#. #...# #...# .....",  // X
    "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.. .....",  // Y
    "##### ....# ...#. ..#.. .#... #.... ##### .....",  // Z
    ".###. .#... .#... .#... .#... .#... .###. .....",  // [
    "..... #.... .#... ..#.. ...#. ....# ..... .....",  // backslash
    ".###. ...#. ...#. ...#. ...#. ...#. .###. .....",  // ]
    "..#.. .#.#. #...# ..... ..... ..... ..... .....",  // ^
    "..... ..... ..... ..... ..... ..... ..... #####",  // _
    ".#... ..#.. ...#. ..... ..... ..... ..... .....",  // `
    "..... ..... .###. ....# .#### #...# .#### .....",  // a
    "#.... #.... #.##. ##..# #...# #...# ####. .....",  // b
    "..... ..... .###. #.... #.... #...# .###. .....",  // c
    "....# ....# .##.# #..## #...# #...# .#### .....",  // d
    "..... ..... .###. #...# ##### #.... .###. .....",  // e
    "..##. .#..# .#... ###.. .#... .#... .#... .....",  // f
    "..... ..... .#### #...# #...# .#### ....# .###.",  // g
    "#.... #.... #.##. ##..# #...# #...# #...# .....",  // h
    "..#.. ..... .##.. ..#.. ..#.. ..#.. .###. .....",  // i
    "...#. ..... ..##. ...#. ...#. ...#. #..#. .##..",  // j
    "#.... #.... #..#. #.#.. ##... #.#.. #..#. .....",  // k
    ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###. .....",  // l
    "..... ..... ##.#. #.#.# #.#.# #...# #...# .....",  // m
    "..... ..... #.##. ##..# #...# #...# #...# .....",  // n
    "..... ..... .###. #...# #...# #...# .###. .....",  // o
    "..... ..... ####. #...# #...# ####. #.... #....",  // p
    "..... ..... .#### #...# #...# .#### ....# ....#",  // q
    "..... ..... #.##. ##..# #.... #.... #.... .....",  // r
    "..... ..... .###. #.... .###. ....# ####. .....",  // s
    ".#... .#... ###.. .#... .#... .#..# ..##. .....",  // t
    "..... ..... #...# #...# #...# #..## .##.# .....",  // u
    "..... ..... #...# #...# #...# .#.#. ..#.. .....",  // v
    "..... ..... #...# #...# #.#.# #.#.# .#.#. .....",  // w
    "..... ..... #...# .#.#. ..#.. .#.#. #...# .....",  // x
    "..... ..... #...# #...# #...# .#### ....# .###.",  // y
    "..... ..... ##### ...#. ..#.. .#... ##### .....",  // z
    "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#. .....",  // {
    "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. .....",  // |
    ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#... .....",  // }
    "..... ..... .#... #.#.# ...#. ..... ..... .....",  // ~
};
// Bytes the font has no glyph for are drawn as a hollow box.
const char* const kUnknownGlyph = "##### #...# #...# #...# #...# #...# ##### .....";

constexpr std::uint8_t kPaper = 255;
constexpr std::uint8_t kInk = 0;
// Dots between lines at the default line height.
constexpr int kLineGap = kInstalledPrinter.geometry.lineHeight - kInstalledPrinter.charHeight();
constexpr int kTopMargin = 12;
constexpr int kBottomMargin = 24;

bool glyphDot(unsigned char ch, int x, int y) {
    const char* glyph = (ch >= 0x20 && ch <= 0x7E) ? kGlyphs[ch - 0x20] : kUnknownGlyph;
    return glyph[y * (kGlyphWidth + 1) + x] == '#';
}

// The cell of one character and the scale of its glyph inside it.
struct Cell {
    int width, height, scaleX, scaleY, left;
};

// The glyph scaled up as far as it fits the font's cell with a dot to spare
// across, and centred across it.
Cell cellOf(const PaperLine& line) {
    const auto& font = line.fontB ? kInstalledPrinter.geometry.fontB : kInstalledPrinter.geometry.fontA;
    const int scaleX = font.width / (kGlyphWidth + 1);
    Cell cell{font.width, font.height, scaleX, font.height / kGlyphHeight,
              (font.width - kGlyphWidth * scaleX) / 2};
    if (line.doubleWidth) {
        cell.width *= 2;
        cell.scaleX *= 2;
        cell.left *= 2;
    }
    if (line.doubleHeight) {
        cell.height *= 2;
        cell.scaleY *= 2;
    }
    return cell;
}

// One printed row of characters, drawn on its own band of the roll.
class Band {
  public:
    Band(int height)
        : height_(height), dots_(static_cast<size_t>(height) * PaperImage::kWidth, kPaper) {}

    void set(int x, int y, std::uint8_t level) {
        if (x < 0 || x >= PaperImage::kWidth || y < 0 || y >= height_) return;
        dots_[static_cast<size_t>(y) * PaperImage::kWidth + x] = level;
    }

    void fill(int x0, int y0, int width, int height, std::uint8_t level) {
        for (int y = y0; y < y0 + height; ++y)
            for (int x = x0; x < x0 + width; ++x) set(x, y, level);
    }

    void turnHalfRound() { std::reverse(dots_.begin(), dots_.end()); }

    void appendTo(PaperImage* image) const {
        image->pixels.insert(image->pixels.end(), dots_.begin(), dots_.end());
        image->height += height_;
    }

  private:
    int height_;
    std::vector<std::uint8_t> dots_;
};

void drawCharacter(Band* band, const Cell& cell, int x0, unsigned char ch, const PaperLine& line) {
    const std::uint8_t ink = line.inverse ? kPaper : kInk;
    if (line.inverse) band->fill(x0, 0, cell.width, cell.height, kInk);
    const int top = cell.height - kGlyphHeight * cell.scaleY;
    const int boldExtra = line.bold ? std::max(1, cell.scaleX / 2) : 0;
    for (int gy = 0; gy < kGlyphHeight; ++gy) {
        for (int gx = 0; gx < kGlyphWidth; ++gx) {
            if (!glyphDot(ch, gx, gy)) continue;
            band->fill(x0 + cell.left + gx * cell.scaleX, top + gy * cell.scaleY,
                       cell.scaleX + boldExtra, cell.scaleY, ink);
        }
    }
    if (line.underline) band->fill(x0, cell.height - 2, cell.width, 2, ink);
    if (line.strike) band->fill(x0, cell.height / 2, cell.width, std::max(1, cell.scaleY / 2), ink);
}

int firstColumn(const PaperLine& line, int textWidth) {
    switch (line.justify) {
        case Justify::Center:
            return (PaperImage::kWidth - textWidth) / 2;
        case Justify::Right:
            return PaperImage::kWidth - textWidth;
        default:
            return 0;
    }
}

// A line longer than the roll continues on the next row, as the printer wraps.
std::vector<std::string> wrapped(const std::string& text, int perRow) {
    std::vector<std::string> rows;
    for (size_t at = 0; at < text.size(); at += perRow) rows.push_back(text.substr(at, perRow));
    if (rows.empty()) rows.emplace_back();
    return rows;
}

void drawLine(PaperImage* image, const PaperLine& line) {
    const Cell cell = cellOf(line);
    for (const std::string& text : wrapped(line.text, PaperImage::kWidth / cell.width)) {
        Band band(cell.height);
        int x = firstColumn(line, static_cast<int>(text.size()) * cell.width);
        for (unsigned char ch : text) {
            drawCharacter(&band, cell, x, ch, line);
            x += cell.width;
        }
        if (line.upsideDown) band.turnHalfRound();
        band.appendTo(image);
        Band(kLineGap).appendTo(image);
    }
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

}  // namespace

PaperImage renderPaper(const std::vector<PaperLine>& lines, std::vector<PaperRow>* rows) {
    PaperImage image;
    Band(kTopMargin).appendTo(&image);
    for (const PaperLine& line : lines) {
        const int top = image.height;
        drawLine(&image, line);
        if (rows) rows->push_back({top, image.height - top - kLineGap});
    }
    Band(kBottomMargin).appendTo(&image);
    return image;
}

bool writePaperPng(const std::vector<PaperLine>& lines, const std::string& file,
                   std::string* error) {
    const PaperImage image = renderPaper(lines);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return fail(error, "cannot write " + file);

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(out);
        return fail(error, "cannot set up the PNG encoder");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return fail(error, "cannot encode " + file);
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, &image.pixels[static_cast<size_t>(y) * image.width]);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(out) != 0) return fail(error, "cannot write " + file);
    return true;
}

}  // namespace sim
