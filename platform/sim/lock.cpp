// platform::Lock on the virtual board: a waiting thread gives up the baton
// and the unlocking thread hands the lock straight to the first waiter. The
// threads of a stopped board pass freely and leave the state alone.
#include <deque>
#include <mutex>

#include "platform/platform.h"
#include "sim/board.h"

namespace platform {

namespace {

using Token = sim::VirtualClock::Token;
constexpr Token kFree = -1;

struct LockState {
    std::mutex real;   // real-time mode
    std::mutex guard;  // the fields below; never held across a wait
    const sim::VirtualClock* clock = nullptr;
    Token owner = kFree;
    std::deque<Token> waiters;

    // A board replaced between tests leaves tokens of its clock behind.
    void follow(const sim::VirtualClock& current) {
        if (clock == &current) return;
        clock = &current;
        owner = kFree;
        waiters.clear();
    }
};

LockState& state(void* impl) {
    return *static_cast<LockState*>(impl);
}

sim::VirtualClock& clock() {
    return sim::Board::instance().clock();
}

}  // namespace

Lock::Lock() : impl_(new LockState) {}

Lock::~Lock() {
    delete &state(impl_);
}

void Lock::lock() {
    LockState& s = state(impl_);
    sim::VirtualClock& clock = platform::clock();
    if (!clock.virtualTime()) {
        s.real.lock();
        return;
    }
    if (clock.stopped()) return;  // a stopped board lets everyone go
    Token me = clock.current();
    {
        std::lock_guard<std::mutex> guard(s.guard);
        s.follow(clock);
        if (s.owner == kFree) {
            s.owner = me;
            return;
        }
        s.waiters.push_back(me);
    }
    for (;;) {
        bool running = clock.block();
        std::lock_guard<std::mutex> guard(s.guard);
        if (s.owner == me || !running) return;  // a stopped board lets everyone go
    }
}

bool Lock::try_lock() {
    LockState& s = state(impl_);
    sim::VirtualClock& clock = platform::clock();
    if (!clock.virtualTime()) return s.real.try_lock();
    if (clock.stopped()) return true;
    Token me = clock.current();
    std::lock_guard<std::mutex> guard(s.guard);
    s.follow(clock);
    if (s.owner != kFree) return false;
    s.owner = me;
    return true;
}

void Lock::unlock() {
    LockState& s = state(impl_);
    sim::VirtualClock& clock = platform::clock();
    if (!clock.virtualTime()) {
        s.real.unlock();
        return;
    }
    // A thread of a replaced board must not reset the state that the current
    // board's threads keep in the same lock.
    if (clock.stopped()) return;
    Token next = kFree;
    {
        std::lock_guard<std::mutex> guard(s.guard);
        s.follow(clock);
        if (s.waiters.empty()) {
            s.owner = kFree;
            return;
        }
        next = s.waiters.front();
        s.waiters.pop_front();
        s.owner = next;
    }
    clock.unblock(next);
}

}  // namespace platform
