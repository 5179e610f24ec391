// The runner's handle on a program running on the virtual board in a child
// process. The program's board serves the other end of the link.
#pragma once

#include <memory>
#include <string>

#include "sim/snapshot.h"

namespace sim {

struct BoardConfig {
    std::string root;                        // sandbox root (absolute)
    int lcdAddr = 0x27;                      // 0x27, 0x3f, or 0 for no display
    std::string date = "2025-06-15 10:00:00";  // wall clock at virtual time 0
    bool realtime = false;
    Micros startAt = 0;                      // virtual time at which this run starts (restarts go on)
    long long wallOffset = 0;                // seconds added to the wall clock by a `date --set`
};

// Key names: those of the board table (platform/wiring.h).
class ProgramLink {
public:
    virtual ~ProgramLink() = default;

    // Starts `program` (the kalventrix executable built for the virtual
    // board) with the working directory ROOT/home/pi; its standard output and
    // error are appended to ROOT/console.log.
    static std::unique_ptr<ProgramLink> start(const std::string& program, const BoardConfig& config);
    // Starts the Raspberry Pi program (built against libgpiod) on the board in
    // real time, in a namespace where the sandbox root stands at / (see
    // sim/pi_namespace.h); its printer port is a pseudo-terminal.
    struct PiLaunch {
        std::string bwrap;       // the bubblewrap executable
        std::string standinDir;  // the folder of the stand-in libgpiod.so.2
    };
    static std::unique_ptr<ProgramLink> startPi(const std::string& program,
                                                const BoardConfig& config, const PiLaunch& launch);

    // Input, at a virtual time not before now(). Events keep their order.
    virtual void keyDown(Micros at, const std::string& key) = 0;
    virtual void keyUp(Micros at, const std::string& key) = 0;
    // One detent of the encoder (a full quadrature cycle) spread over `duration`.
    virtual void detent(Micros at, bool forward, Micros duration) = 0;

    // Lets the program run until virtual time `horizon` (virtual mode), or for
    // as long in real time (real-time mode). Returns what changed. After the
    // program has exited, returns at once with exited set.
    virtual Snapshot runUntil(Micros horizon) = 0;

    virtual Micros now() const = 0;
    virtual long long wallOffset() const = 0;  // for the next start after a relaunch
    // Ends the program if it still runs.
    virtual void stop() = 0;
};

}  // namespace sim
