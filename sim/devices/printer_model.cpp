#include "sim/devices/printer_model.h"

#include <cstdio>

namespace sim {

namespace {

constexpr std::uint8_t kHt = 0x09, kLf = 0x0A, kFf = 0x0C, kCr = 0x0D, kDc2 = 0x12, kXoff = 0x13,
                       kEsc = 0x1B, kGs = 0x1D, kWake = 0xFF;
constexpr std::size_t kMaxTabStops = 32;

std::string describe(const std::vector<std::uint8_t>& seq) {
    std::string text;
    for (std::size_t i = 0; i < seq.size(); ++i) {
        const std::uint8_t byte = seq[i];
        if (!text.empty()) text += ' ';
        if (i == 0 && byte == kEsc) {
            text += "ESC";
        } else if (i == 0 && byte == kGs) {
            text += "GS";
        } else if (i == 0 && byte == kDc2) {
            text += "DC2";
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", byte);
            text += hex;
        }
    }
    return text;
}

// ESC/POS accepts both 0/1/2 and '0'/'1'/'2' for these parameters.
int smallParameter(std::uint8_t n) {
    return n >= '0' && n <= '9' ? n - '0' : n;
}

std::vector<int> everyEightColumns() {
    return {8, 16, 24};
}

}  // namespace

PrinterModel::PrinterModel(const TimeSource& time, Trace& trace) : time_(time), trace_(trace) {
    settings_.tabStops = everyEightColumns();
}

void PrinterModel::setFirmware(float version) {
    std::lock_guard<std::mutex> guard(mutex_);
    sleepParams_ = version >= 2.64f ? 2 : 1;
}

void PrinterModel::put(const std::string& bytes) {
    for (char byte : bytes) put(static_cast<std::uint8_t>(byte));
}

void PrinterModel::put(std::uint8_t byte) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++received_;
    if (seq_.empty()) {
        if (byte == kEsc || byte == kGs || byte == kDc2)
            seq_.push_back(byte);
        else
            plainByte(byte);
        return;
    }
    if (seq_.size() == 1 && seq_[0] == kEsc && byte == kEsc) {
        ++wakes_;  // the wake-up sends a run of ESCs; only the last one starts a command
        return;
    }
    if (seq_.size() == 2 + kMaxTabStops && seq_[1] == 'D' && byte != 0) {
        // More stops than the printer keeps: the list ends and the byte is data.
        std::vector<std::uint8_t> done = seq_;
        seq_.clear();
        execute(done);
        if (byte == kEsc || byte == kGs || byte == kDc2)
            seq_.push_back(byte);
        else
            plainByte(byte);
        return;
    }
    seq_.push_back(byte);
    if (!sequenceComplete()) return;
    std::vector<std::uint8_t> done;
    done.swap(seq_);
    execute(done);
}

int PrinterModel::sequenceLength() const {
    if (seq_.size() < 2) return 2;
    const std::uint8_t command = seq_[1];
    if (seq_[0] == kGs) return command == '!' || command == 'B' ? 3 : 2;
    if (seq_[0] == kDc2) return command == '#' ? 3 : 2;
    switch (command) {
        case '@':
        case '2':
            return 2;
        case '!':
        case 'a':
        case '-':
        case '=':
        case '3':
        case 'd':
        case 'J':
        case 'R':
        case 't':
        case ' ':
        case '%':
            return 3;
        case '7':
            return 5;
        case '8':
            return 2 + sleepParams_;
        case 'D':
            return -1;  // tab stops up to a NUL
        default:
            return 2;
    }
}

bool PrinterModel::sequenceComplete() const {
    const int length = sequenceLength();
    if (length < 0) return seq_.size() > 2 && seq_.back() == 0;
    return static_cast<int>(seq_.size()) >= length;
}

