#include "sim/runner/runner.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <istream>
#include <ostream>
#include <sstream>

#include "sim/devices/paper_png.h"
#include "sim/runner/glass_text.h"
#include "sim/runner/paper_text.h"

namespace sim::runner {

namespace {

constexpr Micros kMs = 1000;
constexpr Micros kSettle = 50 * kMs;  // after every input command
constexpr Micros kUntilStep = 10 * kMs;

std::string padRow(const std::string& text) {
    std::size_t chars = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++chars;
    return chars >= 20 ? text : text + std::string(20 - chars, ' ');
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

std::string oneLine(const std::string& text) {
    return replaceAll(replaceAll(text, "\r", "\\r"), "\n", "\\n");
}

std::string framedGlass(const Glass& glass) {
    if (!glass.present) return "  (no display on the bus)\n";
    std::string text;
    for (int row = 0; row < 4; ++row) text += "  |" + rowText(glass, row) + "|\n";
    return text + "  " + stateLine(glass) + "\n";
}

bool glassContains(const Glass& glass, const std::string& text) {
    if (!glass.present) return false;
    for (int row = 0; row < 4; ++row)
        if (rowText(glass, row).find(text) != std::string::npos) return true;
    return false;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

std::string formatTime(Micros at) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%03llu", static_cast<unsigned long long>(at / 1000000),
                  static_cast<unsigned long long>(at / 1000 % 1000));
    return text;
}

std::string resolveSandboxPath(const std::string& root, const std::string& path) {
    std::string base = path[0] == '/' ? root : root + "/home/pi";
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (part == "..") return "";
    return base + (path[0] == '/' ? "" : "/") + path;
}

Runner::Runner(RunOptions options, LinkFactory startProgram, std::ostream& out)
    : options_(std::move(options)), startProgram_(std::move(startProgram)), out_(out) {}

Runner::~Runner() {
    if (link_) link_->stop();
}

bool Runner::startProgram() {
    BoardConfig config = options_.board;
    config.startAt = now_;
    if (link_) config.wallOffset = link_->wallOffset();
    link_ = startProgram_(config);
    return link_ != nullptr;
}

bool Runner::ensureStarted() {
    if (started_) return true;
    started_ = true;
    // Requests logged before the run are not the program's.
    std::ifstream log(options_.serverLog, std::ios::binary | std::ios::ate);
    requestLogRead_ = log ? static_cast<long long>(log.tellg()) : 0;
    if (startProgram()) return true;
    out_ << "cannot start the program\n";
    scriptError_ = true;
    return false;
}

void Runner::absorb(const Snapshot& snapshot) {
    glass_ = snapshot.glass;
    paper_.insert(paper_.end(), snapshot.paper.begin(), snapshot.paper.end());
    shell_.insert(shell_.end(), snapshot.shell.begin(), snapshot.shell.end());
}

void Runner::programEnded(int code) {
    out_ << "[" << formatTime(now_) << "] program ended with status " << code
         << (code == 0 ? " (relaunch)" : "") << "\n";
    if (code != 0) ++failures_;
    if (code == 0 && options_.restart && startProgram()) {
        out_ << "[" << formatTime(now_) << "] program started again\n";
        return;
    }
    link_->stop();
    link_.reset();
}

void Runner::advance(Micros horizon) {
    while (link_) {
        Snapshot snapshot = link_->runUntil(horizon);
        absorb(snapshot);
        if (!snapshot.exited) break;
        now_ = std::max(now_, std::min(snapshot.now, horizon));
        programEnded(snapshot.exitCode);
    }
    now_ = std::max(now_, horizon);
}

void Runner::failure(const Command& command, const std::string& detail) {
    ++failures_;
    out_ << "FAIL line " << command.line << ": " << command.source << "\n" << detail;
}

void Runner::keyEdge(const std::string& key, bool down) {
    if (link_ && down) link_->keyDown(now_, key);
    if (link_ && !down) link_->keyUp(now_, key);
    advance(now_ + kSettle);
}

void Runner::press(const std::string& key, Micros hold) {
    if (link_) {
        link_->keyDown(now_, key);
        link_->keyUp(now_ + hold, key);
    }
    advance(now_ + hold + kSettle);
}

void Runner::turn(long long detents, Micros perDetent) {
    Micros at = now_;
    for (long long i = 0; link_ && i < std::llabs(detents); ++i, at += perDetent)
        link_->detent(at, detents > 0, perDetent);
    advance(now_ + perDetent * static_cast<Micros>(std::llabs(detents)) + kSettle);
}

void Runner::until(const Command& command) {
    ++expectations_;
    Micros timeout = static_cast<Micros>(command.millis) * kMs;
    for (Micros waited = 0;; waited += kUntilStep) {
        if (glassContains(glass_, command.text)) return;
        if (!link_) {
            failure(command, "  the program is not running\n" + framedGlass(glass_));
            return;
        }
        if (waited >= timeout) break;
        advance(now_ + kUntilStep);
    }
    failure(command, "  expected somewhere: " + quoted(command.text) + " within " +
                         std::to_string(command.millis) + " ms\n  actual glass:\n" +
                         framedGlass(glass_));
}

void Runner::expectRow(const Command& command) {
    ++expectations_;
    int row = static_cast<int>(command.count);
    std::string expected = padRow(command.text);
    if (glass_.present && rowText(glass_, row) == expected) return;
    failure(command, "  expected row " + std::to_string(row) + ": |" + expected +
                         "|\n  actual glass:\n" + framedGlass(glass_));
}

// Without a count, at least one line; with one, exactly that many lines.
void Runner::expectPrinter(const Command& command) {
    ++expectations_;
    std::string printed;
    long long found = 0;
    for (const PaperLine& line : paper_) {
        if (decodePrinted(line.text).find(command.text) != std::string::npos) ++found;
        printed += "  |" + renderPaperLine(line) + "\n";
    }
    if (command.count < 0 ? found > 0 : found == command.count) return;
    const std::string wanted =
        command.count < 0 ? "a paper line" : std::to_string(command.count) + " paper line(s)";
    failure(command, "  expected " + wanted + " containing " + quoted(command.text) + ", found " +
                         std::to_string(found) + "\n  printed since the last printer command:\n" +
                         (printed.empty() ? "  (nothing)\n" : printed));
}

void Runner::showPrinter() {
    for (const PaperLine& line : paper_) out_ << renderPaperLine(line) << "\n";
    if (paper_.empty()) out_ << "(nothing printed)\n";
    paper_.clear();
}

// Leaves the lines in place, so that a later "printer" still lists them.
void Runner::savePaperPng(const Command& command) {
    std::string error;
    if (!writePaperPng(paper_, command.text, &error)) {
        failure(command, "  cannot write the picture: " + error + "\n");
        return;
    }
    out_ << "picture of " << paper_.size() << " line(s) in " << command.text << "\n";
}

std::string Runner::printable(const std::string& text) const {
    return oneLine(replaceAll(text, options_.board.root, "ROOT"));
}

void Runner::showShell() {
    for (const ShellRecord& record : shell_)
        out_ << "[" << formatTime(record.at) << "] " << printable(record.command) << "\n";
    if (shell_.empty()) out_ << "(no commands)\n";
    shell_.clear();
}

void Runner::showFile(const std::string& path) {
    std::string file = resolveSandboxPath(options_.board.root, path);
    std::ifstream in(file, std::ios::binary);
    if (file.empty() || !in) {
        out_ << (file.empty() ? "(outside the sandbox)\n" : "(no such file)\n");
        return;
    }
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Files name sandbox paths too (console lines, logs): shown as in `shell`.
    content = replaceAll(content, options_.board.root, "ROOT");
    out_ << content;
    if (!content.empty() && content.back() != '\n') out_ << "\n";
}

namespace {

// The query's rows as `sql` shows them: columns joined by "|", one row a line.
bool queryDatabase(const std::string& file, const std::string& query, std::string* rows,
                   std::string* error) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        *error = sqlite3_errmsg(db);
    else if (!statement || !sqlite3_stmt_readonly(statement))
        *error = "only read-only queries are allowed";
    int rc = SQLITE_ROW;
    while (error->empty() && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            const unsigned char* value = sqlite3_column_text(statement, column);
            *rows += (column ? "|" : "") +
                     std::string(value ? reinterpret_cast<const char*>(value) : "");
        }
        *rows += "\n";
    }
    if (error->empty() && rc != SQLITE_DONE) *error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    if (rows->empty()) *rows = "(no rows)\n";
    return error->empty();
}

std::string indented(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "  |" + line + "\n";
    return text.empty() ? "  (nothing)\n" : text;
}

}  // namespace

