#include "sim/panel/panel_state.h"

#include <cstdio>

#include "sim/runner/paper_text.h"

namespace sim::panel {

namespace {

const char* kindName(LogKind kind) {
    switch (kind) {
        case LogKind::Shell:
            return "shell";
        case LogKind::Server:
            return "server";
        case LogKind::Console:
            return "console";
        case LogKind::Panel:
            break;
    }
    return "panel";
}

const char* justifyName(Justify justify) {
    switch (justify) {
        case Justify::Center:
            return "C";
        case Justify::Right:
            return "R";
        case Justify::Left:
            break;
    }
    return "L";
}

const char* boolText(bool value) {
    return value ? "true" : "false";
}

template <typename Row>
std::string numbers(const Row& row) {
    std::string text = "[";
    for (std::size_t i = 0; i < row.size(); ++i)
        text += (i ? "," : "") + std::to_string(static_cast<int>(row[i]));
    return text + "]";
}

bool sameGlass(const Glass& a, const Glass& b) {
    return a.cells == b.cells && a.cgram == b.cgram && a.cursorRow == b.cursorRow &&
           a.cursorCol == b.cursorCol && a.display == b.display && a.cursor == b.cursor &&
           a.blink == b.blink && a.backlight == b.backlight && a.present == b.present;
}

}  // namespace

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string glassJson(const Glass& glass) {
    std::string cells = "[", cgram = "[";
    for (std::size_t row = 0; row < glass.cells.size(); ++row)
        cells += (row ? "," : "") + numbers(glass.cells[row]);
    for (std::size_t slot = 0; slot < glass.cgram.size(); ++slot)
        cgram += (slot ? "," : "") + numbers(glass.cgram[slot]);
    return std::string("{\"cells\":") + cells + "],\"cgram\":" + cgram +
           "],\"cursorRow\":" + std::to_string(glass.cursorRow) +
           ",\"cursorCol\":" + std::to_string(glass.cursorCol) +
           ",\"display\":" + boolText(glass.display) + ",\"cursor\":" + boolText(glass.cursor) +
           ",\"blink\":" + boolText(glass.blink) + ",\"backlight\":" + boolText(glass.backlight) +
           ",\"present\":" + boolText(glass.present) + "}";
}

// Text already decoded from the printer's code page; the width is what one
// paper line holds in its font and size.
std::string paperLineJson(const PaperLine& line) {
    return "{\"text\":" + jsonString(runner::decodePrinted(line.text)) +
           ",\"width\":" + std::to_string(runner::lineWidth(line)) + ",\"justify\":\"" +
           justifyName(line.justify) + "\",\"bold\":" + boolText(line.bold) +
           ",\"doubleHeight\":" + boolText(line.doubleHeight) +
           ",\"doubleWidth\":" + boolText(line.doubleWidth) +
           ",\"inverse\":" + boolText(line.inverse) + ",\"underline\":" + boolText(line.underline) +
           ",\"fontB\":" + boolText(line.fontB) + ",\"upsideDown\":" + boolText(line.upsideDown) +
           ",\"strike\":" + boolText(line.strike) + "}";
}

void PanelState::changed() {
    ++version_;
    wake_.notify_all();
}

void PanelState::setGlass(const Glass& glass) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sameGlass(glass, glass_)) return;
    glass_ = glass;
    changed();
}

void PanelState::addPaper(const std::vector<PaperLine>& lines) {
    if (lines.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    paper_.insert(paper_.end(), lines.begin(), lines.end());
    changed();
}

void PanelState::addLog(LogKind kind, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back({kind, text});
    if (log_.size() > kLogKept) {
        log_.pop_front();
        ++logBase_;
    }
    changed();
}

void PanelState::addSound(const std::string& terminalPath) {
    std::lock_guard<std::mutex> lock(mutex_);
    sounds_.push_back(terminalPath);
    changed();
}

void PanelState::setVolume(int percent) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (percent == volume_) return;
    volume_ = percent;
    changed();
}

void PanelState::setProgram(const std::string& status, bool started) {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status;
    if (started) ++starts_;
    changed();
}

std::uint64_t PanelState::version() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return version_;
}

std::vector<PaperLine> PanelState::paper() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return paper_;
}

Glass PanelState::glass() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return glass_;
}

std::string PanelState::json(const Cursor& since, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, timeout, [&] { return version_ != since.version; });
    std::string text = "{\"version\":" + std::to_string(version_) +
                       ",\"status\":" + jsonString(status_) +
                       ",\"starts\":" + std::to_string(starts_) +
                       ",\"volume\":" + std::to_string(volume_) + ",\"glass\":" + glassJson(glass_);
    // A cursor beyond what exists (the session started again) reads from the start.
    std::size_t paperFrom = since.paper <= paper_.size() ? since.paper : 0;
    text += ",\"paperFrom\":" + std::to_string(paperFrom) + ",\"paper\":[";
    for (std::size_t i = paperFrom; i < paper_.size(); ++i)
        text += (i > paperFrom ? "," : "") + paperLineJson(paper_[i]);
    std::size_t logEnd = logBase_ + log_.size();
    std::size_t logFrom = since.log > logEnd ? 0 : since.log;
    if (logFrom < logBase_) logFrom = logBase_;
    text += "],\"logFrom\":" + std::to_string(logFrom) + ",\"log\":[";
    for (std::size_t i = logFrom; i < logEnd; ++i) {
        const LogEntry& entry = log_[i - logBase_];
        text += std::string(i > logFrom ? "," : "") + "{\"kind\":\"" + kindName(entry.kind) +
                "\",\"text\":" + jsonString(entry.text) + "}";
    }
    std::size_t soundFrom = since.sounds <= sounds_.size() ? since.sounds : 0;
    text += "],\"soundFrom\":" + std::to_string(soundFrom) + ",\"sounds\":[";
    for (std::size_t i = soundFrom; i < sounds_.size(); ++i)
        text += (i > soundFrom ? "," : "") + jsonString(sounds_[i]);
    return text + "]}";
}

}  // namespace sim::panel
