// A platform layer for the server-link tests: shell commands are recorded
// (and optionally answered) instead of run, and absolute paths live under a
// folder of the test's working directory.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fakeplatform {

// Every command handed to platform::shell, in order.
extern std::vector<std::string> commands;
// Answers a command; by default commands do nothing and return 0.
extern std::function<int(const std::string&)> onShell;

// Clears the record, restores the default answer, and empties the folder
// that absolute paths map to.
void reset();
// The folder that stands for "/".
std::string root();
// Writes `text` to the file that `absolute` maps to, making its folders.
void writeFile(const std::string& absolute, const std::string& text);
std::string readFile(const std::string& absolute);

}  // namespace fakeplatform
