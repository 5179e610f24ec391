// The runner's reads of the terminal's files and database, which must stay
// inside the sandbox and change nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <sstream>

#include "sim/runner/runner.h"
#include "tests/support/runner_fake_link.h"

using namespace sim::runner;

TEST(RunnerReads, PathsResolveInsideTheSandboxOnly) {
    const std::pair<const char*, const char*> paths[] = {
        {"/home/pi/txt/eeprom.txt", "/box/home/pi/txt/eeprom.txt"},
        {"txt/eeprom.txt", "/box/home/pi/txt/eeprom.txt"},
        {"/home/pi/../secret.txt", ""},
        {"..", ""},
        {"a/../../b", ""}};
    for (auto [path, file] : paths) EXPECT_EQ(resolveSandboxPath("/box", path), file) << path;
}

TEST(RunnerReads, QueriesOnlyRead) {
    const std::string root = (std::filesystem::current_path() / "sql-root").string();
    std::filesystem::create_directories(root + "/home/pi");
    sqlite3* db = nullptr;
    sqlite3_open((root + "/home/pi/kalventrix-db").c_str(), &db);
    sqlite3_exec(db,
                 "DROP TABLE IF EXISTS param; CREATE TABLE param(key TEXT, value TEXT, label TEXT);"
                 "INSERT INTO param VALUES ('KALVENTRIX_LANG', 'FR', NULL), ('KALVENTRIX_WIFI', "
                 "'1', 'WiFi');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    RunOptions options;
    options.board.root = root;
    runner_test::FakeBoard board;
    std::ostringstream out;
    std::istringstream script(
        "sql \"SELECT * FROM param ORDER BY key\"\nsql \"SELECT key FROM param WHERE 0\"\n"
        "sql \"DELETE FROM param\"\nsql \"SELECT x FROM nowhere\"\nsql \"SELECT count(*) FROM "
        "param\"\n");
    Runner runner(options, runner_test::fakeFactory(board), out);
    EXPECT_EQ(runScript(script, runner), kExpectationFailed);
    EXPECT_EQ(
        out.str(),
        "[0.000] > sql \"SELECT * FROM param ORDER BY key\"\nKALVENTRIX_LANG|FR|\n"
        "KALVENTRIX_WIFI|1|WiFi\n[0.000] > sql \"SELECT key FROM param WHERE 0\"\n(no rows)\n"
        "[0.000] > sql \"DELETE FROM param\"\nFAIL line 3: sql \"DELETE FROM param\"\n"
        "  sql error: only read-only queries are allowed\n"
        "[0.000] > sql \"SELECT x FROM nowhere\"\nFAIL line 4: sql \"SELECT x FROM nowhere\"\n"
        "  sql error: no such table: nowhere\n"
        "[0.000] > sql \"SELECT count(*) FROM param\"\n2\nend: 2 failure(s), 0 expectation(s)\n");
}
