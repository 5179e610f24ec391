#include "tests/support/files.h"

#include <fstream>
#include <sstream>

namespace kv_test {

std::string sourcePath(const std::string& relative) {
    return std::string(KALVENTRIX_SOURCE_DIR) + "/" + relative;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace kv_test
