// Command line of kalventrix-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/link.h"
#include "sim/runner/sandbox.h"

namespace sim::runner {

struct Options {
    std::string root;
    std::string script;  // a file, or "-" for standard input as it arrives
    std::string
        program;  // empty: kalventrix (kalventrix-pi for the Pi board) beside this executable
    std::string sourceDir;
    std::optional<std::string> eeprom;
    int lcdAddr = 0x27;
    std::string date = "2025-06-15 10:00:00";
    NetworkConfig network;
    // "sim": the program built for the virtual board; "pi": the Raspberry Pi
    // program (libgpiod) through the stand-in library, in a namespace, in real time.
    std::string board = "sim";
    bool realtime = false;
    bool restart = false;
    bool help = false;
    // Front panel in a browser instead of a script; implies real time.
    bool panel = false;
    int panelPort = 8080;
    std::string serverLog;  // request log of the competition server, shown by the panel
};

struct OptionsResult {
    Options options;
    std::string error;
    bool ok() const { return error.empty(); }
};

OptionsResult parseOptions(const std::vector<std::string>& args);

// "YYYY-MM-DD HH:MM:SS" with a real calendar date and time of day.
bool isValidDate(const std::string& text);

extern const char kUsage[];

}  // namespace sim::runner
