// A platform layer for the server-link tests: shell commands go to `onShell`
// (nothing by default), and absolute paths live under a folder of the test's
// working directory.
#pragma once

#include <functional>
#include <string>

namespace fakeplatform {

// Empties the folder that absolute paths map to.
void reset();
// The folder that stands for "/".
std::string root();
// Writes `text` to the file that `absolute` maps to, making its folders.
void writeFile(const std::string& absolute, const std::string& text);
std::string readFile(const std::string& absolute);
// Stands in for the shell; reset() puts back one that does nothing.
extern std::function<int(const std::string&)> onShell;

}  // namespace fakeplatform
