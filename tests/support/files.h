// File helpers shared by the test programs.
#pragma once

#include <string>

namespace kv_test {

// A file of the source tree, from its path relative to the top.
std::string sourcePath(const std::string& relative);
// The whole file, byte for byte ("" when it cannot be read).
std::string readFile(const std::string& path);
// Replaces the file with `text`.
void writeFile(const std::string& path, const std::string& text);

}  // namespace kv_test
