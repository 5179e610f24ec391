// A program link that records what the runner asks and plays a scripted board.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/link.h"

namespace runner_test {

struct FakeBoard {
    std::vector<std::string> events;       // in the order the runner sent them
    std::vector<sim::BoardConfig> starts;  // one per program start
    // Fills what the board shows after running from `from` up to `to`.
    std::function<void(sim::Micros from, sim::Micros to, sim::Snapshot&)> play;
    sim::Micros exitAt = 0;  // 0: never ends by itself
    int exitCode = 0;
    long long wallOffset = 0;
    int stops = 0;
};

class FakeLink : public sim::ProgramLink {
  public:
    FakeLink(FakeBoard& board, const sim::BoardConfig& config)
        : board_(board), now_(config.startAt) {
        board_.starts.push_back(config);
    }

    void keyDown(sim::Micros at, const std::string& key) override {
        board_.events.push_back("down " + std::to_string(at) + " " + key);
    }
    void keyUp(sim::Micros at, const std::string& key) override {
        board_.events.push_back("up " + std::to_string(at) + " " + key);
    }
    void detent(sim::Micros at, bool forward, sim::Micros duration) override {
        board_.events.push_back("detent " + std::to_string(at) + (forward ? " + " : " - ") +
                                std::to_string(duration));
    }
    sim::Snapshot runUntil(sim::Micros horizon) override {
        board_.events.push_back("run " + std::to_string(horizon));
        sim::Snapshot snapshot;
        snapshot.glass.display = true;
        if (exited_) {
            snapshot.exited = true;
            snapshot.exitCode = board_.exitCode;
            snapshot.now = now_;
            return snapshot;
        }
        sim::Micros end = horizon;
        if (board_.exitAt && board_.exitAt > now_ && board_.exitAt <= horizon) {
            end = board_.exitAt;
            exited_ = true;
            board_.exitAt = 0;
            snapshot.exited = true;
            snapshot.exitCode = board_.exitCode;
        }
        if (board_.play) board_.play(now_, end, snapshot);
        now_ = end;
        snapshot.now = end;
        return snapshot;
    }
    sim::Micros now() const override { return now_; }
    long long wallOffset() const override { return board_.wallOffset; }
    void stop() override { ++board_.stops; }

  private:
    FakeBoard& board_;
    sim::Micros now_;
    bool exited_ = false;
};

inline std::function<std::unique_ptr<sim::ProgramLink>(const sim::BoardConfig&)> fakeFactory(
    FakeBoard& board) {
    return [&board](const sim::BoardConfig& config) {
        return std::unique_ptr<sim::ProgramLink>(new FakeLink(board, config));
    };
}

}  // namespace runner_test
