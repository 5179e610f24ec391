#include "db/fn_sqlite_stmt.h"

#include <cstdlib>
#include <iostream>

namespace kvdb {

const char* const kQueryError = "error: ";
const char* const kExecError = "SQL error : ";

void report(const char* prefix, sqlite3* handle) {
    std::cout << prefix << sqlite3_errmsg(handle) << std::endl;
}

Statement::Statement(sqlite3* handle, const std::string& sql, const char* errorPrefix)
    : handle(handle), errorPrefix(errorPrefix) {
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        report(errorPrefix, handle);
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt);
}

Statement& Statement::bind(int index, int value) {
    sqlite3_bind_int(stmt, index, value);
    return *this;
}

Statement& Statement::bind(int index, const std::string& value) {
    sqlite3_bind_text(stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bind(int index, long long value) {
    sqlite3_bind_int64(stmt, index, value);
    return *this;
}

Statement& Statement::bind(int index, double value) {
    sqlite3_bind_double(stmt, index, value);
    return *this;
}

Statement& Statement::bindNull(int index) {
    sqlite3_bind_null(stmt, index);
    return *this;
}

bool Statement::next() {
    if (!stmt || stepFailed) return false;
    int code = sqlite3_step(stmt);
    if (code == SQLITE_ROW) return true;
    if (code != SQLITE_DONE) {
        stepFailed = true;
        report(errorPrefix, handle);
    }
    return false;
}

bool Statement::run() {
    while (next()) {
    }
    return ok() && !stepFailed;
}

void Statement::reset() {
    sqlite3_reset(stmt);
    stepFailed = false;
}

std::string Statement::text(int column) const {
    const unsigned char* value = sqlite3_column_text(stmt, column);
    return value ? reinterpret_cast<const char*>(value) : "";
}

int Statement::integer(int column) const {
    return std::atoi(text(column).c_str());
}

int Statement::columnInt(int column) const {
    return sqlite3_column_int(stmt, column);
}

Transaction::Transaction(sqlite3* handle) : handle(handle) {
    open = sqlite3_exec(handle, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!open) report(kExecError, handle);
}

Transaction::~Transaction() {
    if (open) sqlite3_exec(handle, "ROLLBACK;", nullptr, nullptr, nullptr);
}

bool Transaction::commit() {
    if (!open) return false;
    if (sqlite3_exec(handle, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        report(kExecError, handle);
        return false;
    }
    open = false;
    return true;
}

}  // namespace kvdb
