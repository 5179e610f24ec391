// Statement helpers shared by the database sources: every value is bound,
// never spliced into the statement text.
#pragma once

#include <sqlite3.h>

#include <string>

namespace kvdb {

// Message prefixes: queries report "error: ", statements that return no rows
// report "SQL error : ".
extern const char* const kQueryError;
extern const char* const kExecError;

// Writes the prefix, the engine's message and a line end to standard output.
void report(const char* prefix, sqlite3* handle);

class Statement {
  public:
    // Prepares sql; on failure reports it and ok() is false.
    Statement(sqlite3* handle, const std::string& sql, const char* errorPrefix = kQueryError);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt != nullptr; }

    Statement& bind(int index, int value);
    Statement& bind(int index, const std::string& value);
    Statement& bind(int index, long long value);
    Statement& bind(int index, double value);
    Statement& bindNull(int index);

    // Next row: true while rows come. After the last row, failed() tells whether
    // the statement ended in an error (already reported).
    bool next();
    bool failed() const { return stepFailed; }
    // Runs a statement that returns no rows; false (reported) when it fails.
    bool run();
    void reset();

    std::string text(int column) const;
    int integer(int column) const;  // atoi of the column text, as every reader does
    int columnInt(int column) const;

  private:
    sqlite3* handle;
    const char* errorPrefix;
    sqlite3_stmt* stmt = nullptr;
    bool stepFailed = false;
};

// BEGIN IMMEDIATE; rolled back unless commit() succeeded.
class Transaction {
  public:
    explicit Transaction(sqlite3* handle);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool ok() const { return open; }
    bool commit();

  private:
    sqlite3* handle;
    bool open = false;
};

}  // namespace kvdb
