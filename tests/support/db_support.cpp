#include "tests/support/db_support.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/fn_utils_text.h"

#ifdef DB_TEST_SIM_BOARD
#include "sim/board.h"
#endif

namespace dbtest {

void useRoot(const std::string& folder) {
    char cwd[4096];
    std::string root = getcwd(cwd, sizeof cwd) ? cwd : ".";
    if (!folder.empty()) std::system(("mkdir -p '" + (root += "/" + folder) + "'").c_str());
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
    int code =
        sqlite3_exec(handle, ("BEGIN;" + sql + "\n;COMMIT;").c_str(), nullptr, nullptr, &error);
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
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(handle) << "\n" << sql;
    else if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
        result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return result;
}

void DbTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    file = std::string(info->test_suite_name()) + "." + info->name() + ".db";
    std::remove(file.c_str());
    execSql(file, readFile(sourcePath("data/schema.sql")));
    reopen();
}

void DbTest::TearDown() {
    store.reset();
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((file + suffix).c_str());
}

void DbTest::addSchedule(int prgid, const std::string& name, const std::string& lang,
                         const std::vector<int>& options) {
    const std::string quoted = ReplaceAll(name, "'", "''");
    std::string sql =
        "INSERT INTO zeph_programme (prgid, prglibelle, prgshortname, prglang, typeid,"
        " catid) VALUES (" +
        std::to_string(prgid) + ", 'x', '" + quoted + "', '" + lang + "', 1, 1);";
    for (size_t i = 0; i < options.size(); ++i) {
        sql +=
            "INSERT INTO zeph_figure (figid, prgid, figposition, figdescription, figshortdesc,"
            " figoption) VALUES (" +
            std::to_string(prgid * 100 + i) + ", " + std::to_string(prgid) + ", " +
            std::to_string(i + 1) + ", 'long', '" + quoted + " fig " + std::to_string(i) + "', " +
            std::to_string(options[i]) + ");";
    }
    exec(sql);
}

}  // namespace dbtest
