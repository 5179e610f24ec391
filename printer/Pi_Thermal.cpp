#include "printer/Pi_Thermal.h"

#include <wiringSerial.h>

#include <cctype>
#include <cstdio>

#include "platform/platform.h"

namespace {

unsigned char capped(unsigned char value, unsigned char limit) {
    return value > limit ? limit : value;
}

}  // namespace

Pi_Thermal::Pi_Thermal() = default;
Pi_Thermal::Pi_Thermal(const PrinterProfile& profile) : profile(&profile) {}
Pi_Thermal::~Pi_Thermal() = default;

// ---------------------------------------------------------------- set-up

void Pi_Thermal::setParam(std::string device, float firmware, int baud) {
    this->device = device;
    this->firmware = firmware;
    this->baud = baud;
    // A zero or negative speed would divide by zero; pace as the slowest printer.
    const int pacingBaud = baud > 0 ? baud : profile->timing.fallbackBaud;
    byteTime = (profile->timing.byteAt1Baud + pacingBaud / 2) / pacingBaud;
}

void Pi_Thermal::begin(int heatTime) {
    // The caller hands the path as the board knows it (platform::path).
    fd = serialOpen(device.c_str(), baud);
    if (fd < 0) std::printf("serialOpen issue\n");
    wake();
    reset();
    // The printer takes the heating command and its settings as two writes.
    if (const PrinterCommand* heating = profile->command(PrinterOp::Heating)) {
        writeBytes(heating->prefix, heating->code);
        writeBytes(profile->setUp.heatDots, static_cast<unsigned char>(heatTime),
                   profile->setUp.heatInterval);
    }
    _send(PrinterOp::Density, profile->setUp.density);
    maxChunkHeight = profile->setUp.maxChunkHeight;
    dotPrintTime = profile->timing.dotPrint;
    dotFeedTime = profile->timing.dotFeed;
}

void Pi_Thermal::close() {
    serialClose(fd);
}

void Pi_Thermal::reset() {
    _send(PrinterOp::Initialise);
    prevByte = profile->bytes.lineFeed;
    column = 0;
    maxColumn = profile->columns();
    charHeight = profile->charHeight();
    lineSpacing = profile->geometry.lineHeight - profile->charHeight();
    if (_newCommands()) _sendTabStops();
    setFontA();
    feed(1);
}

// Stops every few columns across the line, then the 0 that ends the list, in
// writes of four.
void Pi_Thermal::_sendTabStops() {
    const PrinterCommand* command = profile->command(PrinterOp::TabStops);
    if (!command) return;
    writeBytes(command->prefix, command->code);
    std::vector<unsigned char> stops;
    for (int stop = profile->geometry.driverTabs; stop < profile->columns();
         stop += profile->geometry.driverTabs)
        stops.push_back(static_cast<unsigned char>(stop));
    stops.push_back(0);
    for (size_t at = 0; at < stops.size(); at += 4) {
        const unsigned char* b = &stops[at];
        switch (stops.size() - at) {
            case 1:
                writeBytes(b[0]);
                break;
            case 2:
                writeBytes(b[0], b[1]);
                break;
            case 3:
                writeBytes(b[0], b[1], b[2]);
                break;
            default:
                writeBytes(b[0], b[1], b[2], b[3]);
        }
    }
}

void Pi_Thermal::setDefault() {
    online();
    justify('L');
    inverseOff();
    doubleHeightOff();
    setLineHeight(profile->geometry.lineHeight);
    boldOff();
    underlineOff();
    setSize('S');
    setCharset(0);
    setCodePage(0);
    setFontA();
}

void Pi_Thermal::wake() {
    timeoutSet(0);
    writeBytes(profile->bytes.wake);
    for (int i = 0; i < profile->timing.wakeEscapes; ++i) {
        writeBytes(escpos::kEsc);
        timeoutSet(profile->timing.wakeGap);
    }
}

void Pi_Thermal::sleep() {
    const PrinterCommand* command = profile->command(PrinterOp::Sleep);
    if (!command) return;
    const int params = _newCommands() ? command->params : command->olderParams;
    if (params == 2) {
        writeBytes(command->prefix, command->code, 1, 0);
    } else {
        writeBytes(command->prefix, command->code, 1);
    }
}

void Pi_Thermal::sleepAfter(unsigned long seconds) {
    _send(PrinterOp::Sleep, seconds & 0xFF, (seconds >> 8) & 0xFF);
}

// ---------------------------------------------------------------- text

int Pi_Thermal::write(char ch) {
    const unsigned char byte = static_cast<unsigned char>(ch);
    if (byte == profile->bytes.xoff) return 1;
    timeoutWait();
    serialPutchar(fd, byte);
    // After a size change the column may already lie beyond a narrower line:
    // such a line counts as full too, so its printing time is still waited for.
    if (byte != profile->bytes.lineFeed && column < maxColumn) {
        ++column;
        timeout = byteTime;
        prevByte = byte;
        return 1;
    }
    _lineDone();
    return 1;
}

void Pi_Thermal::_lineDone() {
    const unsigned int lineTime = prevByte == profile->bytes.lineFeed
                                      ? (charHeight + lineSpacing) * dotFeedTime
                                      : charHeight * dotPrintTime + lineSpacing * dotFeedTime;
    timeout = lineTime + byteTime;
    column = 0;
    prevByte = profile->bytes.lineFeed;
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
    if (_newCommands()) {
        _send(PrinterOp::FeedLines, n);
        timeoutSet(dotFeedTime * charHeight);
        prevByte = profile->bytes.lineFeed;
        column = 0;
        return;
    }
    for (unsigned char i = 0; i < n; ++i) write(static_cast<char>(profile->bytes.lineFeed));
}

