#include "sim/pi_namespace.h"

#include <sys/stat.h>
#include <unistd.h>

#include "sim/board.h"

namespace sim {

namespace {

// What the tools the program runs (sh, sqlite3, curl, whoami ...) read in
// /etc; the rest of the host's /etc stays out.
const char* const kHostEtc[] = {"passwd",       "group",        "nsswitch.conf", "hosts",
                                "host.conf",    "gai.conf",     "ld.so.cache",   "ld.so.conf",
                                "ld.so.conf.d", "alternatives", "localtime"};

// The top-level system folders: symbolic links into /usr on a merged-/usr
// system, folders of their own on an older one.
const char* const kSystemFolders[] = {"bin", "sbin", "lib", "lib32", "lib64", "libx32"};

// The sandbox's folders the program writes, at their places.
const char* const kSandboxFolders[] = {"/home/pi", "/boot", "/var/log", "/etc/wpa_supplicant",
                                       "/.sim"};

void add(std::vector<std::string>& args, std::initializer_list<std::string> more) {
    args.insert(args.end(), more);
}

void systemFolder(std::vector<std::string>& args, const std::string& name) {
    const std::string host = "/" + name;
    char target[4096];
    const ssize_t length = ::readlink(host.c_str(), target, sizeof target - 1);
    if (length > 0) {
        add(args, {"--symlink", std::string(target, static_cast<std::size_t>(length)), host});
        return;
    }
    struct stat info {};
    if (::stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        add(args, {"--ro-bind", host, host});
}

}  // namespace

std::vector<std::string> piNamespaceCommand(const PiNamespace& space) {
    std::vector<std::string> args = {space.bwrap, "--die-with-parent"};
    // Its own processes, IPC and host name, and no capabilities: a program
    // run as root could otherwise set the host's clock.
    add(args, {"--unshare-pid", "--unshare-ipc", "--unshare-uts", "--unshare-cgroup-try",
               "--hostname", "raspberrypi", "--cap-drop", "ALL"});
    add(args, {"--ro-bind", "/usr", "/usr"});
    for (const char* folder : kSystemFolders) systemFolder(args, folder);
    for (const char* name : kHostEtc)
        add(args, {"--ro-bind-try", "/etc/" + std::string(name), "/etc/" + std::string(name)});
    add(args, {"--proc", "/proc", "--ro-bind-try", space.root + "/proc/cpuinfo", "/proc/cpuinfo"});
    add(args, {"--dev", "/dev"});
    if (!space.serialPort.empty()) add(args, {"--dev-bind", space.serialPort, "/dev/serial0"});
    add(args, {"--tmpfs", "/tmp", "--tmpfs", "/home", "--tmpfs", "/var"});
    for (const char* folder : kSandboxFolders) add(args, {"--bind", space.root + folder, folder});
    add(args, {"--ro-bind", space.standinDir, kPiLibraryInside, "--ro-bind", space.program,
               kPiProgramInside, "--chdir", "/home/pi", "--", kPiProgramInside});
    return args;
}

std::vector<std::string> piNamespaceVariables() {
    return {"PATH=/.sim/bin:/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin",
            "LD_LIBRARY_PATH=" + std::string(kPiLibraryInside), std::string(env::kRoot) + "=/",
            "HOME=/home/pi", "USER=pi", "LOGNAME=pi",
            // The program keeps the host's clock; its stand-in `date` reads it and
            // only records a setting.
            std::string(env::kWallTime) + "=host"};
}

}  // namespace sim
