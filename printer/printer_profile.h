// A serial thermal printer as both its driver and the virtual board's model of
// it know it: the command bytes, the line geometry, the timings the driver
// paces itself by and the firmware from which the newer command forms apply.
// kInstalledPrinter is the printer fitted to the terminal; another printer is
// another profile, plus code only for commands that behave differently.
#pragma once

#include <cstddef>
#include <iterator>

// Command prefixes of the ESC/POS family.
namespace escpos {
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kGs = 0x1D;
constexpr unsigned char kDc2 = 0x12;
}  // namespace escpos

// The commands the driver sends and the model decodes.
enum class PrinterOp {
    Initialise,         // clears the buffer and the modes
    TabStops,           // stop columns, ended by 0
    PrintMode,          // font B, upside down, bold, double height/width, strike
    Justify,            // left, centre, right
    Underline,          // weight
    Online,             // 0 ignores everything but this command
    LineHeight,         // dots from line to line
    DefaultLineHeight,  // back to the power-on line height
    FeedLines,          // prints the buffer and feeds n lines
    FeedDots,           // prints the buffer or feeds n dot rows
    Charset,
    CodePage,
    CharSpacing,
    UserChars,  // user-defined characters on or off
    Heating,    // heating dots, heating time, heating interval
    Sleep,      // seconds before sleeping, low byte first
    Size,       // character size
    Inverse,    // white on black
    Density,    // print density
};

constexpr int kNulTerminated = -1;

struct PrinterCommand {
    PrinterOp op;
    unsigned char prefix;
    unsigned char code;
    int params;       // parameter bytes, or kNulTerminated
    int olderParams;  // the same on firmware older than the newer commands
};

struct PrinterProfile {
    struct ControlBytes {
        unsigned char lineFeed, tab, formFeed;
        unsigned char xoff;  // the printer's own flow control: must never be sent
        unsigned char wake;  // wakes the printer; a run of ESCs follows
    };
    struct CommandSet {
        const PrinterCommand* list;
        std::size_t count;
    };
    struct ModeBits {
        unsigned char fontB, upsideDown, bold, doubleHeight, doubleWidth, strike;
    };
    struct Sizes {
        unsigned char normal, tall, large;  // large: double width and height
    };
    struct Positions {
        unsigned char left, centre, right;
    };
    struct Limits {
        unsigned char underline, charset, codePage;  // highest parameters taken
    };
    struct Cell {
        int width, height;  // dots
    };
    struct Geometry {
        int paperDots;  // printable width of the roll
        Cell fontA, fontB;
        int lineHeight;   // dots from line to line at power-on and after DefaultLineHeight
        int powerOnTabs;  // the printer's own tab stops are this many columns apart
        int driverTabs;   // the stops the driver sets, this many columns apart
        int maxTabStops;
    };
    struct Timings {               // microseconds
        unsigned int dotPrint;     // one dot row printed
        unsigned int dotFeed;      // one dot row fed
        unsigned int byteAt1Baud;  // one byte at 1 baud, with the printer's margin
        int fallbackBaud;          // paced as this when no usable speed is given
        int wakeEscapes;           // ESCs after the wake byte
        unsigned int wakeGap;      // after each of them
    };
    struct SetUp {
        unsigned char heatDots, heatInterval, density;
        int maxChunkHeight;
    };
    struct Firmware {
        float fitted;       // version of the printer fitted
        float newCommands;  // tab stops, ESC d feeds, two-byte sleep from here on
    };

    ControlBytes bytes;
    CommandSet commands;
    ModeBits mode;  // PrintMode bits
    Sizes size;     // Size parameters
    Positions justify;
    Limits limits;
    Geometry geometry;
    Timings timing;
    SetUp setUp;
    Firmware firmware;

    constexpr int columns() const { return geometry.paperDots / geometry.fontA.width; }
    constexpr int fontBColumns() const { return geometry.paperDots / geometry.fontB.width; }
    constexpr int charHeight() const { return geometry.fontA.height; }
    constexpr bool newCommands(float version) const { return version >= firmware.newCommands; }

    constexpr const PrinterCommand* command(PrinterOp op) const {
        for (std::size_t i = 0; i < commands.count; ++i)
            if (commands.list[i].op == op) return &commands.list[i];
        return nullptr;
    }
    constexpr const PrinterCommand* command(unsigned char prefix, unsigned char code) const {
        for (std::size_t i = 0; i < commands.count; ++i)
            if (commands.list[i].prefix == prefix && commands.list[i].code == code)
                return &commands.list[i];
        return nullptr;
    }
    constexpr bool isPrefix(unsigned char byte) const {
        for (std::size_t i = 0; i < commands.count; ++i)
            if (commands.list[i].prefix == byte) return true;
        return false;
    }
};

// The ESC/POS subset of the small receipt printers.
inline constexpr PrinterCommand kEscPosCommands[] = {
    {PrinterOp::Initialise, escpos::kEsc, '@', 0, 0},
    {PrinterOp::TabStops, escpos::kEsc, 'D', kNulTerminated, kNulTerminated},
    {PrinterOp::PrintMode, escpos::kEsc, '!', 1, 1},
    {PrinterOp::Justify, escpos::kEsc, 'a', 1, 1},
    {PrinterOp::Underline, escpos::kEsc, '-', 1, 1},
    {PrinterOp::Online, escpos::kEsc, '=', 1, 1},
    {PrinterOp::LineHeight, escpos::kEsc, '3', 1, 1},
    {PrinterOp::DefaultLineHeight, escpos::kEsc, '2', 0, 0},
    {PrinterOp::FeedLines, escpos::kEsc, 'd', 1, 1},
    {PrinterOp::FeedDots, escpos::kEsc, 'J', 1, 1},
    {PrinterOp::Charset, escpos::kEsc, 'R', 1, 1},
    {PrinterOp::CodePage, escpos::kEsc, 't', 1, 1},
    {PrinterOp::CharSpacing, escpos::kEsc, ' ', 1, 1},
    {PrinterOp::UserChars, escpos::kEsc, '%', 1, 1},
    {PrinterOp::Heating, escpos::kEsc, '7', 3, 3},
    {PrinterOp::Sleep, escpos::kEsc, '8', 2, 1},
    {PrinterOp::Size, escpos::kGs, '!', 1, 1},
    {PrinterOp::Inverse, escpos::kGs, 'B', 1, 1},
    {PrinterOp::Density, escpos::kDc2, '#', 1, 1},
};

// The 58 mm serial receipt printer of the terminal: 32 characters a line.
inline constexpr PrinterProfile kReceiptPrinter58 = {
    {0x0A, 0x09, 0x0C, 0x13, 0xFF},  // LF, HT, FF, XOFF, wake
    {kEscPosCommands, std::size(kEscPosCommands)},
    {0x01, 0x04, 0x08, 0x10, 0x20, 0x40},    // font B, upside down, bold, tall, wide, strike
    {0x00, 0x01, 0x11},                      // normal, tall, large
    {0, 1, 2},                               // left, centre, right
    {2, 15, 47},                             // underline, charset, code page
    {384, {12, 24}, {9, 17}, 30, 8, 4, 32},  // 32 columns of 12x24 dots, lines 30 dots apart
    {5000, 500, 12000000, 9600, 10, 10000},  // dot print and feed, byte time, wake
    {7, 40, 74, 255},                        // heating dots and interval, density, chunk
    {2.68f, 2.64f},                          // fitted, newer commands
};

inline constexpr const PrinterProfile& kInstalledPrinter = kReceiptPrinter58;
