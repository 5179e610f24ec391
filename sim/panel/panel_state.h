// What the front panel shows, shared between the board loop (writer) and the
// page's requests (readers). Paper, log and sounds are numbered from the
// start of the session, so that a page asks only for what it has not seen.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/snapshot.h"

namespace sim::panel {

enum class LogKind { Shell, Server, Console, Panel };

struct LogEntry {
    LogKind kind = LogKind::Panel;
    std::string text;
};

// How far a page has read.
struct Cursor {
    std::uint64_t version = 0;
    std::size_t paper = 0, log = 0, sounds = 0;
};

class PanelState {
  public:
    static constexpr std::size_t kLogKept = 2000;

    // Board side.
    void setGlass(const Glass& glass);
    void addPaper(const std::vector<PaperLine>& lines);
    void addLog(LogKind kind, const std::string& text);
    void addSound(const std::string& terminalPath);
    void setVolume(int percent);
    void setProgram(const std::string& status, bool started);

    // Page side: waits up to `timeout` for anything newer than `since.version`,
    // then gives everything after the cursor as one JSON object.
    std::string json(const Cursor& since, std::chrono::milliseconds timeout);
    std::uint64_t version() const;
    std::vector<PaperLine> paper() const;
    Glass glass() const;

  private:
    void changed();  // with the lock held

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t version_ = 0;
    Glass glass_;
    std::vector<PaperLine> paper_;
    std::deque<LogEntry> log_;
    std::size_t logBase_ = 0;  // number of the oldest entry kept
    std::vector<std::string> sounds_;
    int volume_ = 80;
    std::string status_ = "starting";
    int starts_ = 0;
};

std::string jsonString(const std::string& text);
std::string glassJson(const Glass& glass);
std::string paperLineJson(const PaperLine& line);

}  // namespace sim::panel
