// Time, shell and paths on the virtual board.
#include "platform/platform.h"

#include "sim/board.h"

namespace platform {

namespace {

sim::Board& board() {
    return sim::Board::instance();
}

}  // namespace

void usleep(unsigned long micros) {
    board().clock().sleepFor(micros);
}

long monotonicSeconds() {
    return static_cast<long>(board().clock().now() / 1000000);
}

std::time_t wallTime() {
    return board().wallTime();
}

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

int shell(const std::string& command) {
    return board().shell(command);
}

const std::string& rootPrefix() {
    return board().config().root;
}

std::string path(const std::string& absolute) {
    return rootPrefix() + absolute;
}

}  // namespace platform
