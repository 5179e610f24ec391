#include "sim/panel/session.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "sim/panel/sounds.h"
#include "sim/runner/script.h"

namespace sim::panel {

PanelSession::PanelSession(SessionOptions options, runner::LinkFactory startProgram,
                           PanelState& state)
    : options_(std::move(options)),
      startProgram_(std::move(startProgram)),
      state_(state),
      console_(options_.board.root + "/console.log"),
      serverLog_(options_.serverLog) {}

PanelSession::~PanelSession() {
    if (link_) link_->stop();
}

bool PanelSession::keyDown(const std::string& key) {
    if (!runner::isKeyName(key)) return false;
    std::lock_guard<std::mutex> lock(inputMutex_);
    inputs_.push_back({Input::Down, key});
    return true;
}

bool PanelSession::keyUp(const std::string& key) {
    if (!runner::isKeyName(key)) return false;
    std::lock_guard<std::mutex> lock(inputMutex_);
    inputs_.push_back({Input::Up, key});
    return true;
}

void PanelSession::turn(bool forward, Micros perDetent) {
    perDetent = std::clamp(perDetent, kFastestDetent, kSlowestDetent);
    std::lock_guard<std::mutex> lock(inputMutex_);
    inputs_.push_back({Input::Detent, "", forward, perDetent});
}

bool PanelSession::start() {
    BoardConfig config = options_.board;
    config.startAt = now_;
    config.wallOffset = wallOffset_;
    link_ = startProgram_(config);
    if (!link_) {
        over_ = true;
        state_.setProgram("cannot start the program", false);
        state_.addLog(LogKind::Panel, "cannot start the program");
        return false;
    }
    nextDetentAt_ = now_;
    state_.setProgram("running", true);
    return true;
}

void PanelSession::deliver() {
    std::vector<Input> inputs;
    {
        std::lock_guard<std::mutex> lock(inputMutex_);
        inputs.swap(inputs_);
    }
    Micros now = link_->now();
    for (const Input& input : inputs) {
        switch (input.kind) {
            case Input::Down:
                link_->keyDown(now, input.key);
                break;
            case Input::Up:
                link_->keyUp(now, input.key);
                break;
            case Input::Detent: {
                Micros at = std::max(now, nextDetentAt_);
                link_->detent(at, input.forward, input.duration);
                nextDetentAt_ = at + input.duration;
                break;
            }
        }
    }
}

std::string PanelSession::withoutRoot(const std::string& text) const {
    const std::string& root = options_.board.root;
    std::string out = text;
    for (std::size_t at = out.find(root); !root.empty() && at != std::string::npos;
         at = out.find(root, at))
        out.erase(at, root.size());
    return out;
}

void PanelSession::absorb(const Snapshot& snapshot) {
    state_.setGlass(snapshot.glass);
    state_.addPaper(snapshot.paper);
    for (const ShellRecord& record : snapshot.shell) {
        std::string command = withoutRoot(record.command);
        state_.addLog(LogKind::Shell, command);
        if (std::optional<std::string> file = aplayFile(command)) state_.addSound(*file);
        if (std::optional<int> level = mixerLevel(command)) state_.setVolume(*level);
    }
}

void PanelSession::followLogs() {
    for (const std::string& line : console_.poll()) state_.addLog(LogKind::Console, line);
    for (const std::string& line : serverLog_.poll()) state_.addLog(LogKind::Server, line);
}

void PanelSession::ended(const Snapshot& snapshot) {
    int code = snapshot.exitCode;
    wallOffset_ = link_->wallOffset();
    link_->stop();
    link_.reset();
    bool again = code == 0 && options_.restart;
    state_.addLog(LogKind::Panel, "program ended with status " + std::to_string(code) +
                                      (again ? ", starting it again" : ""));
    if (again) {
        start();
        return;
    }
    over_ = true;
    state_.setProgram("ended with status " + std::to_string(code), false);
}

bool PanelSession::step(Micros slice) {
    if (over_) {
        followLogs();
        return false;
    }
    if (!link_ && !start()) return false;
    deliver();
    Snapshot snapshot = link_->runUntil(link_->now() + slice);
    now_ = std::max(now_, snapshot.now);
    absorb(snapshot);
    followLogs();
    if (snapshot.exited) ended(snapshot);
    return !over_;
}

void PanelSession::run(const std::atomic<bool>& stop) {
    // An ended program stays on the page (with its last glass) until stopped.
    while (!stop)
        if (!step()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (link_) {
        link_->stop();
        link_.reset();
    }
}

}  // namespace sim::panel
