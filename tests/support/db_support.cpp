#include "tests/support/db_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#ifdef DB_TEST_SIM_BOARD
#include "sim/board.h"
#endif

namespace dbtest {

void useRoot(const std::string& folder) {
    char cwd[4096];
    std::string root = getcwd(cwd, sizeof cwd) ? cwd : ".";
    if (!folder.empty()) {
        root += "/" + folder;
        std::system(("mkdir -p '" + root + "'").c_str());
    }
    setenv("KALVENTRIX_ROOT", root.c_str(), 1);
#ifdef DB_TEST_SIM_BOARD
    sim::Board::reset();
#endif
}

void execSql(const std::string& file, const std::string& sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &handle), SQLITE_OK);
    char* error = nullptr;
    // One transaction: one sync of the file instead of one per statement.
    std::string batch = "BEGIN;" + sql + "\n;COMMIT;";
    int code = sqlite3_exec(handle, batch.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(handle);
    ASSERT_EQ(code, SQLITE_OK) << message << "\n" << sql.substr(0, 300);
}

std::string queryText(const std::string& file, const std::string& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open(file.c_str(), &handle);
    sqlite3_stmt* stmt = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0)) {
        result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    } else if (!stmt) {
        ADD_FAILURE() << sqlite3_errmsg(handle) << "\n" << sql;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return result;
}

void DbTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    file = std::string(info->test_suite_name()) + "." + info->name() + ".db";
    static const std::string empty = [] {
        const std::string name = "schema-" + std::to_string(getpid()) + ".db";
        std::remove(name.c_str());
        execSql(name, readFile(sourcePath("data/schema.sql")));
        std::string bytes = readFile(name);
        std::remove(name.c_str());
        return bytes;
    }();
    writeFile(file, empty);
    store = std::make_unique<RpSqlite>(file, &rc);
}

void DbTest::TearDown() {
    store.reset();
    for (const char* suffix : {"-wal", "-shm"}) std::remove((file + suffix).c_str());
    if (capturing) ::testing::internal::GetCapturedStdout();
    std::remove(file.c_str());
}

void DbTest::watch() {
    if (capturing) ::testing::internal::GetCapturedStdout();
    ::testing::internal::CaptureStdout();
    capturing = true;
}

std::string DbTest::output() {
    if (!capturing) return "";
    capturing = false;
    return ::testing::internal::GetCapturedStdout();
}

void DbTest::addParam(const std::string& key, const std::string& value, const std::string& label,
                      const std::string& type) {
    sqlite3* handle = nullptr;
    sqlite3_open(file.c_str(), &handle);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO param (cle, valeur, lib, type) VALUES (?,?,?,?)", -1,
                       &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, value.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 3, label.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 4, type.c_str(), -1, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
}

void DbTest::addSchedule(int prgid, const std::string& name, const std::string& lang,
                         const std::vector<int>& options) {
    std::string quoted;
    for (char c : name) quoted += (c == '\'') ? std::string("''") : std::string(1, c);
    std::ostringstream sql;
    sql << "INSERT INTO zeph_programme (prgid, prglibelle, prgshortname, prglang, typeid, catid)"
        << " VALUES (" << prgid << ", 'x', '" << quoted << "', '" << lang << "', 1, 1);";
    for (size_t i = 0; i < options.size(); ++i) {
        sql << "INSERT INTO zeph_figure (figid, prgid, figposition, figdescription, figshortdesc,"
            << " figoption) VALUES (" << prgid * 100 + static_cast<int>(i) << ", " << prgid << ", "
            << i + 1 << ", 'long', '" << quoted << " fig " << i << "', " << options[i] << ");";
    }
    exec(sql.str());
}

}  // namespace dbtest
