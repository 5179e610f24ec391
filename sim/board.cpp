#include "sim/board.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wiringPi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/devices/keypad.h"
#include "sim/devices/trace.h"
#include "sim/link_server.h"

extern char** environ;

namespace sim {

namespace {

std::mutex gInstanceMutex;
std::atomic<Board*> gInstance{nullptr};
// Set on the threads a board starts. A handler still running when a test
// replaces the board must finish on its own, stopped board: on the new one it
// would read the new pins and join the new clock, whose baton it then takes
// away with it when it ends.
thread_local Board* tOwnBoard = nullptr;

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

long long envNumber(const char* name, long long fallback) {
    const char* value = std::getenv(name);
    if (!value || !*value) return fallback;
    char* end = nullptr;
    long long parsed = std::strtoll(value, &end, 0);
    return end && *end == '\0' ? parsed : fallback;
}

std::string workingDirectory() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : ".";
}

bool edgeMatches(int edge, int level) {
    switch (edge) {
        case INT_EDGE_FALLING:
            return level == 0;
        case INT_EDGE_RISING:
            return level == 1;
        case INT_EDGE_BOTH:
            return true;
        default:
            return false;
    }
}

// The board the runner described in the environment, or nullptr.
Board* boardFromEnvironment() {
    const int fd = Board::environmentLinkFd();
    if (fd < 0) return nullptr;
    BoardConfig config = Board::environmentConfig();
    auto* board = new Board(config, config.realtime ? ClockMode::Realtime : ClockMode::Controlled);
    // The creating thread is the program's main thread (static initialisation):
    // it holds the baton before the runner's first request can be served.
    board->clock().current();
    board->attachLink(fd);
    return board;
}

}  // namespace

struct Board::Isr {
    int pin;
    int edge;
    void (*handler)();
    VirtualClock::Token token = -1;
    std::atomic<bool> pending{false};
};

// --- The process's board ---

Board& Board::instance() {
    if (tOwnBoard) return *tOwnBoard;
    if (Board* board = gInstance.load()) return *board;
    std::lock_guard<std::mutex> guard(gInstanceMutex);
    if (!gInstance.load()) {
        Board* board = boardFromEnvironment();
        // Never destroyed: the program's globals still use it in their destructors.
        if (!board) board = new Board(defaultConfig(), ClockMode::Auto);
        gInstance = board;
    }
    return *gInstance.load();
}

Board& Board::reset(const BoardConfig& config, ClockMode mode) {
    std::lock_guard<std::mutex> guard(gInstanceMutex);
    if (Board* old = gInstance.load()) {
        old->clock().stop();
        // Kept for the life of the process: a handler still running on it
        // finishes on its own, stopped board.
        static auto* const retired = new std::vector<Board*>;
        retired->push_back(old);
    }
    gInstance = new Board(config, mode);
    return *gInstance.load();
}

Board& Board::reset() {
    return reset(defaultConfig());
}

BoardConfig Board::defaultConfig() {
    BoardConfig config;
    config.root = envOr(env::kRoot, workingDirectory());
    return config;
}

BoardConfig Board::environmentConfig() {
    BoardConfig config = defaultConfig();
    config.lcdAddr = static_cast<int>(envNumber(env::kLcdAddr, config.lcdAddr));
    config.date = envOr(env::kDate, config.date);
    config.realtime = envNumber(env::kRealtime, 0) != 0;
    config.startAt = static_cast<Micros>(envNumber(env::kStartAt, 0));
    config.wallOffset = envNumber(env::kWallOffset, 0);
    return config;
}

int Board::environmentLinkFd() {
    return static_cast<int>(envNumber(env::kLinkFd, -1));
}

Board::Board(const BoardConfig& config, ClockMode mode)
    : config_(config),
      clock_(mode, config.startAt),
      trace_(std::make_unique<Trace>()),
      dateBase_(parseLocalTime(config.date)),
      wallOffset_(config.wallOffset) {
    if (dateBase_ < 0) dateBase_ = 0;
    devices_ = makeDevices(*this);
    pins_.addListener([this](int pin, int level) { onPinChange(pin, level); });
}

Board::~Board() {
    clock_.stop();
}

// --- Input ---

void Board::keyDown(Micros at, const std::string& key) {
    clock_.scheduleAt(at, [this, key] { pressKey(key, true); });
}

void Board::keyUp(Micros at, const std::string& key) {
    clock_.scheduleAt(at, [this, key] { pressKey(key, false); });
}

void Board::detent(Micros at, bool forward, Micros duration) {
    for (int edge = 0; edge < Keypad::kEdgesPerDetent; ++edge)
        clock_.scheduleAt(at + duration * edge / 4,
                          [this, forward, edge] { encoderEdge(forward, edge); });
}

// --- Interrupts ---

int Board::attachIsr(int pin, int edge, void (*handler)()) {
    if (pin < 0 || pin >= Pins::kCount || !handler) return -1;
    auto owned = std::make_unique<Isr>();
    Isr& isr = *owned;
    isr.pin = pin;
    isr.edge = edge;
    isr.handler = handler;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        isrs_.push_back(std::move(owned));
    }
    isr.token = clock_.reserve();
    std::thread([this, &isr] {
        tOwnBoard = this;
        clock_.attach(isr.token);
        runIsr(isr);
        clock_.exitCurrent();
    }).detach();
    return 0;
}

