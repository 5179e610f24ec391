// The Raspberry Pi program uses the terminal's own paths and commands
// (/home/pi, /boot, sudo, shutdown ...), so on the virtual board it runs in a
// namespace made with bubblewrap where the sandbox root stands at /: the
// host's system read-only, the sandbox's folders writable, the stand-in tools
// first on PATH, the stand-in libgpiod found first, no capabilities, its own
// process, host name and IPC space. Only the network is the host's, where the
// runner's proxy variables keep it to loopback as for the virtual board's own
// program.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct PiNamespace {
    std::string bwrap;       // the bubblewrap executable
    std::string root;        // the sandbox root on the host
    std::string program;     // the Pi program on the host
    std::string standinDir;  // the folder of the stand-in libgpiod.so.2 on the host
    std::string serialPort;  // the device that stands at /dev/serial0; empty: none
};

// Where the program and the stand-in library stand inside.
constexpr const char* kPiProgramInside = "/opt/kalventrix-sim/bin/kalventrix";
constexpr const char* kPiLibraryInside = "/opt/kalventrix-sim/lib";

// The command line (bubblewrap first) that runs the program inside.
std::vector<std::string> piNamespaceCommand(const PiNamespace& space);

// Variables the program gets inside, over the runner's own.
std::vector<std::string> piNamespaceVariables();

}  // namespace sim
