#include "drivers/soft_lcd.h"

#include <wiringPi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// PCF8574 port bits
constexpr int kRw = 0x02;
constexpr int kEnable = 0x04;
constexpr int kBacklight = 0x08;

// HD44780 commands and flags
constexpr int kCmdClear = 0x01;
constexpr int kCmdHome = 0x02;
constexpr int kCmdEntryMode = 0x04;
constexpr int kCmdDisplay = 0x08;
constexpr int kCmdCursorShift = 0x10;
constexpr int kCmdFunction = 0x20;
constexpr int kCmdCgramAddress = 0x40;
constexpr int kCmdDdramAddress = 0x80;
constexpr int kFcnTwoLines = 0x08;
constexpr int kFcnEightBit = 0x10;
constexpr int kDisplayOn = 0x04;
constexpr int kDisplayCursor = 0x02;
constexpr int kDisplayBlink = 0x01;
constexpr int kBusyFlag = 0x80;
constexpr int kAddressMask = 0x7F;

constexpr int kRowStart[RpLcd::kRows] = {0x00, 0x40, 0x14, 0x54};

// Power-on pauses of the controller, and the clear command's run time.
constexpr unsigned int kPowerOnMicros = 45000;
constexpr unsigned int kFirstWakeMicros = 5000;
constexpr unsigned int kSecondWakeMicros = 1000;
constexpr unsigned int kClearMicros = 2000;
// Home runs 1.52 ms in the controller. The next transfer spends about 0.72 ms
// on the bus before its first nibble (or busy-flag read) reaches the
// controller, so this much more is enough; a slower bus only adds margin.
constexpr unsigned int kHomeMicros = 805;

constexpr int kPwmPin = 1;
constexpr int kPwmRange = 1024;
constexpr int kMultiLineSlice = 18;

}  // namespace

RpLcd::RpLcd() {
    std::memset(screen, ' ', sizeof(screen));
}

RpLcd::~RpLcd() {
    ReentrantGuard guard(mutex_);
    if (!configured) return;
    off();
    backlight(false);
    i2c_stop(bus);
    reset();
}

// ---------------------------------------------------------------------------
// Set-up

bool RpLcd::setParam(int scl, int sda, int addr, int rows, int cols) {
    ReentrantGuard guard(mutex_);
    pinScl = scl;
    pinSda = sda;
    this->addr = addr;
    this->rows = rows;
    this->cols = cols;
    bus = i2c_init(scl, sda);
    configured = false;
    if (addr != 0 && !_pcf8574_check(bus, addr)) {
        std::printf("I2c unknown address : %d\n", addr);
        return false;
    }
    dimLevel = -1.0f;
    failed = false;
    fcnFlags = rows > 1 ? kFcnTwoLines : 0;
    cursorFlags = 0;
    displayFlags = kDisplayOn;
    entryFlags = 0;
    backlightBit = kBacklight;
    configured = true;
    reset();
    init();
    return true;
}

void RpLcd::reset() {
    ReentrantGuard guard(mutex_);
    delayMicroseconds(kPowerOnMicros);
    _pcf8574_put(0x30);
    delayMicroseconds(kFirstWakeMicros);
    _pcf8574_put(0x30);
    delayMicroseconds(kSecondWakeMicros);
    _pcf8574_put(0x30);
    if (!(fcnFlags & kFcnEightBit)) _pcf8574_put(0x20);
}

void RpLcd::init() {
    ReentrantGuard guard(mutex_);
    reconfig();
    clear();
    home();
}

void RpLcd::reconfig() {
    ReentrantGuard guard(mutex_);
    reconfig_fcn();
    reconfig_cursor();
    reconfig_display();
    reconfig_entrymode();
}

void RpLcd::reconfig_fcn() {
    ReentrantGuard guard(mutex_);
    command(kCmdFunction | fcnFlags);
}

void RpLcd::reconfig_cursor() {
    ReentrantGuard guard(mutex_);
    command(kCmdCursorShift | cursorFlags);
}

void RpLcd::reconfig_display() {
    ReentrantGuard guard(mutex_);
    command(kCmdDisplay | displayFlags);
}

void RpLcd::reconfig_entrymode() {
    ReentrantGuard guard(mutex_);
    command(kCmdEntryMode | entryFlags);
}

// ---------------------------------------------------------------------------
// Display commands

void RpLcd::clear() {
    ReentrantGuard guard(mutex_);
    command(kCmdClear);
    std::memset(screen, ' ', sizeof(screen));
    delayMicroseconds(kClearMicros);
}

void RpLcd::home() {
    ReentrantGuard guard(mutex_);
    command(kCmdHome);
    row = 0;
    col = 0;
    delayMicroseconds(kHomeMicros);
}

void RpLcd::on() {
    ReentrantGuard guard(mutex_);
    displayFlags |= kDisplayOn;
    reconfig_display();
}

void RpLcd::off() {
    ReentrantGuard guard(mutex_);
    displayFlags &= ~kDisplayOn;
    reconfig_display();
}

