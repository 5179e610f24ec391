// Test support for the database tests: a fresh store per test, made from the
// shipped schema.
#pragma once

#include <gtest/gtest.h>

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
// Runs SQL on a connection of its own; fails the test when the engine refuses it.
void execSql(const std::string& file, const std::string& sql);
// First column of the first row of a query, as text ("" when no row).
std::string queryText(const std::string& file, const std::string& sql);

// Standard output while `run` runs.
template <typename Run>
std::string outputOf(Run run) {
    ::testing::internal::CaptureStdout();
    run();
    return ::testing::internal::GetCapturedStdout();
}

class DbTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    void exec(const std::string& sql) { execSql(file, sql); }
    std::string value(const std::string& sql) { return queryText(file, sql); }
    int count(const std::string& sql) { return std::stoi(value(sql)); }
    // Opens the store again, after the test changed the tables under it.
    void reopen() { store = std::make_unique<RpSqlite>(file, &rc); }
    // A schedule with figures of the given kinds, labelled "<name> fig <n>".
    void addSchedule(int prgid, const std::string& name, const std::string& lang,
                     const std::vector<int>& options);

    std::string file;
    int rc = 0;
    std::unique_ptr<RpSqlite> store;
};

}  // namespace dbtest
