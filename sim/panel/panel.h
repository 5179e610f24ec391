// kalventrix-sim --panel: the terminal's front panel as a page on
// 127.0.0.1, with the program running on the virtual board in real time.
#pragma once

#include <string>

#include "sim/panel/session.h"

namespace sim::panel {

struct PanelOptions {
    SessionOptions session;
    int port = 8080;
    std::string webDir;  // the page's files
};

// Serves the page and runs the program until SIGINT or SIGTERM. Returns the
// process's exit status (2 when the port cannot be had).
int runPanel(const PanelOptions& options, runner::LinkFactory startProgram);

}  // namespace sim::panel