void RpLcd::backlight(bool on) {
    ReentrantGuard guard(mutex_);
    backlightBit = on ? kBacklight : 0;
    reconfig_display();
}

void RpLcd::cursor(bool on) {
    ReentrantGuard guard(mutex_);
    displayFlags = on ? displayFlags | kDisplayCursor : displayFlags & ~kDisplayCursor;
    reconfig_display();
}

void RpLcd::blink(bool on) {
    ReentrantGuard guard(mutex_);
    displayFlags = on ? displayFlags | kDisplayBlink : displayFlags & ~kDisplayBlink;
    reconfig_display();
}

// Rows outside the display have no start address: the cursor stays put.
void RpLcd::pos(int row, int col) {
    ReentrantGuard guard(mutex_);
    if (!hasRow(row)) return;
    pos_raw(kRowStart[row] + std::max(col, 0));
}

void RpLcd::pos_raw(int address) {
    ReentrantGuard guard(mutex_);
    command(kCmdDdramAddress | (address & kAddressMask));
}

void RpLcd::raw(int rs, int value) {
    ReentrantGuard guard(mutex_);
    const int low = rs | backlightBit;
    _pcf8574_put(((value >> 4) & 0x0F) << 4 | low);
    _pcf8574_put((value & 0x0F) << 4 | low);
}

void RpLcd::create_char(int slot, const unsigned char* bitmap) {
    if (slot < 0 || slot > 7 || bitmap == nullptr) return;
    ReentrantGuard guard(mutex_);
    const int address = read_pos_raw();
    command(kCmdCgramAddress + slot * 8);
    for (int line = 0; line < 8; ++line) raw(1, bitmap[line]);
    pos_raw(address);
}

void RpLcd::backlight_dim(float level) {
    ReentrantGuard guard(mutex_);
    if (dimLevel < 0) {
        pwmSetClock(19);
        pwmSetRange(kPwmRange);
        pinMode(kPwmPin, PWM_OUTPUT);
    }
    level = std::min(std::max(level, 0.0f), 1.0f);
    pwmWrite(kPwmPin, static_cast<int>(level * kPwmRange));
    dimLevel = level;
}

// ---------------------------------------------------------------------------
// Reading back

int RpLcd::read_raw(int rs) {
    ReentrantGuard guard(mutex_);
    const int high = _pcf8574_get(rs);
    const int low = _pcf8574_get(rs);
    return high * 16 + low;
}

int RpLcd::read_pos_raw() {
    return read_raw(0);
}

int RpLcd::read_data() {
    return read_raw(1);
}

void RpLcd::row_col(int& first, int& second) {
    const int address = read_pos_raw();
    if (address < 20) {
        second = 0;
        first = address;
    } else if (address < 64) {
        second = 2;
        first = address - 20;
    } else if (address < 84) {
        second = 1;
        first = address - 64;
    } else {
        second = 3;
        first = address - 84;
    }
}

// ---------------------------------------------------------------------------
// Text output

void RpLcd::printc(const char* text) {
    if (text == nullptr) return;
    ReentrantGuard guard(mutex_);
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            _nextline();
            continue;
        }
        row_col(col, row);
        raw(1, static_cast<unsigned char>(*p));
        // Addresses past column 19, or read while busy, have no cell.
        if (inShadow(row, col)) screen[row][col] = *p;
    }
}

void RpLcd::print(const std::string& text) {
    printc(text.c_str());
}

void RpLcd::printf(const char* format, ...) {
    char buffer[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    printc(buffer);
}

void RpLcd::lcdPrintc(const char* text, int row, int align, bool clearLine) {
    ReentrantGuard guard(mutex_);
    const bool positioned = clearLine || (align >= 0 && align <= 2);
    if (text == nullptr || (positioned && !hasRow(row))) return;
    if (clearLine) {
        pos(row, 0);
        print(std::string(std::max(cols, 0), ' '));
    }
    const int length = static_cast<int>(std::strlen(text));
    // Text longer than the row starts at column 0 rather than before the row.
    switch (align) {
        case 0:
            pos(row, 0);
            break;
        case 1:
            pos(row, std::max((cols - length) / 2, 0));
            break;
        case 2:
            pos(row, std::max(cols - length, 0));
            break;
        default:
            break;
    }
    printc(text);
}

void RpLcd::lcdPrint(const std::string& text, int row, int align, bool clearLine) {
    lcdPrintc(text.c_str(), row, align, clearLine);
}

void RpLcd::lcdPrint(int value, int row, int align, bool clearLine) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "  %d  ", value);
    lcdPrintc(buffer, row, align, clearLine);
}

void RpLcd::lcdPrintML(const std::string& text) {
    ReentrantGuard guard(mutex_);
    for (int line = 0; line < kRows; ++line) {
        const size_t start = static_cast<size_t>(line) * kMultiLineSlice;
        if (start >= text.size()) return;
        pos(line, 1);
        print(text.substr(start, kMultiLineSlice));
    }
}