void Runner::runSql(const Command& command) {
    std::string rows, error;
    if (queryDatabase(options_.board.root + "/home/pi/kalventrix-db", command.text, &rows, &error))
        out_ << rows;
    else
        failure(command, "  sql error: " + error + "\n");
}

// Exact: the rows as `sql` shows them, "\n" written between rows.
void Runner::expectSql(const Command& command) {
    ++expectations_;
    std::string rows, error;
    if (!queryDatabase(options_.board.root + "/home/pi/kalventrix-db", command.text, &rows,
                       &error)) {
        failure(command, "  sql error: " + error + "\n");
        return;
    }
    rows.pop_back();
    const std::string expected = replaceAll(command.expected, "\\n", "\n");
    if (rows == expected) return;
    failure(command, "  expected: " + quoted(oneLine(expected)) +
                         "\n  actual:   " + quoted(oneLine(rows)) + "\n");
}

std::size_t Runner::checkAmong(const std::vector<std::string>& lines, const Command& command,
                               const std::string& what) {
    ++expectations_;
    const bool wanted = command.op == Op::ExpectShell || command.op == Op::ExpectRequest;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(command.text) == std::string::npos) continue;
        if (wanted) return i + 1;
        failure(command, "  unexpected " + what + ": " + lines[i] + "\n");
        return lines.size();
    }
    if (wanted)
        failure(command, "  expected a " + what + " containing " + quoted(command.text) +
                             "\n  unchecked " + what + "s:\n" + indented(lines));
    return lines.size();
}

