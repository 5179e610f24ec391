// Test support only: the shell and path functions of the platform seam for
// builds that have no platform library. The root is KALVENTRIX_ROOT or the
// working directory, as on the virtual board.
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"

namespace platform {

int shell(const std::string& command) {
    return std::system(command.c_str());
}

// Read again on every call: tests move the root between cases.
const std::string& rootPrefix() {
    static std::string root;
    const char* fromEnv = std::getenv("KALVENTRIX_ROOT");
    char cwd[4096];
    root = fromEnv ? fromEnv : (getcwd(cwd, sizeof cwd) ? cwd : ".");
    return root;
}

std::string path(const std::string& absolute) {
    return rootPrefix() + absolute;
}

}  // namespace platform