void RpLcd::_nextline() {
    const int address = read_pos_raw();
    if (address & kBusyFlag) {
        failed = true;
        return;
    }
    switch (rows) {
        case 1:
            pos_raw(0x00);
            break;
        case 2:
            if (address < 64) pos_raw(0x40);
            break;
        case 4:
            if (address < 20)
                pos_raw(0x40);
            else if (address < 64)
                pos_raw(0x54);
            else if (address < 84)
                pos_raw(0x14);
            break;
        default:
            break;
    }
}

char* RpLcd::_replace_UTF8_chars(const char* text) {
    struct Pair {
        unsigned char lead, second, out;
    };
    static const Pair kPairs[] = {
        {0xC3, 0x81, 'A'},  {0xC3, 0x89, 'E'},  {0xC3, 0x8D, 'I'}, {0xC3, 0x91, 0xEE},
        {0xC3, 0x93, 'O'},  {0xC3, 0x9A, 'U'},  {0xC3, 0xA1, 'a'}, {0xC3, 0xA9, 'e'},
        {0xC3, 0xAD, 'i'},  {0xC3, 0xB1, 0xEE}, {0xC3, 0xB3, 'o'}, {0xC3, 0xBA, 'u'},
        {0xC2, 0xBA, 0xDF},
    };
    if (text == nullptr) text = "";
    const size_t length = std::strlen(text);
    char* out = static_cast<char*>(std::malloc(length + 1));
    if (out == nullptr) return nullptr;
    size_t n = 0;
    for (size_t i = 0; i < length; ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);  // NUL at the end
        const auto match = std::find_if(std::begin(kPairs), std::end(kPairs), [&](const Pair& p) {
            return p.lead == lead && p.second == next;
        });
        if (match != std::end(kPairs)) {
            out[n++] = static_cast<char>(match->out);
            ++i;
        } else {
            out[n++] = text[i];
        }
    }
    out[n] = '\0';
    return out;
}

// ---------------------------------------------------------------------------
// Shadow and backup

void RpLcd::backup() {
    ReentrantGuard guard(mutex_);
    std::memcpy(saved, screen, sizeof(saved));
    savedPos = read_pos_raw();
}

void RpLcd::restore() {
    ReentrantGuard guard(mutex_);
    for (int line = 0; line < kRows; ++line) {
        char text[kCols + 1] = {};
        std::memcpy(text, saved[line], kCols);  // a NUL in the row ends it early
        pos(line, 0);
        printc(text);
    }
    pos_raw(savedPos);
}

void RpLcd::setSnapshot(int row, int col, char ch) {
    ReentrantGuard guard(mutex_);
    if (inShadow(row, col)) screen[row][col] = ch;
}

void RpLcd::displayBackup() {
    ReentrantGuard guard(mutex_);
    std::printf("backupScreen : \n");
    for (const auto& line : screen) std::printf("%.*s\n", kCols, line);
    std::printf("snapshotScreen : \n");
    for (const auto& line : saved) std::printf("%.*s\n", kCols, line);
}

char RpLcd::shadowAt(int row, int col) const {
    return inShadow(row, col) ? screen[row][col] : '\0';
}

std::string RpLcd::shadowRow(int row) const {
    if (row < 0 || row >= kRows) return std::string();
    return std::string(screen[row], kCols);
}

// ---------------------------------------------------------------------------
// Expander access

void RpLcd::_pcf8574_put(int value) {
    if (!hasBus()) return;
    i2c_start(bus);
    const bool acknowledged =
        i2c_send_byte(bus, static_cast<unsigned char>(addr << 1)) == 0 &&
        i2c_send_byte(bus, static_cast<unsigned char>(value | kEnable)) == 0 &&
        i2c_send_byte(bus, static_cast<unsigned char>(value)) == 0;
    i2c_stop(bus);
    if (!acknowledged) failed = true;
}

int RpLcd::_pcf8574_get(int rs) {
    if (!hasBus()) return 0;
    const int b = rs | 0xF2 | backlightBit;
    const auto writeAddress = static_cast<unsigned char>(addr << 1);
    i2c_start(bus);
    i2c_send_byte(bus, writeAddress);
    i2c_send_byte(bus, static_cast<unsigned char>(b));
    i2c_send_byte(bus, static_cast<unsigned char>(b | kEnable));
    i2c_stop(bus);

    i2c_start(bus);
    i2c_send_byte(bus, static_cast<unsigned char>(writeAddress | 1));
    const unsigned char value = i2c_read_byte(bus);
    i2c_send_bit(bus, 1);
    i2c_stop(bus);

    i2c_start(bus);
    i2c_send_byte(bus, writeAddress);
    i2c_send_byte(bus, static_cast<unsigned char>(b & ~kEnable));
    i2c_send_byte(bus, static_cast<unsigned char>(b & ~kRw));
    i2c_stop(bus);
    return value >> 4;
}

bool RpLcd::_pcf8574_check(i2c_t bus, int addr) {
    i2c_start(bus);
    if (i2c_send_byte(bus, static_cast<unsigned char>(addr << 1)) != 0) return false;
    i2c_stop(bus);
    return true;
}
