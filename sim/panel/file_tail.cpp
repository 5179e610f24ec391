#include "sim/panel/file_tail.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

namespace sim::panel {

namespace {

long long sizeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

constexpr long long kMostPerPoll = 1 << 20;

}  // namespace

FileTail::FileTail(std::string path) : path_(std::move(path)) {
    long long size = sizeOf(path_);
    offset_ = size > 0 ? size : 0;
}

std::vector<std::string> FileTail::poll() {
    std::vector<std::string> lines;
    if (path_.empty()) return lines;
    long long size = sizeOf(path_);
    if (size < 0) return lines;
    if (size < offset_) {  // truncated or replaced
        offset_ = 0;
        partial_.clear();
    }
    if (size == offset_) return lines;
    std::ifstream in(path_, std::ios::binary);
    if (!in.seekg(offset_)) return lines;
    std::string chunk(static_cast<std::size_t>(std::min(size - offset_, kMostPerPoll)), '\0');
    in.read(&chunk[0], static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    offset_ += static_cast<long long>(chunk.size());
    partial_ += chunk;
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string line = partial_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    partial_.erase(0, start);
    return lines;
}

}  // namespace sim::panel
