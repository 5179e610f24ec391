// Time, locks and the shell on the Raspberry Pi: plain libc, the same under
// either GPIO library.
#include "platform/platform.h"

#include <pthread.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

void usleep(unsigned long micros) {
    // ::usleep refuses a second or more on some libcs; nanosleep does not.
    timespec wait{static_cast<time_t>(micros / 1000000),
                  static_cast<long>(micros % 1000000) * 1000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

long monotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec);
}

std::time_t wallTime() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return now.tv_sec;
}

Lock::Lock() : impl_(new pthread_mutex_t) {
    pthread_mutex_init(static_cast<pthread_mutex_t*>(impl_), nullptr);
}

Lock::~Lock() {
    auto* mutex = static_cast<pthread_mutex_t*>(impl_);
    pthread_mutex_destroy(mutex);
    delete mutex;
}

void Lock::lock() {
    pthread_mutex_lock(static_cast<pthread_mutex_t*>(impl_));
}

void Lock::unlock() {
    pthread_mutex_unlock(static_cast<pthread_mutex_t*>(impl_));
}

bool Lock::try_lock() {
    return pthread_mutex_trylock(static_cast<pthread_mutex_t*>(impl_)) == 0;
}

int shell(const std::string& command) {
    return std::system(command.c_str());
}

const std::string& rootPrefix() {
    static const std::string empty;
    return empty;
}

std::string path(const std::string& absolute) {
    return absolute;
}

}  // namespace platform
