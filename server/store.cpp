#include "server/store.h"

#include <sqlite3.h>

#include <cstdio>

namespace server {
namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS sheet (cmp INT, flight INT, judge INT, pilot INT,"
    " terminal TEXT, received TEXT, PRIMARY KEY (cmp, flight, judge, pilot));"
    "CREATE TABLE IF NOT EXISTS mark (cmp INT, flight INT, judge INT, pilot INT, fig INT,"
    " value TEXT, PRIMARY KEY (cmp, flight, judge, pilot, fig));"
    "CREATE TABLE IF NOT EXISTS terminal (name TEXT PRIMARY KEY, judge INT, line INT,"
    " request TEXT, seen TEXT);";

// A prepared statement with bound values, finalized when it goes out of scope.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement& bind(int value) {
        sqlite3_bind_int(stmt_, ++index_, value);
        return *this;
    }
    Statement& bind(const std::string& value) {
        sqlite3_bind_text(stmt_, ++index_, value.c_str(), -1, SQLITE_TRANSIENT);
        return *this;
    }
    bool step() { return stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_ROW; }
    bool run() { return stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_DONE; }
    int integer(int column) { return sqlite3_column_int(stmt_, column); }
    std::string text(int column) {
        const unsigned char* t = sqlite3_column_text(stmt_, column);
        return t ? reinterpret_cast<const char*>(t) : "";
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
    int index_ = 0;
};

}  // namespace

Store::Store(const std::string& file) {
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), sqlite3_errmsg(db_));
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    if (!exec(kSchema)) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

Store::~Store() {
    sqlite3_close(db_);
}

bool Store::exec(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) std::fprintf(stderr, "sql error: %s\n", error ? error : "?");
    sqlite3_free(error);
    return rc == SQLITE_OK;
}

bool Store::saveMarks(const SheetKey& key, const std::string& terminal,
                      const std::map<int, std::string>& marks, const std::string& when) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!exec("BEGIN")) return false;
    bool ok = Statement(db_, "REPLACE INTO sheet VALUES (?, ?, ?, ?, ?, ?)")
                  .bind(key.comp)
                  .bind(key.flight)
                  .bind(key.judge)
                  .bind(key.pilot)
                  .bind(terminal)
                  .bind(when)
                  .run();
    for (const auto& [fig, value] : marks) {
        ok = ok && Statement(db_, "REPLACE INTO mark VALUES (?, ?, ?, ?, ?, ?)")
                       .bind(key.comp)
                       .bind(key.flight)
                       .bind(key.judge)
                       .bind(key.pilot)
                       .bind(fig)
                       .bind(value)
                       .run();
    }
    exec(ok ? "COMMIT" : "ROLLBACK");
    return ok;
}

std::vector<Sheet> Store::sheets() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Sheet> out;
    Statement s(db_,
                "SELECT cmp, flight, judge, pilot, terminal, received FROM sheet"
                " ORDER BY cmp, flight, pilot, judge");
    while (s.step()) {
        Sheet sheet;
        sheet.key = {s.integer(0), s.integer(1), s.integer(2), s.integer(3)};
        sheet.terminal = s.text(4);
        sheet.receivedAt = s.text(5);
        out.push_back(sheet);
    }
    for (Sheet& sheet : out) {
        Statement m(db_,
                    "SELECT fig, value FROM mark WHERE cmp = ? AND flight = ? AND judge = ?"
                    " AND pilot = ? ORDER BY fig");
        m.bind(sheet.key.comp).bind(sheet.key.flight).bind(sheet.key.judge).bind(sheet.key.pilot);
        while (m.step()) sheet.marks[m.integer(0)] = m.text(1);
    }
    return out;
}

int Store::markCount(const SheetKey& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s(db_,
                "SELECT count(*) FROM mark WHERE cmp = ? AND flight = ? AND judge = ?"
                " AND pilot = ?");
    s.bind(key.comp).bind(key.flight).bind(key.judge).bind(key.pilot);
    return s.step() ? s.integer(0) : 0;
}

bool Store::hasComplete(int comp, int flight, int pilot, const std::string& terminal, int judge,
                        int figures) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s(db_,
                "SELECT count(*) FROM mark M JOIN sheet S ON S.cmp = M.cmp AND S.flight = M.flight"
                " AND S.judge = M.judge AND S.pilot = M.pilot"
                " WHERE M.cmp = ? AND M.flight = ? AND M.pilot = ? AND M.fig BETWEEN 1 AND ?"
                " AND (S.terminal = ? OR S.judge = ?)"
                " GROUP BY M.judge ORDER BY count(*) DESC LIMIT 1");
    s.bind(comp).bind(flight).bind(pilot).bind(figures).bind(terminal).bind(judge);
    return s.step() && s.integer(0) >= figures;
}

void Store::seeTerminal(const std::string& name, int judge, int line, const std::string& request,
                        const std::string& when) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement(db_,
              "INSERT INTO terminal VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT(name) DO UPDATE SET"
              " judge = CASE WHEN ?2 >= 0 THEN ?2 ELSE judge END,"
              " line = CASE WHEN ?3 >= 0 THEN ?3 ELSE line END, request = ?4, seen = ?5")
        .bind(name)
        .bind(judge)
        .bind(line)
        .bind(request)
        .bind(when)
        .run();
}

TerminalSeen Store::terminal(const std::string& name) {
    for (const TerminalSeen& t : terminals())
        if (t.name == name) return t;
    TerminalSeen unknown;
    unknown.name = name;
    return unknown;
}

std::vector<TerminalSeen> Store::terminals() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TerminalSeen> out;
    Statement s(db_, "SELECT name, judge, line, request, seen FROM terminal ORDER BY name");
    while (s.step()) out.push_back({s.text(0), s.integer(1), s.integer(2), s.text(3), s.text(4)});
    return out;
}

}  // namespace server
