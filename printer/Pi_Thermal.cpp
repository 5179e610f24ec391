#include "printer/Pi_Thermal.h"

#include <wiringSerial.h>

#include <cctype>
#include <cstdio>

#include "platform/platform.h"

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr unsigned char GS = 0x1D;
constexpr unsigned char DC2 = 0x12;
constexpr unsigned char XOFF = 0x13;  // would stop the printer's own flow control
constexpr unsigned char NEWLINE = '\n';

constexpr float kNewCommandsFirmware = 2.64f;
constexpr int kNormalHeight = 24;
constexpr int kDoubleHeight = 48;
constexpr int kNormalColumns = 32;
constexpr int kDoubleWidthColumns = 16;
constexpr int kFallbackBaud = 9600;

unsigned char capped(unsigned char value, unsigned char limit) {
    return value > limit ? limit : value;
}

}  // namespace

Pi_Thermal::Pi_Thermal() = default;
Pi_Thermal::~Pi_Thermal() = default;

// ---------------------------------------------------------------- set-up

void Pi_Thermal::setParam(std::string device, float firmware, int baud) {
    this->device = device;
    this->firmware = firmware;
    this->baud = baud;
    // A zero or negative speed would divide by zero; pace as the slowest printer.
    const int pacingBaud = baud > 0 ? baud : kFallbackBaud;
    byteTime = (12000000u + pacingBaud / 2) / pacingBaud;
}

void Pi_Thermal::begin(int heatTime) {
    // The caller hands the path as the board knows it (platform::path).
    fd = serialOpen(device.c_str(), baud);
    if (fd < 0) std::printf("serialOpen issue\n");
    wake();
    reset();
    writeBytes(ESC, '7');
    writeBytes(7, static_cast<unsigned char>(heatTime), 40);
    writeBytes(DC2, '#', 74);
    maxChunkHeight = 255;
    dotPrintTime = 5000;
    dotFeedTime = 500;
}

void Pi_Thermal::close() {
    serialClose(fd);
}

void Pi_Thermal::reset() {
    writeBytes(ESC, '@');
    prevByte = NEWLINE;
    column = 0;
    maxColumn = kNormalColumns;
    charHeight = kNormalHeight;
    lineSpacing = 6;
    if (firmware >= kNewCommandsFirmware) {
        writeBytes(ESC, 'D');
        writeBytes(4, 8, 12, 16);
        writeBytes(20, 24, 28, 0);
    }
    setFontA();
    feed(1);
}

void Pi_Thermal::setDefault() {
    online();
    justify('L');
    inverseOff();
    doubleHeightOff();
    setLineHeight(30);
    boldOff();
    underlineOff();
    setSize('S');
    setCharset(0);
    setCodePage(0);
    setFontA();
}

void Pi_Thermal::wake() {
    timeoutSet(0);
    writeBytes(0xFF);
    for (int i = 0; i < 10; ++i) {
        writeBytes(ESC);
        timeoutSet(10000);
    }
}

void Pi_Thermal::sleep() {
    if (firmware >= kNewCommandsFirmware) {
        writeBytes(ESC, '8', 1, 0);
    } else {
        writeBytes(ESC, '8', 1);
    }
}

void Pi_Thermal::sleepAfter(unsigned long seconds) {
    writeBytes(ESC, '8', seconds & 0xFF, (seconds >> 8) & 0xFF);
}

// ---------------------------------------------------------------- text

int Pi_Thermal::write(char ch) {
    const unsigned char byte = static_cast<unsigned char>(ch);
    if (byte == XOFF) return 1;
    timeoutWait();
    serialPutchar(fd, byte);
    // After a size change the column may already lie beyond a narrower line:
    // such a line counts as full too, so its printing time is still waited for.
    if (byte != NEWLINE && column < maxColumn) {
        ++column;
        timeout = byteTime;
        prevByte = byte;
        return 1;
    }
    _lineDone();
    return 1;
}

void Pi_Thermal::_lineDone() {
    const unsigned int lineTime = prevByte == NEWLINE
                                      ? (charHeight + lineSpacing) * dotFeedTime
                                      : charHeight * dotPrintTime + lineSpacing * dotFeedTime;
    timeout = lineTime + byteTime;
    column = 0;
    prevByte = NEWLINE;
}

void Pi_Thermal::print(std::string text) {
    for (char ch : text) write(ch);
}

void Pi_Thermal::println(std::string text) {
    print(text);
    write('\n');
}

void Pi_Thermal::printlf() {
    feed(1);
}

// ---------------------------------------------------------------- paper movement

void Pi_Thermal::feed(unsigned char n) {
    if (firmware >= kNewCommandsFirmware) {
        writeBytes(ESC, 'd', n);
        timeoutSet(dotFeedTime * charHeight);
        prevByte = NEWLINE;
        column = 0;
        return;
    }
    for (unsigned char i = 0; i < n; ++i) write('\n');
}

void Pi_Thermal::feedRows(unsigned char rows) {
    writeBytes(ESC, 'J', rows);
    timeoutSet(dotFeedTime * rows);
    prevByte = NEWLINE;
    column = 0;
}

void Pi_Thermal::flush() {
    writeBytes(0x0C);
}

void Pi_Thermal::tab() {
    writeBytes(0x09);
    column = (column + 4) & ~3;
}

// ---------------------------------------------------------------- formatting

void Pi_Thermal::_printModeChanged() {
    charHeight = (printMode & kDoubleHeightMask) ? kDoubleHeight : kNormalHeight;
    maxColumn = (printMode & kDoubleWidthMask) ? kDoubleWidthColumns : kNormalColumns;
}

