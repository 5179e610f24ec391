// A platform lock that the thread holding it may take again: the display's
// public operations call one another, and each must be serialised on its own
// when called from outside.
#pragma once

#include <atomic>

#include "platform/platform.h"

class ReentrantLock {
  public:
    void lock();
    void unlock();

  private:
    platform::Lock lock_;
    std::atomic<const void*> owner_{nullptr};
    int depth_ = 0;  // touched only by the owner
};

// Scoped holder, as std::lock_guard.
class ReentrantGuard {
  public:
    explicit ReentrantGuard(ReentrantLock& lock) : lock_(lock) { lock_.lock(); }
    ~ReentrantGuard() { lock_.unlock(); }
    ReentrantGuard(const ReentrantGuard&) = delete;
    ReentrantGuard& operator=(const ReentrantGuard&) = delete;

  private:
    ReentrantLock& lock_;
};