void PrinterModel::plainByte(std::uint8_t byte) {
    if (byte == kXoff) {
        // Flow control byte: the driver must filter it out of any text.
        faults_.push_back({time_.now(), "0x13 (XOFF) received"});
        trace_.log(time_.now(), "printer fault: 0x13 received");
        return;
    }
    if (byte == kWake) {
        ++wakes_;
        return;
    }
    if (!settings_.online) {
        ++dropped_;
        return;
    }
    if (byte >= 0x20) {
        addChar(byte);
        return;
    }
    switch (byte) {
        case kLf:
            lineFeed();
            break;
        case kHt:
            tab();
            break;
        case kFf:
            printBuffer();
            break;
        case kCr:
        case 0x00:
            break;
        default:
            unknown({byte});
            break;
    }
}

void PrinterModel::execute(const std::vector<std::uint8_t>& seq) {
    const std::uint8_t command = seq.size() > 1 ? seq[1] : 0;
    const bool select = seq[0] == kEsc && command == '=';
    if (!settings_.online && !select) {
        dropped_ += seq.size();
        return;
    }
    trace_.log(time_.now(), "printer " + describe(seq));
    if (seq[0] == kEsc)
        escape(command, seq);
    else if (seq[0] == kGs && seq.size() == 3)
        groupSeparator(command, seq[2]);
    else if (seq[0] == kDc2 && command == '#')
        settings_.density = seq[2];
    else
        unknown(seq);
}

void PrinterModel::escape(std::uint8_t command, const std::vector<std::uint8_t>& seq) {
    const int n = seq.size() > 2 ? seq[2] : 0;
    switch (command) {
        case '@':
            initialise();
            break;
        case '!':
            printMode(static_cast<std::uint8_t>(n));
            break;
        case 'a': {
            const int mode = smallParameter(static_cast<std::uint8_t>(n));
            if (mode <= 2)
                style_.justify = mode == 1   ? Justify::Center
                                 : mode == 2 ? Justify::Right
                                             : Justify::Left;
            break;
        }
        case '-': {
            const int weight = smallParameter(static_cast<std::uint8_t>(n));
            if (weight <= 2) style_.underline = weight;
            break;
        }
        case '=':
            settings_.online = n & 1;
            break;
        case '3':
            settings_.lineHeight = n;
            break;
        case '2':
            settings_.lineHeight = kDefaultLineHeight;
            break;
        case 'd':
            feedLines(n);
            break;
        case 'J':
            feedDots(n);
            break;
        case 'D':
            settings_.tabStops.clear();
            for (std::size_t i = 2; i < seq.size() && seq[i] != 0; ++i)
                if (settings_.tabStops.empty() || seq[i] > settings_.tabStops.back())
                    settings_.tabStops.push_back(seq[i]);
            break;
        case '7':
            settings_.heatDots = seq[2];
            settings_.heatTime = seq[3];
            settings_.heatInterval = seq[4];
            break;
        case '8':
            settings_.sleepSeconds = seq[2] | (seq.size() > 3 ? seq[3] << 8 : 0);
            break;
        case 'R':
            settings_.charset = n;
            break;
        case 't':
            settings_.codePage = n;
            break;
        case ' ':
            settings_.charSpacing = n;
            break;
        case '%':
            settings_.userChars = n & 1;
            break;
        default:
            unknown(seq);
            break;
    }
}

void PrinterModel::groupSeparator(std::uint8_t command, std::uint8_t n) {
    if (command == '!') {
        style_.doubleWidth = (n >> 4) != 0;
        style_.doubleHeight = (n & 0x0F) != 0;
    } else if (command == 'B') {
        style_.inverse = n & 1;
    }
}

void PrinterModel::printMode(std::uint8_t n) {
    style_.fontB = n & 0x01;
    style_.upsideDown = n & 0x04;
    style_.bold = n & 0x08;
    style_.doubleHeight = n & 0x10;
    style_.doubleWidth = n & 0x20;
    style_.strike = n & 0x40;
}

