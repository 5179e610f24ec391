#include "drivers/reentrant_lock.h"

namespace {
// Its address tells the threads apart.
thread_local char tThreadToken;
}  // namespace

void ReentrantLock::lock() {
    const void* self = &tThreadToken;
    if (owner_.load() == self) {
        ++depth_;
        return;
    }
    lock_.lock();
    owner_.store(self);
    depth_ = 1;
}

void ReentrantLock::unlock() {
    if (--depth_ > 0) return;
    owner_.store(nullptr);
    lock_.unlock();
}
