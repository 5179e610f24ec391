// Helpers for code that runs the program's screens on one virtual board for
// the whole executable: keys and knob at virtual times, views of the glass,
// the paper and the shell, the store, the board's stub tools and a watchdog.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sim/board.h"

namespace kv_test {

sim::Board& board();
// The board's time this many milliseconds from now.
sim::Micros atMillis(unsigned int ms);

// Keys and encoder, at a time counted in milliseconds from now.
void press(const std::string& key, unsigned int atMs, unsigned int holdMs = 100);
void turn(int detents, unsigned int atMs, unsigned int msPerDetent);
// Lets the board run (handlers included) for this long.
void waitMillis(unsigned int ms);

std::string glassRow(int row);  // custom glyphs show as '#'
// Copies the four glass rows at a time counted in milliseconds from now.
void captureGlassAt(unsigned int atMs, std::vector<std::string>* rows);
std::size_t shellCount();
std::vector<std::string> shellSince(std::size_t from);
// Times (microseconds) of the commands since `from` that contain `text`.
std::vector<unsigned long long> shellTimesSince(std::size_t from, const std::string& text);
std::vector<std::string> paperLines();  // printed since the last call
bool contains(const std::vector<std::string>& lines, const std::string& text);
int countContaining(const std::vector<std::string>& lines, const std::string& text);

// The program's store: a failed statement fails the test.
void exec(const std::string& sql);
int sqlInt(const std::string& query);  // first column of the first row, -999 for none
// A setting, in place of any row of that key.
void setParam(const std::string& key, const std::string& value, const std::string& label = "",
              const std::string& type = "1");

// Display and printer set up once for the executable, as the program does.
void setUpDevicesOnce();
// The board's stub tools, so that no command of a screen reaches the host,
// and the folders the terminal writes to.
void installStubTools();
// The context of a judge at work: judge 4, competition 3, flight 2, pilot 12
// on schedule F25 in English, server link on.
void useJudgingContext();

// Ends the run when a screen still waits for keys after `ms` of board time;
// a test disarms it when it ends.
void armWatchdog(unsigned int ms);
void disarmWatchdog();

}  // namespace kv_test
