// The board's clock. In the virtual modes exactly one registered thread runs
// at a time (it holds the baton) and gives way only inside a wait: a sleep, a
// block() until someone unblocks it, or its exit. Time jumps when nothing can
// run, so runs are fast and repeat exactly. In real-time mode sleeps are real.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "sim/time_source.h"

namespace sim {

enum class ClockMode {
    Auto,        // the first thread to wait is the main thread; no horizon
    Controlled,  // time moves only up to the horizon a controller grants
    Realtime,    // real sleeps, no baton
};

class VirtualClock : public TimeSource {
  public:
    using Token = std::int64_t;  // a thread's sequence number
    using Event = std::function<void()>;
    static constexpr Micros kForever = std::numeric_limits<Micros>::max();

    explicit VirtualClock(ClockMode mode = ClockMode::Auto, Micros start = 0);
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    Micros now() const override;
    Micros start() const { return start_; }
    ClockMode mode() const { return mode_; }
    bool virtualTime() const { return mode_ != ClockMode::Realtime; }

    // --- Threads ---
    // Takes a sequence number for a thread about to be created; it is runnable
    // from now on and runs once the baton comes to it.
    Token reserve();
    // First call on the new thread: binds it to `token` and waits for the baton.
    void attach(Token token);
    // Last call on a registered thread.
    void exitCurrent();
    // reserve + a detached thread that attaches, runs `body` and exits.
    void startThread(std::function<void()> body);
    // Registers the calling thread if needed (the main thread registers on
    // its first platform call) and returns its token.
    Token current();
    bool registered() const;

    // --- Waits (calling thread, registered implicitly) ---
    void sleepUntil(Micros wake);
    void sleepFor(Micros micros);
    // Waits until unblock(token of this thread). An unblock that came first is
    // kept (one permit), so no wake-up is lost. False when the clock stops.
    bool block();
    void unblock(Token token);

    // --- Controller side (any thread, never registered by these) ---
    // Input applied at virtual time `at` with the baton held, in order.
    void scheduleAt(Micros at, Event event);
    // Grants time up to `horizon` and returns once nothing can run before it.
    // In real-time mode, sleeps for real meanwhile and applies due events.
    void runUntil(Micros horizon);
    // Auto mode: waits until every registered thread is blocked or gone.
    void waitIdle();
    // Lets every waiting thread go (their waits return at once) for good.
    void stop();
    bool stopped() const { return stopping_; }

    std::size_t threadCount() const;
    std::size_t pendingEvents() const;

  private:
    struct Thread {
        bool runnable = true;  // false while blocked
        bool blocked = false;  // inside block()
        bool permit = false;
        Micros wake = 0;
        std::condition_variable cv;
    };
    using Lock = std::unique_lock<std::mutex>;
    using EventKey = std::pair<Micros, std::uint64_t>;

    static constexpr Token kNobody = -1;
    static constexpr Token kScheduler = -2;

    Token registerLocked(Lock& lock);
    Thread* self(Lock& lock);
    void dispatch(Lock& lock);
    bool applyDueEvent(Lock& lock);
    Thread* nextRunnable(Token& token);
    Micros nextWake() const;
    void waitForBaton(Lock& lock, Token token, Thread& thread);
    void adoptCaller(Lock& lock);
    void realSleepUntil(Micros wake) const;
    void runRealtimeUntil(Lock& lock, Micros horizon);

    const ClockMode mode_;
    const Micros start_;
    const std::uint64_t generation_;
    const std::chrono::steady_clock::time_point realStart_;

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::atomic<Micros> now_;
    std::atomic<bool> stopping_{false};
    Micros horizon_;
    Token holder_ = kNobody;
    Token nextToken_ = 0;
    std::uint64_t nextEventSeq_ = 0;
    std::map<Token, std::unique_ptr<Thread>> threads_;
    std::map<EventKey, Event> events_;
};

}  // namespace sim