void Runner::expectShell(const Command& command) {
    std::vector<std::string> lines;
    for (const ShellRecord& record : shell_) lines.push_back(printable(record.command));
    const std::size_t checked = checkAmong(lines, command, "shell command");
    shell_.erase(shell_.begin(), shell_.begin() + static_cast<std::ptrdiff_t>(checked));
}

// The lines the server logged since the last read, without their date, time
// and client address: "/import-kalventrix.php?OPT=P&J=1&L=1 200 raspberrypi".
void Runner::readNewRequests() {
    std::ifstream in(options_.serverLog, std::ios::binary);
    if (!in || requestLogRead_ < 0) return;
    in.seekg(0, std::ios::end);
    const long long size = in.tellg();
    if (size < requestLogRead_) requestLogRead_ = 0;  // a new log
    in.seekg(requestLogRead_);
    std::string line;
    while (std::getline(in, line) && !in.eof()) {
        requestLogRead_ += static_cast<long long>(line.size()) + 1;
        std::size_t field = 0;
        for (int blanks = 0; blanks < 3 && field != std::string::npos; ++blanks)
            field = line.find(' ', field == 0 ? 0 : field + 1);
        requests_.push_back(field == std::string::npos ? line : line.substr(field + 1));
    }
}

void Runner::expectRequest(const Command& command) {
    if (options_.serverLog.empty()) {
        ++expectations_;
        failure(command, "  no server log (--server-log FILE)\n");
        return;
    }
    readNewRequests();
    const std::size_t checked = checkAmong(requests_, command, "server request");
    requests_.erase(requests_.begin(), requests_.begin() + static_cast<std::ptrdiff_t>(checked));
}

// expect-file: the file holds the text ("" for an empty file); expect-no-file:
// the file is missing, or does not hold the text.
void Runner::expectFile(const Command& command) {
    ++expectations_;
    const std::string file = resolveSandboxPath(options_.board.root, command.text);
    std::ifstream in(file, std::ios::binary);
    const bool exists = !file.empty() && in.good();
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    content = replaceAll(content, options_.board.root, "ROOT");
    const bool holds =
        exists && (command.expected.empty() ? content.empty()
                                            : content.find(command.expected) != std::string::npos);
    const bool wanted = command.op == Op::ExpectFile;
    const bool present = command.hasExpected ? holds : exists;
    if (present == wanted) return;
    failure(command, exists ? "  the file holds:\n" + indented({oneLine(content)})
                            : std::string("  (no such file)\n"));
}

// Like a pulled plug: no exit, nothing flushed; the power comes back at once.
void Runner::cutPower() {
    if (link_) link_->stop();
    out_ << "[" << formatTime(now_) << "] power cut\n";
    if (startProgram()) {
        out_ << "[" << formatTime(now_) << "] program started again\n";
    } else {
        out_ << "cannot start the program\n";
        scriptError_ = true;
    }
}

