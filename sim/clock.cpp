#include "sim/clock.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace sim {

namespace {

std::atomic<std::uint64_t> gGenerations{1};

// Which clock (by generation, so a replaced clock is never confused with a new
// one at the same address) and which token the calling thread runs as.
struct Binding {
    std::uint64_t generation = 0;
    VirtualClock::Token token = -1;
};
thread_local Binding tBinding;

}  // namespace

VirtualClock::VirtualClock(ClockMode mode, Micros start)
    : mode_(mode),
      start_(start),
      generation_(gGenerations.fetch_add(1)),
      realStart_(std::chrono::steady_clock::now()),
      now_(start),
      horizon_(mode == ClockMode::Controlled ? start : kForever) {}

VirtualClock::~VirtualClock() {
    stop();
}

Micros VirtualClock::now() const {
    if (mode_ != ClockMode::Realtime) return now_.load();
    auto elapsed = std::chrono::steady_clock::now() - realStart_;
    return start_ + std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
}

// --- Threads ---

VirtualClock::Token VirtualClock::reserve() {
    Lock lock(mutex_);
    adoptCaller(lock);
    Token token = nextToken_++;
    auto thread = std::make_unique<Thread>();
    thread->wake = now_;
    threads_.emplace(token, std::move(thread));
    return token;
}

void VirtualClock::attach(Token token) {
    Lock lock(mutex_);
    tBinding = {generation_, token};
    auto it = threads_.find(token);
    if (it == threads_.end() || !virtualTime()) return;
    waitForBaton(lock, token, *it->second);
}

void VirtualClock::exitCurrent() {
    Lock lock(mutex_);
    if (tBinding.generation != generation_) return;
    Token token = tBinding.token;
    tBinding = {};
    threads_.erase(token);
    if (virtualTime() && holder_ == token) {
        holder_ = kNobody;
        dispatch(lock);
    }
}

void VirtualClock::startThread(std::function<void()> body) {
    Token token = reserve();
    std::thread([this, token, body = std::move(body)] {
        attach(token);
        body();
        exitCurrent();
    }).detach();
}

VirtualClock::Token VirtualClock::current() {
    Lock lock(mutex_);
    self(lock);
    return tBinding.token;
}

bool VirtualClock::registered() const {
    Lock lock(mutex_);
    return tBinding.generation == generation_ && threads_.count(tBinding.token) > 0;
}

VirtualClock::Token VirtualClock::registerLocked(Lock& lock) {
    Token token = nextToken_++;
    auto owned = std::make_unique<Thread>();
    Thread& thread = *owned;
    thread.wake = now_;
    threads_.emplace(token, std::move(owned));
    tBinding = {generation_, token};
    if (!virtualTime() || stopping_) return token;
    if (holder_ == kNobody)
        holder_ = token;  // the baton is free: this thread just goes on
    else
        waitForBaton(lock, token, thread);
    return token;
}

VirtualClock::Thread* VirtualClock::self(Lock& lock) {
    if (tBinding.generation == generation_) {
        auto it = threads_.find(tBinding.token);
        if (it != threads_.end()) return it->second.get();
    }
    Token token = registerLocked(lock);
    return threads_.at(token).get();
}

// --- Waits ---

void VirtualClock::sleepFor(Micros micros) {
    sleepUntil(now() + micros);
}

void VirtualClock::sleepUntil(Micros wake) {
    if (!virtualTime()) {
        realSleepUntil(wake);
        return;
    }
    Lock lock(mutex_);
    Thread* thread = self(lock);
    if (stopping_) {
        // Threads of a stopped clock run free; their timed loops still end.
        now_ = std::max(now_.load(), wake);
        return;
    }
    Token token = tBinding.token;
    thread->runnable = true;
    thread->wake = std::max(wake, now_.load());
    if (holder_ == token) {
        holder_ = kNobody;
        dispatch(lock);
    }
    waitForBaton(lock, token, *thread);
}

bool VirtualClock::block() {
    Lock lock(mutex_);
    Thread* thread = self(lock);
    Token token = tBinding.token;
    if (!virtualTime()) {
        thread->cv.wait(lock, [&] { return thread->permit || stopping_; });
    } else if (!thread->permit && !stopping_) {
        thread->runnable = false;
        thread->blocked = true;
        if (holder_ == token) {
            holder_ = kNobody;
            dispatch(lock);
        }
        waitForBaton(lock, token, *thread);
        thread->blocked = false;
        thread->runnable = true;
    }
    bool woken = thread->permit;
    thread->permit = false;
    return woken;
}

