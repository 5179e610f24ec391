// Test support for the database tests: fresh database files made from the
// shipped schema, and small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "db/fn_sqlite.h"
#include "tests/support/files.h"

namespace dbtest {

using kv_test::readFile;
using kv_test::sourcePath;
using kv_test::writeFile;

// Points the terminal's absolute paths at `folder` (created; "" for the working
// directory), so that tests running side by side do not share files.
void useRoot(const std::string& folder);

// Runs SQL on a separate connection; fails the test when the engine refuses it.
void execSql(const std::string& file, const std::string& sql);
// First column of the first row of a query, as text ("" when no row).
std::string queryText(const std::string& file, const std::string& sql);

// Each test gets its own database file with the six tables.
class DbTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    void exec(const std::string& sql) { execSql(file, sql); }
    std::string value(const std::string& sql) { return queryText(file, sql); }
    int count(const std::string& sql) { return std::stoi(queryText(file, sql)); }
    // Standard output between watch() and output() (gtest's own report goes
    // there too, so capture stays short).
    void watch();
    std::string output();

    void addParam(const std::string& key, const std::string& value,
                  const std::string& label = "Label", const std::string& type = "1");
    // A schedule with figures of the given kinds, labels "<name> fig <n>".
    void addSchedule(int prgid, const std::string& name, const std::string& lang,
                     const std::vector<int>& options);

    std::string file;
    int rc = 0;
    std::unique_ptr<RpSqlite> store;

  private:
    bool capturing = false;
};

}  // namespace dbtest
