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

const std::string& rootPrefix() {
    static const std::string root = [] {
        const char* fromEnv = std::getenv("KALVENTRIX_ROOT");
        if (fromEnv) return std::string(fromEnv);
        char cwd[4096];
        return std::string(getcwd(cwd, sizeof cwd) ? cwd : ".");
    }();
    return root;
}

std::string path(const std::string& absolute) {
    return rootPrefix() + absolute;
}

}  // namespace platform