void Pi_Thermal::setPrintMode(unsigned char mask) {
    printMode |= mask;
    writePrintMode();
    _printModeChanged();
}

void Pi_Thermal::unsetPrintMode(unsigned char mask) {
    printMode &= static_cast<unsigned char>(~mask);
    writePrintMode();
    _printModeChanged();
}

void Pi_Thermal::writePrintMode() {
    writeBytes(ESC, '!', printMode);
}

void Pi_Thermal::normal() {
    printMode = 0;
    writePrintMode();
}

void Pi_Thermal::upsideDownOn() {
    setPrintMode(kUpsideDownMask);
}
void Pi_Thermal::upsideDownOff() {
    unsetPrintMode(kUpsideDownMask);
}
void Pi_Thermal::boldOn() {
    setPrintMode(kBoldMask);
}
void Pi_Thermal::boldOff() {
    unsetPrintMode(kBoldMask);
}
void Pi_Thermal::doubleHeightOn() {
    setPrintMode(kDoubleHeightMask);
}
void Pi_Thermal::doubleHeightOff() {
    unsetPrintMode(kDoubleHeightMask);
}
void Pi_Thermal::doubleWidthOn() {
    setPrintMode(kDoubleWidthMask);
}
void Pi_Thermal::doubleWidthOff() {
    unsetPrintMode(kDoubleWidthMask);
}
void Pi_Thermal::strikeOn() {
    setPrintMode(kStrikeMask);
}
void Pi_Thermal::strikeOff() {
    unsetPrintMode(kStrikeMask);
}

void Pi_Thermal::setFontA() {
    writeBytes(ESC, '!', 0x00);
}
void Pi_Thermal::setFontB() {
    writeBytes(ESC, '!', kFontBMask);
}

void Pi_Thermal::inverseOn() {
    writeBytes(GS, 'B', 1);
}
void Pi_Thermal::inverseOff() {
    writeBytes(GS, 'B', 0);
}

void Pi_Thermal::justify(char value) {
    unsigned char position = 0;
    switch (std::toupper(static_cast<unsigned char>(value))) {
        case 'C':
            position = 1;
            break;
        case 'R':
            position = 2;
            break;
        default:
            position = 0;
    }
    writeBytes(ESC, 'a', position);
}

void Pi_Thermal::_sendSize(unsigned char size, int height, int columns) {
    writeBytes(GS, '!', size);
    charHeight = height;
    maxColumn = columns;
    prevByte = NEWLINE;
}

void Pi_Thermal::setSize(char value) {
    switch (std::toupper(static_cast<unsigned char>(value))) {
        case 'L':
            _sendSize(0x11, kDoubleHeight, kDoubleWidthColumns);
            break;
        case 'M':
            _sendSize(0x01, kDoubleHeight, kNormalColumns);
            break;
        default:
            _sendSize(0x00, kNormalHeight, kNormalColumns);
    }
}

void Pi_Thermal::underlineOn(unsigned char weight) {
    writeBytes(ESC, '-', capped(weight, 2));
}
void Pi_Thermal::underlineOff() {
    writeBytes(ESC, '-', 0);
}

void Pi_Thermal::offline() {
    writeBytes(ESC, '=', 0);
}
void Pi_Thermal::online() {
    writeBytes(ESC, '=', 1);
}

void Pi_Thermal::setLineHeight(int height) {
    if (height < kNormalHeight) height = kNormalHeight;
    if (height > 255) height = 255;  // one byte on the wire
    lineSpacing = height - kNormalHeight;
    writeBytes(ESC, '3', static_cast<unsigned char>(height));
}

void Pi_Thermal::setMaxChunkHeight(int height) {
    maxChunkHeight = height;
}

void Pi_Thermal::UDcharOn() {
    writeBytes(ESC, '%', 1);
}
void Pi_Thermal::UDcharOff() {
    writeBytes(ESC, '%', 0);
}

void Pi_Thermal::setCharset(unsigned char charset) {
    writeBytes(ESC, 'R', capped(charset, 15));
}

void Pi_Thermal::setCodePage(unsigned char codePage) {
    writeBytes(ESC, 't', capped(codePage, 47));
}

void Pi_Thermal::setCharSpacing(unsigned char spacing) {
    writeBytes(ESC, ' ', spacing);
}

// ---------------------------------------------------------------- pacing

void Pi_Thermal::timeoutSet(unsigned long micros) {
    timeout = static_cast<unsigned int>(micros);
}

void Pi_Thermal::timeoutWait() {
    platform::usleep(timeout);
}

void Pi_Thermal::writeBytes(unsigned char a) {
    timeoutWait();
    serialPutchar(fd, a);
    timeoutSet(byteTime);
}

void Pi_Thermal::writeBytes(unsigned char a, unsigned char b) {
    timeoutWait();
    serialPutchar(fd, a);
    serialPutchar(fd, b);
    timeoutSet(2 * byteTime);
}

void Pi_Thermal::writeBytes(unsigned char a, unsigned char b, unsigned char c) {
    timeoutWait();
    serialPutchar(fd, a);
    serialPutchar(fd, b);
    serialPutchar(fd, c);
    timeoutSet(3 * byteTime);
}

void Pi_Thermal::writeBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    timeoutWait();
    serialPutchar(fd, a);
    serialPutchar(fd, b);
    serialPutchar(fd, c);
    serialPutchar(fd, d);
    timeoutSet(4 * byteTime);
}
