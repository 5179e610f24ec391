#include "sim/panel/panel.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <thread>

#include "sim/panel/http.h"

namespace sim::panel {

namespace {

std::atomic<bool> gStop{false};

void onStopSignal(int) {
    gStop = true;
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The parent of process `pid`, from /proc; -1 when unknown.
pid_t parentOf(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1;
    std::size_t end = line.rfind(')');  // the command name may hold blanks
    if (end == std::string::npos || end + 4 >= line.size()) return -1;
    return static_cast<pid_t>(std::atol(line.c_str() + end + 4));
}

void killOwnChildren() {
    DIR* proc = opendir("/proc");
    if (!proc) return;
    while (dirent* entry = readdir(proc)) {
        std::string name = entry->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (parentOf(name) == getpid()) kill(static_cast<pid_t>(std::atol(name.c_str())), SIGKILL);
    }
    closedir(proc);
}

// A program that no longer answers its link would keep the panel from
// stopping: a few seconds after the stop signal, end it and ourselves.
void watchStop(const std::atomic<bool>& finished) {
    std::thread([&finished] {
        while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int waited = 0; waited < 50 && !finished; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (finished) return;
        std::cerr << "kalventrix-sim: the program does not answer; ending it" << std::endl;
        killOwnChildren();
        _exit(1);
    }).detach();
}

}  // namespace

int runPanel(const PanelOptions& options, runner::LinkFactory startProgram) {
    PanelState state;
    PanelSession session(options.session, std::move(startProgram), state);
    PanelHttp http(state, session, options.session.board.root, options.webDir);
    int port = http.start(options.port);
    if (port < 0) {
        std::cerr << "kalventrix-sim: cannot serve the panel on 127.0.0.1:" << options.port
                  << " (in use?)\n";
        return 2;
    }
    std::cout << "front panel: http://127.0.0.1:" << port << "/" << std::endl;
    catchStopSignals();
    static std::atomic<bool> finished{false};
    watchStop(finished);
    session.run(gStop);
    finished = true;
    http.stop();
    std::cout << "front panel stopped" << std::endl;
    return 0;
}

}  // namespace sim::panel
