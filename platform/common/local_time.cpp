// Local time from whichever wall clock the board has.
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace platform {

std::tm localTime() {
    std::time_t now = wallTime();
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string formatLocalTime(const char* format) {
    std::tm local = localTime();
    char buffer[256];
    std::size_t size = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, size);
}

}  // namespace platform
