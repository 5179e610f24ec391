// The terminal's file system on the host: a folder that stands for "/" of the
// Pi. Made on first use; an existing one is completed, never replaced.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim::runner {

struct NetworkConfig {
    std::string ssid = "KalventrixNet";  // empty: not associated
    std::string ip = "192.168.4.23";     // empty: no address
    std::string hostname = "raspberrypi";
    std::string mac = "dc:a6:32:4b:17:02";
    std::vector<std::string> scan = {"KalventrixNet", "Pits-Guest", "Camping Les Pins"};
    bool pingSucceeds = true;
};

struct SandboxOptions {
    std::string root;
    std::string sourceDir;              // image/, data/, scripts/ and sim/stubs/ are found here
    std::optional<std::string> eeprom;  // first line of the board description
    NetworkConfig network;
};

struct SandboxResult {
    std::string root;   // absolute, symbolic links resolved
    std::string error;  // empty on success
    std::vector<std::string> warnings;
    bool ok() const { return error.empty(); }
};

SandboxResult prepareSandbox(const SandboxOptions& options);

// The stubs' configuration file, one "key=value" a line.
std::string netConfText(const NetworkConfig& network);

// The source folder compiled in, unless overridden.
std::string defaultSourceDir();

}  // namespace sim::runner
