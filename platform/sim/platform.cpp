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