void Pi_Thermal::feedRows(unsigned char rows) {
    _send(PrinterOp::FeedDots, rows);
    timeoutSet(dotFeedTime * rows);
    prevByte = profile->bytes.lineFeed;
    column = 0;
}

void Pi_Thermal::flush() {
    writeBytes(profile->bytes.formFeed);
}

void Pi_Thermal::tab() {
    writeBytes(profile->bytes.tab);
    column = (column / profile->geometry.driverTabs + 1) * profile->geometry.driverTabs;
}

// ---------------------------------------------------------------- formatting

void Pi_Thermal::_printModeChanged() {
    const bool tall = printMode & profile->mode.doubleHeight;
    const bool wide = printMode & profile->mode.doubleWidth;
    charHeight = profile->charHeight() * (tall ? 2 : 1);
    maxColumn = profile->columns() / (wide ? 2 : 1);
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
    _send(PrinterOp::PrintMode, printMode);
}

void Pi_Thermal::normal() {
    printMode = 0;
    writePrintMode();
}

void Pi_Thermal::upsideDownOn() {
    setPrintMode(profile->mode.upsideDown);
}
void Pi_Thermal::upsideDownOff() {
    unsetPrintMode(profile->mode.upsideDown);
}
void Pi_Thermal::boldOn() {
    setPrintMode(profile->mode.bold);
}
void Pi_Thermal::boldOff() {
    unsetPrintMode(profile->mode.bold);
}
void Pi_Thermal::doubleHeightOn() {
    setPrintMode(profile->mode.doubleHeight);
}
void Pi_Thermal::doubleHeightOff() {
    unsetPrintMode(profile->mode.doubleHeight);
}
void Pi_Thermal::doubleWidthOn() {
    setPrintMode(profile->mode.doubleWidth);
}
void Pi_Thermal::doubleWidthOff() {
    unsetPrintMode(profile->mode.doubleWidth);
}
void Pi_Thermal::strikeOn() {
    setPrintMode(profile->mode.strike);
}
void Pi_Thermal::strikeOff() {
    unsetPrintMode(profile->mode.strike);
}

void Pi_Thermal::setFontA() {
    _send(PrinterOp::PrintMode, 0);
}
void Pi_Thermal::setFontB() {
    _send(PrinterOp::PrintMode, profile->mode.fontB);
}

void Pi_Thermal::inverseOn() {
    _send(PrinterOp::Inverse, 1);
}
void Pi_Thermal::inverseOff() {
    _send(PrinterOp::Inverse, 0);
}

void Pi_Thermal::justify(char value) {
    unsigned char position = profile->justify.left;
    switch (std::toupper(static_cast<unsigned char>(value))) {
        case 'C':
            position = profile->justify.centre;
            break;
        case 'R':
            position = profile->justify.right;
            break;
    }
    _send(PrinterOp::Justify, position);
}

void Pi_Thermal::_sendSize(unsigned char size, int height, int columns) {
    _send(PrinterOp::Size, size);
    charHeight = height;
    maxColumn = columns;
    prevByte = profile->bytes.lineFeed;
}

void Pi_Thermal::setSize(char value) {
    const int height = profile->charHeight();
    const int columns = profile->columns();
    switch (std::toupper(static_cast<unsigned char>(value))) {
        case 'L':
            _sendSize(profile->size.large, 2 * height, columns / 2);
            break;
        case 'M':
            _sendSize(profile->size.tall, 2 * height, columns);
            break;
        default:
            _sendSize(profile->size.normal, height, columns);
    }
}

void Pi_Thermal::underlineOn(unsigned char weight) {
    _send(PrinterOp::Underline, capped(weight, profile->limits.underline));
}
void Pi_Thermal::underlineOff() {
    _send(PrinterOp::Underline, 0);
}

void Pi_Thermal::offline() {
    _send(PrinterOp::Online, 0);
}
void Pi_Thermal::online() {
    _send(PrinterOp::Online, 1);
}

void Pi_Thermal::setLineHeight(int height) {
    const int lowest = profile->charHeight();
    if (height < lowest) height = lowest;
    if (height > 255) height = 255;  // one byte on the wire
    lineSpacing = height - lowest;
    _send(PrinterOp::LineHeight, static_cast<unsigned char>(height));
}

void Pi_Thermal::setMaxChunkHeight(int height) {
    maxChunkHeight = height;
}

void Pi_Thermal::UDcharOn() {
    _send(PrinterOp::UserChars, 1);
}
void Pi_Thermal::UDcharOff() {
    _send(PrinterOp::UserChars, 0);
}

void Pi_Thermal::setCharset(unsigned char charset) {
    _send(PrinterOp::Charset, capped(charset, profile->limits.charset));
}

void Pi_Thermal::setCodePage(unsigned char codePage) {
    _send(PrinterOp::CodePage, capped(codePage, profile->limits.codePage));
}

void Pi_Thermal::setCharSpacing(unsigned char spacing) {
    _send(PrinterOp::CharSpacing, spacing);
}

// ---------------------------------------------------------------- commands

bool Pi_Thermal::_newCommands() const {
    return profile->newCommands(firmware);
}

// A printer without the command is left alone.
void Pi_Thermal::_send(PrinterOp op) {
    if (const PrinterCommand* command = profile->command(op))
        writeBytes(command->prefix, command->code);
}

void Pi_Thermal::_send(PrinterOp op, unsigned char n) {
    if (const PrinterCommand* command = profile->command(op))
        writeBytes(command->prefix, command->code, n);
}

void Pi_Thermal::_send(PrinterOp op, unsigned char a, unsigned char b) {
    if (const PrinterCommand* command = profile->command(op))
        writeBytes(command->prefix, command->code, a, b);
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
