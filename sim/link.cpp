// The runner's end of the link: starts the program in a child process and
// drives its board over a socket pair.
#include "sim/link.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "sim/board.h"
#include "sim/pi_namespace.h"
#include "sim/protocol.h"

extern char** environ;

namespace sim {

namespace {

void makeDirectories(const std::string& path) {
    for (std::size_t at = 1; at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir(path.substr(0, at).c_str(), 0755);
    ::mkdir(path.c_str(), 0755);
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// A terminal on the virtual board talks to loopback only (the whole of
// 127.0.0.0/8): every other address goes to a proxy that refuses at once
// (libcurl and the curl tool both obey).
const char* const kLoopbackOnly[] = {
    "http_proxy=http://127.0.0.1:9",        "https_proxy=http://127.0.0.1:9",
    "HTTPS_PROXY=http://127.0.0.1:9",       "ALL_PROXY=http://127.0.0.1:9",
    "all_proxy=http://127.0.0.1:9",         "no_proxy=127.0.0.0/8,localhost,::1",
    "NO_PROXY=127.0.0.0/8,localhost,::1"};

bool isProxyVariable(const std::string& variable) {
    for (const char* fixed : kLoopbackOnly) {
        const std::string name(fixed, std::strchr(fixed, '=') + 1);
        if (variable.rfind(name, 0) == 0) return true;
    }
    return false;
}

std::string nameOf(const std::string& variable) {
    return variable.substr(0, variable.find('='));
}

// The child's environment: ours without the board variables, then the
// board's, where the launch's own replace those of the same name.
std::vector<std::string> childEnvironment(const BoardConfig& config, int fd,
                                          const std::vector<std::string>& launchVariables) {
    std::vector<std::string> board = {
        std::string(env::kLinkFd) + "=" + std::to_string(fd),
        std::string(env::kRoot) + "=" + config.root,
        std::string(env::kLcdAddr) + "=" + std::to_string(config.lcdAddr),
        std::string(env::kDate) + "=" + config.date,
        std::string(env::kRealtime) + "=" + (config.realtime ? "1" : "0"),
        std::string(env::kStartAt) + "=" + std::to_string(config.startAt),
        std::string(env::kWallOffset) + "=" + std::to_string(config.wallOffset)};
    auto named = [&board](const std::string& variable) {
        return std::find_if(board.begin(), board.end(), [&variable](const std::string& own) {
            return nameOf(own) == nameOf(variable);
        });
    };
    for (const std::string& variable : launchVariables) {
        auto same = named(variable);
        if (same != board.end())
            *same = variable;
        else
            board.push_back(variable);
    }
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable = *entry;
        if (named(variable) == board.end() && !isProxyVariable(variable))
            variables.push_back(variable);
    }
    variables.insert(variables.end(), std::begin(kLoopbackOnly), std::end(kLoopbackOnly));
    variables.insert(variables.end(), board.begin(), board.end());
    return variables;
}

// How the child is started: its command line, the variables it gets over the
// board's, the descriptors it keeps besides the link, where it starts.
struct Launch {
    std::vector<std::string> argv;
    std::vector<std::string> variables;
    std::vector<int> inherited;
    std::string workingDirectory;
};

class ChildLink : public ProgramLink {
  public:
    ChildLink(const Launch& launch, const BoardConfig& config);
    ~ChildLink() override { stop(); }

    void keyDown(Micros at, const std::string& key) override {
        queue(wire::InputKind::KeyDown, at, key, true, 0);
    }
    void keyUp(Micros at, const std::string& key) override {
        queue(wire::InputKind::KeyUp, at, key, true, 0);
    }
    void detent(Micros at, bool forward, Micros duration) override {
        queue(wire::InputKind::Detent, at, "", forward, duration);
    }

    Snapshot runUntil(Micros horizon) override;
    Micros now() const override { return now_; }
    long long wallOffset() const override { return wallOffset_; }
    void stop() override;

  private:
    void queue(wire::InputKind kind, Micros at, const std::string& key, bool forward,
               Micros duration);
    Snapshot exitedSnapshot() const;
    void reap(bool wait);

    int fd_ = -1;
    pid_t pid_ = -1;
    Micros now_;
    long long wallOffset_;
    bool exited_ = false;
    int exitCode_ = 0;
    Glass lastGlass_;
    std::vector<wire::Input> pending_;
};

ChildLink::ChildLink(const Launch& launch, const BoardConfig& config)
    : now_(config.startAt), wallOffset_(config.wallOffset) {
    int ends[2];
    if (launch.argv.empty() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        exited_ = true;
        exitCode_ = 127;
        return;
    }
    makeDirectories(config.root + "/home/pi");
    std::string console = config.root + "/console.log";

    // Everything the child needs is made before fork: after it, only
    // async-signal-safe calls.
    std::vector<std::string> variables = childEnvironment(config, ends[1], launch.variables);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(&variable[0]);
    envp.push_back(nullptr);
    std::vector<std::string> args = launch.argv;
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    std::vector<int> inherited = launch.inherited;
    inherited.push_back(ends[1]);  // the board's end

    pid_ = ::fork();
    if (pid_ == 0) {
        int log = ::open(console.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        for (int fd : inherited) ::fcntl(fd, F_SETFD, 0);  // kept across exec
        if (::chdir(launch.workingDirectory.c_str()) != 0) _exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    ::close(ends[1]);
    fd_ = ends[0];
    if (pid_ < 0) {
        exited_ = true;
        exitCode_ = 127;
    }
}

void ChildLink::queue(wire::InputKind kind, Micros at, const std::string& key, bool forward,
                      Micros duration) {
    wire::Input input;
    input.kind = kind;
    input.at = at < now_ ? now_ : at;
    input.key = key;
    input.forward = forward;
    input.duration = duration;
    pending_.push_back(input);
}

Snapshot ChildLink::runUntil(Micros horizon) {
    if (exited_) return exitedSnapshot();
    wire::RunRequest request;
    request.horizon = horizon;
    request.inputs.swap(pending_);
    std::string payload;
    wire::RunReply reply;
    if (!wire::sendFrame(fd_, wire::encode(request)) || !wire::receiveFrame(fd_, payload) ||
        !wire::decode(payload, reply)) {
        reap(true);  // the program died without a last word
        return exitedSnapshot();
    }
    now_ = reply.snapshot.now;
    wallOffset_ = reply.wallOffset;
    lastGlass_ = reply.snapshot.glass;
    if (reply.snapshot.exited) {
        reap(true);
        reply.snapshot.exitCode = exitCode_;
    }
    return reply.snapshot;
}

Snapshot ChildLink::exitedSnapshot() const {
    Snapshot shot;
    shot.now = now_;
    shot.glass = lastGlass_;
    shot.exited = true;
    shot.exitCode = exitCode_;
    return shot;
}

// Collects the child's status. A child that announced its exit but lingers
// (a stuck destructor) is given a few seconds, then killed.
void ChildLink::reap(bool wait) {
    // Killed before its link closes: a closed link alone lets it end by itself.
    if (!wait && pid_ > 0) ::kill(pid_, SIGKILL);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    exited_ = true;
    if (pid_ <= 0) return;
    int status = 0;
    for (int tries = 0; wait && tries < 500; ++tries) {
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitCode_ = exitCodeOf(status);
            pid_ = -1;
            return;
        }
        if (done < 0 && errno != EINTR) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    exitCode_ = exitCodeOf(status);
    pid_ = -1;
}

void ChildLink::stop() {
    if (exited_ && pid_ <= 0) return;
    reap(false);
}

}  // namespace

std::unique_ptr<ProgramLink> ProgramLink::start(const std::string& program,
                                                const BoardConfig& config) {
    return std::make_unique<ChildLink>(Launch{{program}, {}, {}, config.root + "/home/pi"}, config);
}

std::unique_ptr<ProgramLink> ProgramLink::startPi(const std::string& program,
                                                  const BoardConfig& config, const PiLaunch& pi) {
    // The printer port: the program writes the slave, its board reads the master.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char slave[128] = "";
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, slave, sizeof slave) != 0) {
        const std::string why = std::strerror(errno);
        if (master >= 0) ::close(master);
        throw std::runtime_error("no pseudo-terminal for the printer port: " + why);
    }
    BoardConfig realtime = config;
    realtime.realtime = true;
    Launch launch;
    launch.argv = piNamespaceCommand({pi.bwrap, config.root, program, pi.standinDir, slave});
    launch.variables = piNamespaceVariables();
    launch.variables.push_back(std::string(env::kSerialFd) + "=" + std::to_string(master));
    launch.inherited = {master};
    launch.workingDirectory = config.root;
    auto link = std::make_unique<ChildLink>(launch, realtime);
    ::close(master);  // the program's board holds it now
    return link;
}

}  // namespace sim
