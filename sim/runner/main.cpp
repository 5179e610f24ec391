// kalventrix-sim: runs the terminal's program on the virtual board and drives
// it with a script.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "sim/link.h"
#ifdef KV_HAVE_PANEL
#include "sim/panel/panel.h"
#endif
#include "sim/runner/options.h"
#include "sim/runner/runner.h"
#include "sim/runner/sandbox.h"

namespace {

using namespace sim::runner;

int fail(const std::string& message) {
    std::cerr << "kalventrix-sim: " << message << "\n";
    return kScriptError;
}

std::string besideRunner(const std::string& name) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? name : (self.parent_path() / name).string();
}

std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// What the Pi board needs besides the program: bubblewrap and the stand-in
// libgpiod built beside this runner. An empty error when both are there.
std::string piLaunch(sim::ProgramLink::PiLaunch& launch) {
    launch.bwrap = findInPath("bwrap");
    if (launch.bwrap.empty())
        return "the Pi board runs the program under bubblewrap: apt-get install bubblewrap";
    launch.standinDir = besideRunner("gpiod-standin");
    if (access((launch.standinDir + "/libgpiod.so.2").c_str(), R_OK) != 0)
        return "no stand-in libgpiod in " + launch.standinDir + " (built with libgpiod-dev)";
    return "";
}

LinkFactory linkFactory(const std::string& program,
                        const std::optional<sim::ProgramLink::PiLaunch>& pi) {
    return [program, pi](const sim::BoardConfig& config) -> std::unique_ptr<sim::ProgramLink> {
        try {
            if (pi) return sim::ProgramLink::startPi(program, config, *pi);
            return sim::ProgramLink::start(program, config);
        } catch (const std::exception& error) {
            std::cerr << "kalventrix-sim: " << error.what() << "\n";
            return nullptr;
        }
    };
}

int servePanel(const Options& options, const std::string& root, const LinkFactory& links) {
#ifdef KV_HAVE_PANEL
    sim::panel::PanelOptions panel;
    panel.session.board.root = root;
    panel.session.board.lcdAddr = options.lcdAddr;
    panel.session.board.date = options.date;
    panel.session.board.realtime = true;
    panel.session.restart = options.restart;
    panel.session.serverLog = options.serverLog;
    panel.port = options.panelPort;
    std::string source = options.sourceDir.empty() ? defaultSourceDir() : options.sourceDir;
    panel.webDir = source + "/sim/panel/web";
    return sim::panel::runPanel(panel, links);
#else
    (void)options, (void)root, (void)links;
    return fail("this build has no front panel (cpp-httplib was missing)");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    OptionsResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (!parsed.ok()) {
        std::cerr << kUsage;
        return fail(parsed.error);
    }
    const Options& options = parsed.options;
    // Wall-clock texts of the program and of the date stub must not depend on the host.
    setenv("TZ", "UTC", 1);
    // The sandbox's sound script takes the score names from this build.
    setenv("SOUND_NAMES", besideRunner("kalventrix-sound-names").c_str(), 0);

    const bool piBoard = options.board == "pi";
    std::string program = !options.program.empty()
                              ? options.program
                              : besideRunner(piBoard ? "kalventrix-pi" : "kalventrix");
    if (access(program.c_str(), X_OK) != 0) return fail("cannot run the program " + program);
    program = std::filesystem::absolute(program).string();  // the child starts elsewhere
    std::optional<sim::ProgramLink::PiLaunch> pi;
    if (piBoard) {
        pi.emplace();
        std::string missing = piLaunch(*pi);
        if (!missing.empty()) return fail(missing);
    }
    const LinkFactory links = linkFactory(program, pi);

    std::ifstream scriptFile;
    bool streaming = options.script == "-";
    if (!streaming && !options.panel) {
        scriptFile.open(options.script);
        if (!scriptFile) return fail("cannot read the script " + options.script);
    }

    SandboxResult sandbox =
        prepareSandbox({options.root, options.sourceDir, options.eeprom, options.network});
    for (const std::string& warning : sandbox.warnings)
        std::cerr << "kalventrix-sim: " << warning << "\n";
    if (!sandbox.ok()) return fail(sandbox.error);
    if (options.panel) return servePanel(options, sandbox.root, links);

    RunOptions run;
    run.board.root = sandbox.root;
    run.board.lcdAddr = options.lcdAddr;
    run.board.date = options.date;
    run.board.realtime = options.realtime;
    run.restart = options.restart;
    run.flushEachCommand = streaming;
    run.serverLog = options.serverLog;
    Runner runner(run, links, std::cout);
    return streaming ? runStreaming(std::cin, runner) : runScript(scriptFile, runner);
}