bool Runner::execute(const Command& command) {
    if (!ensureStarted()) return false;
    out_ << "[" << formatTime(now_) << "] > " << command.source << "\n";
    switch (command.op) {
        case Op::Press:
        case Op::Hold:
            press(command.key, static_cast<Micros>(command.millis) * kMs);
            break;
        case Op::Down:
        case Op::Up:
            keyEdge(command.key, command.op == Op::Down);
            break;
        case Op::Turn:
            turn(command.count, static_cast<Micros>(command.millis) * kMs);
            break;
        case Op::Wait:
            advance(now_ + static_cast<Micros>(command.millis) * kMs);
            break;
        case Op::Until:
            until(command);
            break;
        case Op::Expect:
            expectRow(command);
            break;
        case Op::ExpectPrinter:
            expectPrinter(command);
            break;
        case Op::Lcd:
            out_ << renderGlass(glass_);
            break;
        case Op::Printer:
            showPrinter();
            break;
        case Op::PrinterPng:
            savePaperPng(command);
            break;
        case Op::Shell:
            showShell();
            break;
        case Op::File:
            showFile(command.text);
            break;
        case Op::Sql:
            runSql(command);
            break;
        case Op::ExpectShell:
        case Op::ExpectNoShell:
            expectShell(command);
            break;
        case Op::ExpectRequest:
        case Op::ExpectNoRequest:
            expectRequest(command);
            break;
        case Op::ExpectSql:
            expectSql(command);
            break;
        case Op::ExpectFile:
        case Op::ExpectNoFile:
            expectFile(command);
            break;
        case Op::PowerCut:
            cutPower();
            break;
        case Op::Repeat:
        case Op::End:  // unfolded before the run
            break;
        case Op::Quit:
            return false;
    }
    if (options_.flushEachCommand) out_.flush();
    return true;
}

void Runner::reportScriptError(int line, const std::string& message) {
    scriptError_ = true;
    std::string text = "script error, line " + std::to_string(line) + ": " + message + "\n";
    out_ << text;
    std::cerr << text;
}

int Runner::finish() {
    if (link_) {
        link_->stop();
        link_.reset();
    }
    if (scriptError_) {
        out_ << "end: script error\n";
    } else if (failures_) {
        out_ << "end: " << failures_ << " failure(s), " << expectations_ << " expectation(s)\n";
    } else {
        out_ << "end: all " << expectations_ << " expectation(s) held\n";
    }
    out_.flush();
    if (scriptError_) return kScriptError;
    return failures_ ? kExpectationFailed : kAllHeld;
}

namespace {

// Runs the commands with their repeat blocks unfolded; false when the script
// ends here (a faulty block, reported, or a command that ends the run).
bool runUnfolded(const std::vector<Command>& commands, Runner& runner) {
    int errorLine = 0;
    std::string error;
    const std::vector<Command> unfolded = unfoldRepeats(commands, &errorLine, &error);
    if (!error.empty()) {
        runner.reportScriptError(errorLine, error);
        return false;
    }
    for (const Command& command : unfolded)
        if (!runner.execute(command)) return false;
    return true;
}

}  // namespace

int runScript(std::istream& in, Runner& runner) {
    std::vector<Command> commands;
    bool valid = true;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        ParseResult parsed = parseLine(line, number);
        if (!parsed.ok()) runner.reportScriptError(number, parsed.error);
        valid = valid && parsed.ok();
        if (parsed.command) commands.push_back(*parsed.command);
    }
    if (valid) runUnfolded(commands, runner);
    return runner.finish();
}

// A "repeat" block runs once its "end" has arrived; one left open is reported.
int runStreaming(std::istream& in, Runner& runner) {
    std::string line;
    std::vector<Command> block;
    int depth = 0;
    bool going = true;
    for (int number = 1; going && std::getline(in, line); ++number) {
        ParseResult parsed = parseLine(line, number);
        if (!parsed.ok()) {
            runner.reportScriptError(number, parsed.error);
            return runner.finish();
        }
        if (!parsed.command) continue;
        if (parsed.command->op == Op::Repeat) ++depth;
        if (parsed.command->op == Op::End) --depth;
        block.push_back(*parsed.command);
        if (depth > 0) continue;
        going = runUnfolded(block, runner);
        block.clear();
        depth = 0;
    }
    if (going && depth > 0) runUnfolded(block, runner);
    return runner.finish();
}

}  // namespace sim::runner
