// The sandbox that stands for the Pi's file system: what it refuses to make,
// what it keeps, the stand-in tools that keep the program's commands in it,
// and the runner's reads, which stay inside it and change nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/runner/runner.h"
#include "sim/runner/sandbox.h"
#include "tests/support/runner_fake_link.h"

namespace fs = std::filesystem;
using namespace sim::runner;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Not;

namespace {

fs::path scratch(const std::string& name) {
    return fs::temp_directory_path() / ("kv-sandbox-" + name + "-" + std::to_string(getpid()));
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Output and exit status of a command run as the program runs it: through
// sh in ROOT/home/pi, the stubs first in PATH.
std::string sh(const fs::path& root, const std::string& command) {
    FILE* pipe = popen(("cd '" + root.string() + "/home/pi' && KALVENTRIX_ROOT='" + root.string() +
                        "' KALVENTRIX_WALLTIME=1750000000 PATH='" + root.string() +
                        "/.sim/bin:" + getenv("PATH") + "' sh -c '" + command + "' 2>&1")
                           .c_str(),
                       "r");
    std::string out;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    return out + "status " + std::to_string(WEXITSTATUS(pclose(pipe)));
}

}  // namespace

// Made from the source tree: the factory settings name a server on a private
// network, so a fresh database names loopback; a second run keeps what is there.
TEST(Sandbox, IsMadeOnceKeptAfterwardsAndTalksToLoopbackOnly) {
    const fs::path base = scratch("made"), root = base / "root";
    fs::remove_all(base);
    SandboxOptions options;
    options.root = root.string();
    options.sourceDir = KALVENTRIX_SOURCE_DIR;
    ASSERT_TRUE(prepareSandbox(options).ok());
    EXPECT_EQ(sh(root, "sqlite3 kalventrix-db \"SELECT cle, valeur FROM param\" | grep _IPServer"),
              "KALVENTRIX_IPServer|127.000.000.001\nstatus 0");
    std::ofstream(root / "home/pi/kalventrix-db") << "my own";
    std::ofstream(root / "home/pi/txt/eeprom.txt") << "4321--21\n";
    std::ofstream(root / ".sim/bin/ping") << "stale";
    ASSERT_TRUE(prepareSandbox(options).ok());
    EXPECT_EQ(readFile(root / "home/pi/kalventrix-db"), "my own");
    EXPECT_EQ(readFile(root / "home/pi/txt/eeprom.txt"), "4321--21\n");
    EXPECT_EQ(readFile(root / ".sim/bin/ping"),
              readFile(fs::path(KALVENTRIX_SOURCE_DIR) / "sim/stubs/ping"));
    std::ofstream(base / "outside.txt") << "keep me";
    const std::string outside = (base / "outside.txt").string();
    EXPECT_THAT(sh(root, "sudo rm -f " + outside), HasSubstr("outside the sandbox"));
    EXPECT_THAT(sh(root, "rm -f ../../../outside.txt"), Not(EndsWith("status 0")));
    EXPECT_THAT(sh(root, "echo x | sudo tee " + outside), Not(EndsWith("status 0")));
    EXPECT_THAT(sh(root, "curl -s -o " + outside + " http://127.0.0.1:9/"),
                Not(EndsWith("status 0")));
    EXPECT_EQ(readFile(base / "outside.txt"), "keep me");
    EXPECT_EQ(sh(root, "echo in | sudo tee txt/in.txt >/dev/null && rm txt/in.txt"), "status 0");
    fs::remove_all(base);
}

TEST(Sandbox, WhatCannotBeMadeSafelyIsRefused) {
    const fs::path base = scratch("refused");
    fs::remove_all(base);
    fs::create_directories(base / "source/sim");  // no stubs
    std::ofstream(base / "plain-file") << "x";
    auto refusal = [&base](const std::string& root, const std::string& eeprom,
                           const std::string& ssid) {
        SandboxOptions options;
        options.root = root;
        options.sourceDir = (base / "source").string();
        if (!eeprom.empty()) options.eeprom = eeprom;
        options.network.ssid = ssid;
        return prepareSandbox(options).error;
    };
    const std::string root = (base / "root").string(), file = (base / "plain-file/root").string();
    EXPECT_EQ(refusal("", "", "x"), "no sandbox root given");
    EXPECT_EQ(refusal(root, "12\n34", "x"), "the board description must be one line");
    EXPECT_EQ(refusal(root, "", "a\nb"), "network names and addresses must be one line");
    EXPECT_THAT(refusal(file, "", "x"),
                testing::StartsWith("cannot create the sandbox root " + file + ": "));
    EXPECT_THAT(refusal(root, "", "x"), testing::StartsWith("stub tools not found in "));
    fs::remove_all(base);
}

// What a query shows is the scenarios' part; here, that none can write.
TEST(RunnerReads, QueriesOnlyRead) {
    const std::string root = scratch("sql");
    std::filesystem::create_directories(root + "/home/pi");
    sqlite3* db = nullptr;
    sqlite3_open((root + "/home/pi/kalventrix-db").c_str(), &db);
    sqlite3_exec(db, "DROP TABLE IF EXISTS t; CREATE TABLE t(k); INSERT INTO t VALUES (1), (2);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    RunOptions options;
    options.board.root = root;
    runner_test::FakeBoard board;
    std::ostringstream out;
    std::istringstream script("sql \"DELETE FROM t\"\nsql \"SELECT count(*) FROM t\"\n");
    Runner runner(options, runner_test::fakeFactory(board), out);
    EXPECT_EQ(runScript(script, runner), kExpectationFailed);
    EXPECT_EQ(out.str(),
              "[0.000] > sql \"DELETE FROM t\"\nFAIL line 1: sql \"DELETE FROM t\"\n"
              "  sql error: only read-only queries are allowed\n"
              "[0.000] > sql \"SELECT count(*) FROM t\"\n2\nend: 1 failure(s), 0 expectation(s)\n");
    fs::remove_all(root);
}
