// Follows a text file that another process appends to (the program's console,
// the server's request log) and hands over each complete new line once.
#pragma once

#include <string>
#include <vector>

namespace sim::panel {

class FileTail {
  public:
    // Starts at the file's present end: what was there before is not news.
    explicit FileTail(std::string path);

    // The lines completed since the last call. A line still being written
    // waits for its end; a file that was emptied or replaced is read anew.
    std::vector<std::string> poll();

  private:
    std::string path_;
    long long offset_ = 0;
    std::string partial_;
};

}  // namespace sim::panel