void PrinterModel::initialise() {
    // The print buffer is cleared, not printed.
    dropped_ += buffer_.size();
    buffer_.clear();
    usedUnits_ = 0;
    fedDots_ = 0;
    style_ = Style{};
    const int sleepSeconds = settings_.sleepSeconds;
    const int heatDots = settings_.heatDots, heatTime = settings_.heatTime,
              heatInterval = settings_.heatInterval, density = settings_.density;
    settings_ = Settings{};
    settings_.tabStops = everyEightColumns();
    // Heating, density and sleep live in the printer's own memory and survive ESC @.
    settings_.sleepSeconds = sleepSeconds;
    settings_.heatDots = heatDots;
    settings_.heatTime = heatTime;
    settings_.heatInterval = heatInterval;
    settings_.density = density;
}

void PrinterModel::addChar(std::uint8_t byte) {
    if (usedUnits_ + charUnits() > kLineUnits) printBuffer();  // the line is full: wrap
    if (buffer_.empty()) lineStyle_ = style_;
    buffer_ += static_cast<char>(byte);
    usedUnits_ += charUnits();
}

void PrinterModel::tab() {
    const int column = usedUnits_ / charUnits();
    for (int stop : settings_.tabStops) {
        if (stop <= column) continue;
        if (stop * charUnits() > kLineUnits) return;
        while (usedUnits_ / charUnits() < stop) addChar(' ');
        return;
    }
}

void PrinterModel::lineFeed() {
    if (buffer_.empty())
        emit(std::string(), style_);
    else
        printBuffer();
}

void PrinterModel::feedLines(int count) {
    // ESC d n prints the buffer and feeds n lines: the same as n line feeds.
    if (!buffer_.empty()) {
        printBuffer();
        --count;
    }
    for (int i = 0; i < count; ++i) emit(std::string(), style_);
}

void PrinterModel::feedDots(int dots) {
    if (!buffer_.empty()) {
        printBuffer();
        return;
    }
    const int lineHeight = settings_.lineHeight > 0 ? settings_.lineHeight : 1;
    for (fedDots_ += dots; fedDots_ >= lineHeight; fedDots_ -= lineHeight)
        emit(std::string(), style_);
}

void PrinterModel::printBuffer() {
    if (buffer_.empty()) return;
    emit(buffer_, lineStyle_);
    buffer_.clear();
    usedUnits_ = 0;
    fedDots_ = 0;
}

void PrinterModel::emit(const std::string& text, const Style& style) {
    PaperLine line;
    line.text = text;
    line.justify = style.justify;
    line.bold = style.bold;
    line.doubleHeight = style.doubleHeight;
    line.doubleWidth = style.doubleWidth;
    line.inverse = style.inverse;
    line.underline = style.underline > 0;
    line.fontB = style.fontB;
    line.upsideDown = style.upsideDown;
    line.strike = style.strike;
    paper_.push_back(line);
    trace_.log(time_.now(), "printer line '" + text + "'");
}

void PrinterModel::unknown(const std::vector<std::uint8_t>& seq) {
    unknown_.push_back(describe(seq));
    trace_.log(time_.now(), "printer unknown " + describe(seq));
}

std::vector<PaperLine> PrinterModel::takeLines() {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<PaperLine> fresh(paper_.begin() + static_cast<long>(taken_), paper_.end());
    taken_ = paper_.size();
    return fresh;
}

std::vector<PaperLine> PrinterModel::allLines() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return paper_;
}

std::string PrinterModel::pendingText() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return buffer_;
}

int PrinterModel::unknownSequences() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int>(unknown_.size());
}

std::vector<std::string> PrinterModel::unknownList() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return unknown_;
}

std::vector<PrinterModel::Fault> PrinterModel::faults() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return faults_;
}

PrinterModel::Settings PrinterModel::settings() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return settings_;
}

std::uint64_t PrinterModel::bytesReceived() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return received_;
}

std::uint64_t PrinterModel::bytesDropped() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return dropped_;
}

int PrinterModel::wakeBytes() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return wakes_;
}

}  // namespace sim
