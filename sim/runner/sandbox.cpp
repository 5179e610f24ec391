#include "sim/runner/sandbox.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace fs = std::filesystem;

namespace sim::runner {

namespace {

const char* const kFolders[] = {"home/pi", "home/pi/txt",        "boot", "var/log",
                                "dev",     "etc/wpa_supplicant", "proc", ".sim/bin"};

const char kDefaultEeprom[] = "0001--10";

const char kCpuInfo[] =
    "processor\t: 0\n"
    "BogoMIPS\t: 108.00\n"
    "Features\t: fp asimd evtstrm crc32 cpuid\n"
    "CPU implementer\t: 0x41\n"
    "CPU architecture: 8\n"
    "CPU variant\t: 0x0\n"
    "CPU part\t: 0xd08\n"
    "CPU revision\t: 3\n"
    "\n"
    "Hardware\t: BCM2835\n"
    "Revision\t: c03112\n"
    "Serial\t\t: 10000000a3b4c5d6\n"
    "Model\t\t: Raspberry Pi 4 Model B Rev 1.2\n";

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

void writeFile(const fs::path& file, const std::string& content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

void writeIfMissing(const fs::path& file, const std::string& content) {
    if (!fs::exists(file)) writeFile(file, content);
}

// Runs a set-up script with its output in the sandbox's set-up log, so that
// nothing reaches the transcript.
bool runSetupScript(const fs::path& script, const fs::path& target, const fs::path& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Executable scripts run with their own interpreter line; others with sh.
    bool direct = access(script.c_str(), X_OK) == 0;
    std::string shell = "/bin/sh";
    std::string scriptText = script.string();
    std::string targetText = target.string();
    char* withShell[] = {shell.data(), scriptText.data(), targetText.data(), nullptr};
    char** argv = direct ? withShell + 1 : withShell;
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void generateIfMissing(const fs::path& source, const char* script, const fs::path& target,
                       const fs::path& root, SandboxResult& result) {
    fs::path scriptPath = source / "scripts" / script;
    if (fs::exists(target) || !fs::exists(scriptPath)) return;
    if (!runSetupScript(scriptPath, target, root / ".sim/setup.log"))
        result.warnings.push_back(std::string(script) + " failed; see .sim/setup.log");
}

// A fresh database carries the factory server address, which is on a private
// network: a sandbox must never reach it, so it starts on loopback instead.
void pointServerAtLoopback(const fs::path& database, SandboxResult& result) {
    sqlite3* db = nullptr;
    int status = sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (status == SQLITE_OK)
        status = sqlite3_exec(db,
                              "UPDATE param SET valeur = '127.000.000.001' "
                              "WHERE cle = 'KALVENTRIX_IPServer'",
                              nullptr, nullptr, nullptr);
    sqlite3_close(db);
    // A file that is no database at all has no address to change.
    if (status != SQLITE_OK && status != SQLITE_NOTADB)
        result.warnings.push_back("could not set the server address of " + database.string());
}

void copyImage(const fs::path& source, const fs::path& root) {
    fs::path image = source / "image" / "rootfs";
    if (!fs::is_directory(image)) image = source / "image";
    if (!fs::is_directory(image)) return;
    std::error_code ignored;
    fs::copy(image, root, fs::copy_options::recursive | fs::copy_options::skip_existing, ignored);
}

void copyCatalogue(const fs::path& source, const fs::path& root) {
    for (const char* name : {"zeph_programme.csv", "zeph_figure.csv"}) {
        fs::path from = source / "data" / name;
        std::error_code ignored;
        if (fs::exists(from) && !fs::exists(root / "boot" / name))
            fs::copy_file(from, root / "boot" / name, ignored);
    }
}

bool installStubs(const fs::path& source, const fs::path& root, std::string& error) {
    fs::path stubs = source / "sim" / "stubs";
    if (!fs::is_directory(stubs)) {
        // Without them the program's commands would reach the host's own tools.
        error = "stub tools not found in " + stubs.string() + " (use --source DIR)";
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(stubs)) {
        if (!entry.is_regular_file()) continue;
        fs::path target = root / ".sim" / "bin" / entry.path().filename();
        std::error_code ec;
        fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, ec);
        if (!ec) fs::permissions(target, fs::perms(0755), fs::perm_options::replace, ec);
        if (ec) {
            error = "cannot install " + target.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

std::string validate(const SandboxOptions& options) {
    const NetworkConfig& net = options.network;
    if (options.root.empty()) return "no sandbox root given";
    if (options.eeprom && hasLineBreak(*options.eeprom))
        return "the board description must be one line";
    if (hasLineBreak(net.ssid) || hasLineBreak(net.ip) || hasLineBreak(net.hostname))
        return "network names and addresses must be one line";
    return "";
}

bool makeRoot(const std::string& rootText, SandboxResult& result) {
    std::error_code ec;
    fs::path root = fs::absolute(rootText, ec);
    if (!ec) fs::create_directories(root, ec);
    if (!ec && !fs::is_directory(root)) ec = std::make_error_code(std::errc::not_a_directory);
    if (!ec) root = fs::canonical(root, ec);
    for (const char* folder : kFolders)
        if (!ec) fs::create_directories(root / folder, ec);
    if (ec) {
        result.error = "cannot create the sandbox root " + rootText + ": " + ec.message();
        return false;
    }
    result.root = root.string();
    return true;
}

}  // namespace

std::string defaultSourceDir() {
#ifdef KALVENTRIX_SOURCE_DIR
    return KALVENTRIX_SOURCE_DIR;
#else
    return ".";
#endif
}

std::string netConfText(const NetworkConfig& network) {
    std::string text = "ssid=" + network.ssid + "\nip=" + network.ip +
                       "\nhostname=" + network.hostname + "\nmac=" + network.mac +
                       "\nping=" + (network.pingSucceeds ? "ok" : "fail") + "\n";
    for (const std::string& name : network.scan) text += "scan=" + name + "\n";
    return text;
}

SandboxResult prepareSandbox(const SandboxOptions& options) {
    SandboxResult result;
    result.error = validate(options);
    if (!result.ok() || !makeRoot(options.root, result)) return result;
    fs::path root = result.root;
    fs::path source = options.sourceDir.empty() ? defaultSourceDir() : options.sourceDir;
    if (!installStubs(source, root, result.error)) return result;
    writeFile(root / ".sim" / "net.conf", netConfText(options.network));
    copyImage(source, root);
    copyCatalogue(source, root);
    const fs::path database = root / "home/pi/kalventrix-db";
    const bool freshDatabase = !fs::exists(database);
    generateIfMissing(source, "make-db.sh", database, root, result);
    if (freshDatabase && fs::exists(database)) pointServerAtLoopback(database, result);
    generateIfMissing(source, "make-sounds.sh", root / "home/pi/sounds", root, result);
    writeIfMissing(root / "proc/cpuinfo", kCpuInfo);
    fs::path eeprom = root / "home/pi/txt/eeprom.txt";
    if (options.eeprom)
        writeFile(eeprom, *options.eeprom + "\n");
    else
        writeIfMissing(eeprom, std::string(kDefaultEeprom) + "\n");
    return result;
}

}  // namespace sim::runner
