#include "sim/devices/printer_model.h"

#include <cstdio>

namespace sim {

namespace {

constexpr std::uint8_t kCarriageReturn = 0x0D;  // ignored, as the line feed alone prints

std::string describe(const std::vector<std::uint8_t>& seq) {
    std::string text;
    for (std::size_t i = 0; i < seq.size(); ++i) {
        const std::uint8_t byte = seq[i];
        if (!text.empty()) text += ' ';
        if (i == 0 && byte == escpos::kEsc) {
            text += "ESC";
        } else if (i == 0 && byte == escpos::kGs) {
            text += "GS";
        } else if (i == 0 && byte == escpos::kDc2) {
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

}  // namespace

PrinterModel::PrinterModel(const TimeSource& time, Trace& trace, const PrinterProfile& profile)
    : time_(time),
      trace_(trace),
      profile_(profile),
      newFirmware_(profile.newCommands(profile.firmware.fitted)) {
    settings_ = powerOnSettings();
}

void PrinterModel::setFirmware(float version) {
    std::lock_guard<std::mutex> guard(mutex_);
    newFirmware_ = profile_.newCommands(version);
}

void PrinterModel::put(const std::string& bytes) {
    for (char byte : bytes) put(static_cast<std::uint8_t>(byte));
}

void PrinterModel::put(std::uint8_t byte) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++received_;
    if (seq_.empty()) {
        if (profile_.isPrefix(byte))
            seq_.push_back(byte);
        else
            plainByte(byte);
        return;
    }
    if (seq_.size() == 1 && seq_[0] == escpos::kEsc && byte == escpos::kEsc) {
        ++wakes_;  // the wake-up sends a run of ESCs; only the last one starts a command
        return;
    }
    if (listFull() && byte != 0) {
        // More stops than the printer keeps: the list ends and the byte is data.
        std::vector<std::uint8_t> done = seq_;
        seq_.clear();
        execute(done);
        if (profile_.isPrefix(byte))
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

const PrinterCommand* PrinterModel::pendingCommand() const {
    return seq_.size() < 2 ? nullptr : profile_.command(seq_[0], seq_[1]);
}

int PrinterModel::sequenceLength() const {
    const PrinterCommand* command = pendingCommand();
    if (!command) return 2;  // unknown commands are taken as two bytes
    const int params = newFirmware_ ? command->params : command->olderParams;
    return params == kNulTerminated ? -1 : 2 + params;
}

bool PrinterModel::listFull() const {
    return sequenceLength() < 0 &&
           seq_.size() == 2 + static_cast<std::size_t>(profile_.geometry.maxTabStops);
}

bool PrinterModel::sequenceComplete() const {
    const int length = sequenceLength();
    if (length < 0) return seq_.size() > 2 && seq_.back() == 0;
    return static_cast<int>(seq_.size()) >= length;
}

void PrinterModel::plainByte(std::uint8_t byte) {
    if (byte == profile_.bytes.xoff) {
        // Flow control byte: the driver must filter it out of any text.
        faults_.push_back({time_.now(), "0x13 (XOFF) received"});
        trace_.log(time_.now(), "printer fault: 0x13 received");
        return;
    }
    if (byte == profile_.bytes.wake) {
        ++wakes_;
        return;
    }
    if (!settings_.online) {
        ++dropped_;
        return;
    }
    if (byte >= 0x20)
        addChar(byte);
    else if (byte == profile_.bytes.lineFeed)
        lineFeed();
    else if (byte == profile_.bytes.tab)
        tab();
    else if (byte == profile_.bytes.formFeed)
        printBuffer();
    else if (byte != kCarriageReturn && byte != 0x00)
        unknown({byte});
}

void PrinterModel::execute(const std::vector<std::uint8_t>& seq) {
    const PrinterCommand* command = seq.size() > 1 ? profile_.command(seq[0], seq[1]) : nullptr;
    const bool select = command && command->op == PrinterOp::Online;
    if (!settings_.online && !select) {
        dropped_ += seq.size();
        return;
    }
    trace_.log(time_.now(), "printer " + describe(seq));
    if (command)
        apply(command->op, seq);
    else
        unknown(seq);
}

void PrinterModel::apply(PrinterOp op, const std::vector<std::uint8_t>& seq) {
    const std::uint8_t n = seq.size() > 2 ? seq[2] : 0;
    switch (op) {
        case PrinterOp::Initialise:
            initialise();
            break;
        case PrinterOp::PrintMode:
            printMode(n);
            break;
        case PrinterOp::Justify: {
            const int mode = smallParameter(n);
            if (mode == profile_.justify.left) style_.justify = Justify::Left;
            if (mode == profile_.justify.centre) style_.justify = Justify::Center;
            if (mode == profile_.justify.right) style_.justify = Justify::Right;
            break;
        }
        case PrinterOp::Underline: {
            const int weight = smallParameter(n);
            if (weight <= profile_.limits.underline) style_.underline = weight;
            break;
        }
        case PrinterOp::Online:
            settings_.online = n & 1;
            break;
        case PrinterOp::LineHeight:
            settings_.lineHeight = n;
            break;
        case PrinterOp::DefaultLineHeight:
            settings_.lineHeight = profile_.geometry.lineHeight;
            break;
        case PrinterOp::FeedLines:
            feedLines(n);
            break;
        case PrinterOp::FeedDots:
            feedDots(n);
            break;
        case PrinterOp::TabStops:
            settings_.tabStops.clear();
            for (std::size_t i = 2; i < seq.size() && seq[i] != 0; ++i)
                if (settings_.tabStops.empty() || seq[i] > settings_.tabStops.back())
                    settings_.tabStops.push_back(seq[i]);
            break;
        case PrinterOp::Heating:
            settings_.heatDots = seq[2];
            settings_.heatTime = seq[3];
            settings_.heatInterval = seq[4];
            break;
        case PrinterOp::Sleep:
            settings_.sleepSeconds = seq[2] | (seq.size() > 3 ? seq[3] << 8 : 0);
            break;
        case PrinterOp::Charset:
            settings_.charset = n;
            break;
        case PrinterOp::CodePage:
            settings_.codePage = n;
            break;
        case PrinterOp::CharSpacing:
            settings_.charSpacing = n;
            break;
        case PrinterOp::UserChars:
            settings_.userChars = n & 1;
            break;
        case PrinterOp::Size:
            setSize(n);
            break;
        case PrinterOp::Inverse:
            style_.inverse = n & 1;
            break;
        case PrinterOp::Density:
            settings_.density = n;
            break;
    }
}

// Width multiplier in the high nibble, height multiplier in the low one.
void PrinterModel::setSize(std::uint8_t n) {
    style_.doubleWidth = (n >> 4) != 0;
    style_.doubleHeight = (n & 0x0F) != 0;
}

void PrinterModel::printMode(std::uint8_t n) {
    const auto& bits = profile_.mode;
    style_.fontB = n & bits.fontB;
    style_.upsideDown = n & bits.upsideDown;
    style_.bold = n & bits.bold;
    style_.doubleHeight = n & bits.doubleHeight;
    style_.doubleWidth = n & bits.doubleWidth;
    style_.strike = n & bits.strike;
}

PrinterModel::Settings PrinterModel::powerOnSettings() const {
    Settings settings;
    settings.lineHeight = profile_.geometry.lineHeight;
    for (int stop = profile_.geometry.powerOnTabs; stop < profile_.columns();
         stop += profile_.geometry.powerOnTabs)
        settings.tabStops.push_back(stop);
    return settings;
}

void PrinterModel::initialise() {
    // The print buffer is cleared, not printed.
    dropped_ += buffer_.size();
    buffer_.clear();
    usedUnits_ = 0;
    fedDots_ = 0;
    style_ = Style{};
    const Settings kept = settings_;
    settings_ = powerOnSettings();
    // Heating, density and sleep live in the printer's own memory and survive ESC @.
    settings_.sleepSeconds = kept.sleepSeconds;
    settings_.heatDots = kept.heatDots;
    settings_.heatTime = kept.heatTime;
    settings_.heatInterval = kept.heatInterval;
    settings_.density = kept.density;
}

void PrinterModel::addChar(std::uint8_t byte) {
    if (usedUnits_ + charUnits() > profile_.columns()) printBuffer();  // the line is full: wrap
    if (buffer_.empty()) lineStyle_ = style_;
    buffer_ += static_cast<char>(byte);
    usedUnits_ += charUnits();
}

void PrinterModel::tab() {
    const int column = usedUnits_ / charUnits();
    for (int stop : settings_.tabStops) {
        if (stop <= column) continue;
        if (stop * charUnits() > profile_.columns()) return;
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
