#include "sim/panel/panel.h"

#include <signal.h>

#include <atomic>
#include <iostream>

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
    session.run(gStop);
    http.stop();
    std::cout << "front panel stopped" << std::endl;
    return 0;
}

}  // namespace sim::panel
