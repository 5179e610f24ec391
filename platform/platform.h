// What the program needs from the system beside wiringPi. Program code
// reaches time, locks, the shell and file locations only through here, so
// that the virtual board can stand in for the Pi.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// Pauses the calling thread (the printer's pacing uses it as usleep).
void usleep(unsigned long micros);

// Whole seconds of a monotonic clock (CLOCK_MONOTONIC on the Pi).
long monotonicSeconds();

// Local wall-clock time, as gettimeofday/localtime give it on the Pi. On the
// virtual board it starts at the configured date and moves with virtual time.
std::time_t wallTime();
std::tm localTime();
// strftime of the current local time, e.g. formatLocalTime("%F %T").
std::string formatLocalTime(const char* format);

// A lock that the virtual clock understands: a thread waiting for it gives
// way to the others. Every lock that can be held across a wait is one of these.
class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void lock();
    void unlock();
    bool try_lock();

private:
    void* impl_;
};

// Runs a command line with /bin/sh as system() does, and returns what
// system() returns. Every shell command of the program goes through here.
int shell(const std::string& command);

// The folder every absolute path of the program lives under: empty on the Pi,
// the sandbox root on the virtual board.
const std::string& rootPrefix();

// An absolute path of the terminal ("/home/pi/txt/date.txt") as the program
// must use it: rootPrefix() + absolute.
std::string path(const std::string& absolute);

}  // namespace platform
