// The program on the virtual board in real time, driven by the front panel:
// inputs from the page are handed to the board between slices of time, and
// what the board shows goes into the panel's state.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/link.h"
#include "sim/panel/file_tail.h"
#include "sim/panel/panel_state.h"
#include "sim/runner/runner.h"

namespace sim::panel {

struct SessionOptions {
    BoardConfig board;
    bool restart = false;   // start the program again when it ends with status 0
    std::string serverLog;  // empty: no server log to follow
};

class PanelSession {
  public:
    static constexpr Micros kSlice = 20000;  // the page sees the glass this often
    // Encoder detents quicker than this would be lost in the decoder's guard.
    static constexpr Micros kFastestDetent = 4000;
    static constexpr Micros kSlowestDetent = 1000000;

    PanelSession(SessionOptions options, runner::LinkFactory startProgram, PanelState& state);
    ~PanelSession();

    // Page side, any thread. False for an unknown key.
    bool keyDown(const std::string& key);
    bool keyUp(const std::string& key);
    // One detent; `perDetent` is how long the hand took for it, which the
    // encoder's acceleration reads. Detents keep their pace one after another.
    void turn(bool forward, Micros perDetent);

    // Board side: starts the program when needed, hands over the inputs and
    // lets it run for `slice`. False once the program has ended for good.
    bool step(Micros slice = kSlice);
    // Steps until `stop` is set, then stops the program.
    void run(const std::atomic<bool>& stop);
    bool running() const { return link_ != nullptr; }

  private:
    struct Input {
        enum Kind { Down, Up, Detent } kind;
        std::string key;
        bool forward = true;
        Micros duration = 0;
    };

    bool start();
    void deliver();
    void absorb(const Snapshot& snapshot);
    void ended(const Snapshot& snapshot);
    void followLogs();
    std::string withoutRoot(const std::string& text) const;

    SessionOptions options_;
    runner::LinkFactory startProgram_;
    PanelState& state_;
    std::unique_ptr<ProgramLink> link_;
    bool over_ = false;
    Micros now_ = 0;
    long long wallOffset_ = 0;
    Micros nextDetentAt_ = 0;
    FileTail console_;
    FileTail serverLog_;

    std::mutex inputMutex_;  // the page's threads and the board loop
    std::vector<Input> inputs_;
};

}  // namespace sim::panel
