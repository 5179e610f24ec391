// Connection and parameter store.
#include "db/fn_sqlite.h"

#include <sqlite3.h>

#include <cstdlib>
#include <iostream>

#include "db/fn_sqlite_stmt.h"

using kvdb::Statement;

namespace {

// The engine's message when the settings table cannot be queried, else "".
std::string settingsTableProblem(sqlite3* handle) {
    sqlite3_stmt* stmt = nullptr;
    std::string problem;
    if (sqlite3_prepare_v2(handle, "SELECT count(*) FROM param;", -1, &stmt, nullptr) != SQLITE_OK)
        problem = sqlite3_errmsg(handle);
    sqlite3_finalize(stmt);
    return problem;
}

}  // namespace

RpSqlite::RpSqlite(std::string path, int* rc) : dbPath(std::move(path)) {
    int code = sqlite3_open(dbPath.c_str(), &handle);
    if (code != SQLITE_OK) {
        std::cout << "Can't open database : " << sqlite3_errmsg(handle) << " return code : " << code
                  << std::endl;
        *rc = -1;
        return;
    }
    // The sqlite3 shell may be applying a downloaded script to the same file.
    sqlite3_busy_timeout(handle, 2000);
    // A stored sheet must survive a power cut: every commit is synced, and the
    // write-ahead log makes that one sync instead of several. Switching to it
    // writes the file, so a file without the terminal's tables (empty, or no
    // database at all) is left exactly as found for whoever repairs the card.
    if (settingsTableProblem(handle).empty())
        sqlite3_exec(handle, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr,
                     nullptr);
    *rc = 1;
}

RpSqlite::~RpSqlite() {
    sqlite3_close(handle);
}

int RpSqlite::callback(void*, int, char**, char**) {
    return 0;
}

int RpSqlite::callback_mod(void*, int, char**, char**) {
    return 0;
}

std::string RpSqlite::test_connection() {
    const std::string problem = settingsTableProblem(handle);
    if (problem.empty()) return "OK";
    std::cout << "error: " << problem << std::endl;
    return problem;
}

std::string RpSqlite::read_param(std::string key) {
    Statement query(handle, "SELECT valeur FROM param WHERE cle = ?");
    query.bind(1, key);
    std::string value;
    while (query.next()) value = query.text(0);
    return value;
}

int RpSqlite::read_param(std::string key, std::string* valeur, std::string* lib,
                         std::string* type) {
    Statement query(handle, "SELECT cle, valeur, lib, type FROM param WHERE cle = ?");
    if (!query.ok()) return -1;
    query.bind(1, key);
    while (query.next()) {
        *valeur = query.text(1);
        *lib = query.text(2);
        *type = query.text(3);
    }
    return query.failed() ? 0 : 1;
}

std::string RpSqlite::get_param_string(std::string key) {
    return read_param(key);
}

int RpSqlite::get_param_int(std::string key) {
    return std::atoi(read_param(key).c_str());
}

bool RpSqlite::get_param_bool(std::string key) {
    return read_param(key) == "1";
}

int RpSqlite::write_param(std::string key, std::string value) {
    Statement update(handle, "UPDATE param SET valeur = ? WHERE cle = ?", kvdb::kExecError);
    update.bind(1, value).bind(2, key);
    return update.run() ? 1 : -1;
}

int RpSqlite::write_param(std::string key, int value) {
    // Bound as an integer, so the value is stored unquoted as before.
    Statement update(handle, "UPDATE param SET valeur = ? WHERE cle = ?;", kvdb::kExecError);
    update.bind(1, value).bind(2, key);
    return update.run() ? 1 : -1;
}

namespace {

std::string containing(const std::string& pattern) {
    return "%" + pattern + "%";
}

}  // namespace

int RpSqlite::read_nb_params(std::string pattern) {
    Statement query(handle, "SELECT count(*) FROM param WHERE cle LIKE ?");
    if (!query.ok()) return -1;
    query.bind(1, containing(pattern));
    int count = 0;
    while (query.next()) count = query.columnInt(0);
    return count;
}

std::string RpSqlite::read_param_n(std::string pattern, int n) {
    Statement query(handle,
                    "SELECT cle, valeur, lib, type FROM param WHERE cle LIKE ?"
                    " ORDER BY cle LIMIT ?,1");
    if (!query.ok()) return "-1";
    query.bind(1, containing(pattern)).bind(2, n);
    std::string key;
    while (query.next()) key = query.text(0);
    return query.failed() ? "-2" : key;
}

int RpSqlite::read_params(std::string pattern, int first, std::string* cle, std::string* valeur,
                          std::string* lib, std::string* type, int count) {
    int slot = 0;
    if (first == 0) {
        cle[0] = valeur[0] = lib[0] = type[0] = "";
        slot = 1;
    }
    Statement query(handle,
                    "SELECT cle, valeur, lib, type FROM param WHERE cle like ?"
                    " ORDER BY cle LIMIT ? OFFSET ?");
    if (!query.ok()) return -1;
    // With first 0 the offset is -1, which the engine takes as 0.
    query.bind(1, containing(pattern)).bind(2, count).bind(3, first - 1);
    bool stored = false;
    while (slot < count && query.next()) {
        cle[slot] = query.text(0);
        valeur[slot] = query.text(1);
        lib[slot] = query.text(2);
        type[slot] = query.text(3);
        ++slot;
        stored = true;
    }
    if (slot < 3 && count > 2) cle[2] = valeur[2] = lib[2] = type[2] = "";
    if (query.failed() || !stored) return -2;
    return 0;
}
