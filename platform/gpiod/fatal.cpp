#include "platform/gpiod/fatal.h"

#include <unistd.h>

#include <cstdio>

namespace platform::gpiod {

void warn(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "kalventrix: %s\n", message.c_str());
    std::fflush(stderr);
}

void fatal(const std::string& message) {
    warn(message);
    _exit(1);
}

}  // namespace platform::gpiod
