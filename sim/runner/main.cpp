// kalventrix-sim: runs the terminal's program on the virtual board and drives
// it with a script.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

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

LinkFactory linkFactory(const std::string& program) {
    return [program](const sim::BoardConfig& config) -> std::unique_ptr<sim::ProgramLink> {
        try {
            return sim::ProgramLink::start(program, config);
        } catch (const std::exception& error) {
            std::cerr << "kalventrix-sim: " << error.what() << "\n";
            return nullptr;
        }
    };
}

int servePanel(const Options& options, const std::string& root, const std::string& program) {
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
    return sim::panel::runPanel(panel, linkFactory(program));
#else
    (void)options, (void)root, (void)program;
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

    std::string program = options.program.empty() ? besideRunner("kalventrix") : options.program;
    if (access(program.c_str(), X_OK) != 0) return fail("cannot run the program " + program);

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
    if (options.panel) return servePanel(options, sandbox.root, program);

    RunOptions run;
    run.board.root = sandbox.root;
    run.board.lcdAddr = options.lcdAddr;
    run.board.date = options.date;
    run.board.realtime = options.realtime;
    run.restart = options.restart;
    run.flushEachCommand = streaming;
    Runner runner(run, linkFactory(program), std::cout);
    return streaming ? runStreaming(std::cin, runner) : runScript(scriptFile, runner);
}
