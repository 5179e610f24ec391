// Executes script commands against a program running on the virtual board and
// writes the transcript:
//   "[12.345] > press VALID"       each command as written, at its virtual time
//   lcd/printer/shell/file/sql      their output lines right after the command
//   "printer png FILE"              the paper since the last printer command as a picture
//   "[12.345] cmd"                  a shell command the program ran (the sandbox root as ROOT)
//   "FAIL line N: ..."              a failed expectation, with what was expected and seen
//   "[12.345] program ended with status 0 (relaunch)", "... program started again"
//   "[12.345] power cut"            the program killed where it stood, then started again
// The checks of shell commands and server requests take those not checked
// yet, in order: a match checks everything up to it, so that successive
// checks follow the order of events; a negation, `shell` and a failed
// check take them all.
//   "end: ..."                      the closing line
// A failed expectation does not stop the run; a script error stops it.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "sim/link.h"
#include "sim/runner/script.h"
#include "sim/snapshot.h"

namespace sim::runner {

using LinkFactory = std::function<std::unique_ptr<ProgramLink>(const BoardConfig&)>;

enum ExitStatus { kAllHeld = 0, kExpectationFailed = 1, kScriptError = 2 };

struct RunOptions {
    BoardConfig board;     // root, display, date, real time
    bool restart = false;  // start the program again when main returns 0
    bool flushEachCommand = false;
    std::string serverLog;  // the competition server's request log, for expect-request
};

class Runner {
  public:
    Runner(RunOptions options, LinkFactory startProgram, std::ostream& out);
    ~Runner();

    // Runs one command; false when the run ends here (quit, or the program
    // could not be started).
    bool execute(const Command& command);
    void reportScriptError(int line, const std::string& message);
    // Stops the program, writes the closing line and gives the exit status.
    int finish();

    Micros now() const { return now_; }

  private:
    bool ensureStarted();
    bool startProgram();
    void advance(Micros horizon);
    void absorb(const Snapshot& snapshot);
    void programEnded(int code);
    void failure(const Command& command, const std::string& detail);

    void press(const std::string& key, Micros hold);
    void keyEdge(const std::string& key, bool down);
    void turn(long long detents, Micros perDetent);
    void until(const Command& command);
    void expectRow(const Command& command);
    void expectPrinter(const Command& command);
    void showPrinter();
    void savePaperPng(const Command& command);
    void showShell();
    void showFile(const std::string& path);
    void runSql(const Command& command);
    void expectShell(const Command& command);
    void expectRequest(const Command& command);
    void expectSql(const Command& command);
    void expectFile(const Command& command);
    void cutPower();
    void readNewRequests();
    // Checks the command's text against the unchecked `lines` (see above);
    // returns how many of them are checked now.
    std::size_t checkAmong(const std::vector<std::string>& lines, const Command& command,
                           const std::string& what);

    std::string printable(const std::string& text) const;

    RunOptions options_;
    LinkFactory startProgram_;
    std::ostream& out_;
    std::unique_ptr<ProgramLink> link_;
    bool started_ = false;
    Micros now_ = 0;
    Glass glass_;
    std::vector<PaperLine> paper_;
    std::vector<ShellRecord> shell_;
    std::vector<std::string> requests_;  // unchecked lines of the server log
    long long requestLogRead_ = -1;      // bytes of the log taken so far; -1 before the start
    int expectations_ = 0;
    int failures_ = 0;
    bool scriptError_ = false;
};

// Reads a whole script, checks every line, and runs it only when all are
// valid. Returns the exit status.
int runScript(std::istream& in, Runner& runner);
// Runs each line as it arrives (standard input driven by another program).
int runStreaming(std::istream& in, Runner& runner);

// A path of the terminal inside the sandbox: absolute paths are under the
// root, relative ones under the working directory ROOT/home/pi. Empty when
// the path would leave the sandbox.
std::string resolveSandboxPath(const std::string& root, const std::string& path);

// Seconds with milliseconds, as the transcript shows times: "12.345".
std::string formatTime(Micros at);

}  // namespace sim::runner