void Board::startThread(std::function<void()> body) {
    clock_.startThread([this, body = std::move(body)] {
        tOwnBoard = this;
        body();
    });
}

void Board::runIsr(Isr& isr) {
    for (;;) {
        // One pending edge at most: edges during the handler collapse into one.
        while (!isr.pending.exchange(false))
            if (!clock_.block()) return;
        // An edge left pending on a replaced board is nobody's business.
        if (clock_.stopped()) return;
        isr.handler();
    }
}

void Board::onPinChange(int pin, int level) {
    std::vector<Isr*> woken;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (auto& isr : isrs_)
            if (isr->pin == pin && edgeMatches(isr->edge, level)) woken.push_back(isr.get());
    }
    for (Isr* isr : woken) {
        isr->pending = true;
        clock_.unblock(isr->token);
    }
}

// --- Serial ---

int Board::openSerial(const std::string& device, int baud) {
    if (device != config_.root + "/dev/serial0" && device != "/dev/serial0") return -1;
    serialBaud_ = baud;
    serialOpen_ = true;
    return kPrinterFd;
}

void Board::closeSerial(int fd) {
    if (fd == kPrinterFd) serialOpen_ = false;
}

// --- Wall clock ---

std::time_t Board::wallTime() const {
    return dateBase_ + static_cast<std::time_t>(clock_.now() / 1000000) + wallOffset_.load();
}

void Board::setWallTime(std::time_t when) {
    wallOffset_ = static_cast<long long>(when) - (wallTime() - wallOffset_.load());
}

std::time_t parseLocalTime(const std::string& text) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
    if (!end) return -1;
    while (*end == ' ' || *end == '\n' || *end == '\r') ++end;
    if (*end) return -1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// --- Shell ---

// The program's commands must meet the stand-in tools, never the host's own
// (shutdown, date, ip ...): a root without them gets them, or nothing runs.
bool Board::ensureStubTools() {
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(config_.root) / ".sim" / "bin";
    std::error_code ec;
    if (fs::exists(bin / "sudo", ec) && fs::exists(bin / "shutdown", ec)) return true;
    const fs::path stubs = fs::path(KALVENTRIX_SOURCE_DIR) / "sim" / "stubs";
    fs::create_directories(bin, ec);
    for (const fs::directory_entry& entry : fs::directory_iterator(stubs, ec)) {
        const fs::path target = bin / entry.path().filename();
        if (!entry.is_regular_file() || fs::exists(target)) continue;
        fs::copy_file(entry.path(), target, ec);
        fs::permissions(target, fs::perms(0755), fs::perm_options::replace, ec);
    }
    return fs::exists(bin / "sudo", ec) && fs::exists(bin / "shutdown", ec);
}

int Board::shell(const std::string& command) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        shellLog_.push_back({clock_.now(), command});
    }
    if (!ensureStubTools()) {
        std::fprintf(stderr, "virtual board: no stub tools under %s/.sim/bin, command not run\n",
                     config_.root.c_str());
        return -1;
    }
    // The command writes to the same console: keep the program's lines before its own.
    std::fflush(stdout);
    std::fflush(stderr);

    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable = *entry;
        // The board's own settings are not the command's business; root and
        // wall time are set afresh below.
        if (variable.rfind("PATH=", 0) == 0 || variable.rfind("KALVENTRIX_SIM_", 0) == 0 ||
            variable.rfind(std::string(env::kRoot) + "=", 0) == 0 ||
            variable.rfind(std::string(env::kWallTime) + "=", 0) == 0)
            continue;
        variables.push_back(variable);
    }
    variables.push_back("PATH=" + config_.root + "/.sim/bin:" + envOr("PATH", "/usr/bin:/bin"));
    variables.push_back(std::string(env::kRoot) + "=" + config_.root);
    variables.push_back(std::string(env::kWallTime) + "=" + std::to_string(wallTime()));
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(&variable[0]);
    envp.push_back(nullptr);

    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), envp.data()) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    applyDateSet();
    return status;
}

// The `date --set` stand-in leaves the requested time in ROOT/.sim/date-set.
void Board::applyDateSet() {
    std::string file = config_.root + "/.sim/date-set";
    std::ifstream in(file);
    if (!in) return;
    std::string text;
    std::getline(in, text);
    in.close();
    std::remove(file.c_str());
    std::time_t when = parseLocalTime(text);
    if (when >= 0) setWallTime(when);
}

std::vector<ShellRecord> Board::shellLog() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return shellLog_;
}

// --- Snapshot ---

Snapshot Board::snapshot() {
    Snapshot shot;
    shot.now = clock_.now();
    shot.glass = glass();
    shot.paper = takePaper();
    std::lock_guard<std::mutex> guard(mutex_);
    shot.shell.assign(shellLog_.begin() + static_cast<std::ptrdiff_t>(shellSent_), shellLog_.end());
    shellSent_ = shellLog_.size();
    return shot;
}

void Board::attachLink(int fd) {
    link_ = std::make_unique<LinkServer>(*this, fd);
}

}  // namespace sim
