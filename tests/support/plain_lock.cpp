// platform::Lock on a plain mutex, for test programs that stand in for the
// platform seam themselves (no virtual clock to tell of a wait).
#include <mutex>

#include "platform/platform.h"

namespace platform {

Lock::Lock() : impl_(new std::mutex) {}
Lock::~Lock() {
    delete static_cast<std::mutex*>(impl_);
}
void Lock::lock() {
    static_cast<std::mutex*>(impl_)->lock();
}
void Lock::unlock() {
    static_cast<std::mutex*>(impl_)->unlock();
}
bool Lock::try_lock() {
    return static_cast<std::mutex*>(impl_)->try_lock();
}

}  // namespace platform
