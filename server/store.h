// The sheets the server has received and what it knows of each terminal,
// kept in SQLite (a file of the data folder, or memory).
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace server {

struct SheetKey {
    int comp = 0;
    int flight = 0;
    int judge = 0;
    int pilot = 0;
};

struct Sheet {
    SheetKey key;
    std::string terminal;
    std::map<int, std::string> marks;  // figure number from 1 -> value as sent
    std::string receivedAt;
};

struct TerminalSeen {
    std::string name;
    int judge = -1;
    int line = -1;
    std::string lastRequest;
    std::string lastTime;
};

class Store {
  public:
    // ":memory:" keeps nothing on disk.
    explicit Store(const std::string& file);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    bool ok() const { return db_ != nullptr; }
    // Adds or replaces the given figure values of a sheet, in one transaction.
    bool saveMarks(const SheetKey& key, const std::string& terminal,
                   const std::map<int, std::string>& marks, const std::string& when);
    std::vector<Sheet> sheets();
    // Figures stored for a sheet.
    int markCount(const SheetKey& key);
    // Whether `terminal` (or the judge it last worked as) has a complete sheet.
    bool hasComplete(int comp, int flight, int pilot, const std::string& terminal, int judge,
                     int figures);

    void seeTerminal(const std::string& name, int judge, int line, const std::string& request,
                     const std::string& when);
    TerminalSeen terminal(const std::string& name);
    std::vector<TerminalSeen> terminals();

  private:
    bool exec(const std::string& sql);

    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

}  // namespace server