void VirtualClock::unblock(Token token) {
    Lock lock(mutex_);
    adoptCaller(lock);
    auto it = threads_.find(token);
    if (it == threads_.end()) return;
    Thread& thread = *it->second;
    thread.permit = true;
    if (!virtualTime()) {
        thread.cv.notify_one();
        return;
    }
    if (thread.blocked && !thread.runnable) {
        thread.runnable = true;
        thread.wake = now_;
    }
}

void VirtualClock::waitForBaton(Lock& lock, Token token, Thread& thread) {
    thread.cv.wait(lock, [&] { return holder_ == token || stopping_; });
}

// --- Scheduling ---

// Called with the baton free. Applies due input, hands the baton to the next
// runnable thread, or moves time on; returns when someone holds the baton or
// nothing can happen before the horizon.
void VirtualClock::dispatch(Lock& lock) {
    for (;;) {
        if (stopping_) break;
        if (applyDueEvent(lock)) continue;
        Token token = kNobody;
        if (Thread* next = nextRunnable(token)) {
            holder_ = token;
            next->cv.notify_one();
            return;
        }
        Micros next = nextWake();
        if (!events_.empty()) next = std::min(next, events_.begin()->first.first);
        if (next != kForever && next <= horizon_) {
            now_ = std::max(next, now_.load());
            continue;
        }
        if (horizon_ != kForever && now_ < horizon_) now_ = horizon_;
        break;
    }
    holder_ = kNobody;
    idle_.notify_all();
}

bool VirtualClock::applyDueEvent(Lock& lock) {
    if (events_.empty() || events_.begin()->first.first > now_) return false;
    Event event = std::move(events_.begin()->second);
    events_.erase(events_.begin());
    holder_ = kScheduler;
    lock.unlock();
    event();
    lock.lock();
    holder_ = kNobody;
    return true;
}

VirtualClock::Thread* VirtualClock::nextRunnable(Token& token) {
    Thread* best = nullptr;
    for (auto& [id, thread] : threads_) {  // token order breaks ties
        if (!thread->runnable || thread->wake > now_) continue;
        if (!best || thread->wake < best->wake) {
            best = thread.get();
            token = id;
        }
    }
    return best;
}

Micros VirtualClock::nextWake() const {
    Micros next = kForever;
    for (auto& entry : threads_)
        if (entry.second->runnable) next = std::min(next, entry.second->wake);
    return next;
}

// In auto mode whoever uses the clock is the program's main thread (a test's
// own thread): registering it keeps everything it starts or schedules in order
// behind it, and time moves only when it waits.
void VirtualClock::adoptCaller(Lock& lock) {
    if (mode_ == ClockMode::Auto && !stopping_ && holder_ != kScheduler) self(lock);
}

// --- Controller side ---

void VirtualClock::scheduleAt(Micros at, Event event) {
    Lock lock(mutex_);
    adoptCaller(lock);
    events_.emplace(EventKey{at, nextEventSeq_++}, std::move(event));
}

void VirtualClock::runUntil(Micros horizon) {
    Lock lock(mutex_);
    if (!virtualTime()) {
        runRealtimeUntil(lock, horizon);
        return;
    }
    if (mode_ == ClockMode::Controlled) horizon_ = std::max(horizon_, horizon);
    if (holder_ == kNobody) dispatch(lock);
    idle_.wait(lock, [&] { return holder_ == kNobody || stopping_; });
}

void VirtualClock::waitIdle() {
    Lock lock(mutex_);
    if (!virtualTime()) return;
    if (holder_ == kNobody) dispatch(lock);
    idle_.wait(lock, [&] { return holder_ == kNobody || stopping_; });
}

void VirtualClock::runRealtimeUntil(Lock& lock, Micros horizon) {
    while (!stopping_) {
        Micros now = this->now();
        if (!events_.empty() && events_.begin()->first.first <= now) {
            Event event = std::move(events_.begin()->second);
            events_.erase(events_.begin());
            lock.unlock();
            event();
            lock.lock();
            continue;
        }
        if (now >= horizon) return;
        Micros target = horizon;
        if (!events_.empty()) target = std::min(target, events_.begin()->first.first);
        lock.unlock();
        realSleepUntil(target);
        lock.lock();
    }
}

void VirtualClock::realSleepUntil(Micros wake) const {
    if (wake <= start_) return;
    std::this_thread::sleep_until(realStart_ + std::chrono::microseconds(wake - start_));
}

void VirtualClock::stop() {
    Lock lock(mutex_);
    stopping_ = true;
    for (auto& entry : threads_) entry.second->cv.notify_all();
    idle_.notify_all();
}

std::size_t VirtualClock::threadCount() const {
    Lock lock(mutex_);
    return threads_.size();
}

std::size_t VirtualClock::pendingEvents() const {
    Lock lock(mutex_);
    return events_.size();
}

}  // namespace sim
