#include "tests/support/net_platform_fake.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace fakeplatform {

namespace {

// Removed when the process ends. An exit handler registered while the name was
// being made would run after the name is gone, so the folder removes itself.
struct Folder {
    Folder() : path((fs::current_path() / ("fake-root-" + std::to_string(::getpid()))).string()) {}
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    const std::string path;
};

}  // namespace

// One folder per process: the cases of one test program may run side by side.
std::string root() {
    static const Folder folder;
    return folder.path;
}

std::function<int(const std::string&)> onShell;

void reset() {
    onShell = [](const std::string&) { return 0; };
    fs::remove_all(root());
    fs::create_directories(root() + "/home/pi/txt");
    fs::create_directories(root() + "/var/log/kalventrix");
}

void writeFile(const std::string& absolute, const std::string& text) {
    fs::path file = platform::path(absolute);
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

std::string readFile(const std::string& absolute) {
    std::ifstream in(platform::path(absolute));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace fakeplatform

namespace platform {

std::string formatLocalTime(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[128];
    return std::string(text, std::strftime(text, sizeof(text), format, &local));
}

int shell(const std::string& command) {
    return fakeplatform::onShell ? fakeplatform::onShell(command) : 0;
}

const std::string& rootPrefix() {
    static const std::string prefix = fakeplatform::root();
    return prefix;
}

std::string path(const std::string& absolute) {
    return rootPrefix() + absolute;
}

}  // namespace platform
