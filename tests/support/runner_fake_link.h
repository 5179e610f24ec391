// A program link that records what the runner or the panel asks and plays a
// scripted board.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/link.h"

namespace runner_test {

struct FakeBoard {
    std::vector<std::string> events;       // in the order they were sent
    std::vector<sim::BoardConfig> starts;  // one per program start
    // Fills what the board shows after running from `from` up to `to`.
    std::function<void(sim::Micros from, sim::Micros to, sim::Snapshot&)> play;
    sim::Micros exitAt = 0;  // 0: never ends by itself
    int exitCode = 0;
    long long wallOffset = 0;
};

class FakeLink : public sim::ProgramLink {
  public:
    FakeLink(FakeBoard& board, const sim::BoardConfig& config)
        : board_(board), now_(config.startAt) {
        board_.starts.push_back(config);
    }
    void keyDown(sim::Micros at, const std::string& key) override { note("down", at, key); }
    void keyUp(sim::Micros at, const std::string& key) override { note("up", at, key); }
    void detent(sim::Micros at, bool forward, sim::Micros duration) override {
        note("detent", at, (forward ? "+ " : "- ") + std::to_string(duration));
    }
    sim::Snapshot runUntil(sim::Micros horizon) override {
        board_.events.push_back("run " + std::to_string(horizon));
        sim::Snapshot shot;
        shot.exited = board_.exitAt > now_ && board_.exitAt <= horizon;
        shot.exitCode = board_.exitCode;
        shot.now = shot.exited ? board_.exitAt : horizon;
        if (board_.play) board_.play(now_, shot.now, shot);
        now_ = shot.now;
        return shot;
    }
    sim::Micros now() const override { return now_; }
    long long wallOffset() const override { return board_.wallOffset; }
    void stop() override {}

  private:
    void note(const char* what, sim::Micros at, const std::string& detail) {
        board_.events.push_back(std::string(what) + " " + std::to_string(at) + " " + detail);
    }
    FakeBoard& board_;
    sim::Micros now_;
};

inline auto fakeFactory(FakeBoard& board) {
    return [&board](const sim::BoardConfig& config) -> std::unique_ptr<sim::ProgramLink> {
        return std::make_unique<FakeLink>(board, config);
    };
}

}  // namespace runner_test
