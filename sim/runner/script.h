// The runner's script language: one command a line, '#' starts a comment.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim::runner {

enum class Op {
    Press,
    Hold,
    Down,
    Up,
    Turn,
    Wait,
    Until,
    Expect,
    ExpectPrinter,
    Lcd,
    Printer,
    PrinterPng,
    Shell,
    File,
    Sql,
    ExpectShell,
    ExpectNoShell,
    ExpectRequest,
    ExpectNoRequest,
    ExpectSql,
    ExpectFile,
    ExpectNoFile,
    Repeat,
    End,
    PowerCut,
    Quit,
};

struct Command {
    Op op = Op::Quit;
    int line = 0;          // 1-based line of the script
    std::string source;    // the command as written, comment and outer blanks removed
    std::string key;       // press, hold, down, up
    long long millis = 0;  // hold time, wait, timeout, time per detent
    long long count = 0;   // detents of turn (negative: backwards); row of expect; repeat
    std::string text;      // until, expect..., file, sql, printer png: the text, query or path
    std::string expected;  // expect-sql, expect-file, expect-no-file: the text looked for
    bool hasExpected = false;
};

constexpr long long kDefaultPressMs = 100;
constexpr long long kDefaultDetentMs = 200;
constexpr long long kDefaultUntilMs = 30000;
constexpr long long kMaxMillis = 1000000000;  // about eleven days of virtual time
constexpr long long kMaxRepeat = 1000;

struct ParseResult {
    std::optional<Command> command;  // empty for a blank or comment line, or on error
    std::string error;               // set when the line is not a valid command
    bool ok() const { return error.empty(); }
};

// Parses one line of a script.
ParseResult parseLine(const std::string& line, int lineNumber);

bool isKeyName(const std::string& name);

// Unfolds "repeat N" ... "end" blocks (nested or not) into the commands they
// repeat. A block left open or an "end" without its "repeat" is an error:
// its line number goes to `errorLine`.
std::vector<Command> unfoldRepeats(const std::vector<Command>& commands, int* errorLine,
                                   std::string* error);

}  // namespace sim::runner
