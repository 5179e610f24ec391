#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/runner/runner.h"
#include "tests/support/runner_fake_link.h"

using namespace sim::runner;
using runner_test::FakeBoard;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

namespace {

constexpr sim::Micros kMs = 1000;

struct Outcome {
    int status;
    std::string transcript;
};

Outcome run(const std::string& script, FakeBoard& board, RunOptions options = {}) {
    if (options.board.root.empty()) options.board.root = "/sandbox/root";
    std::ostringstream out;
    std::istringstream in(script);
    Runner runner(options, runner_test::fakeFactory(board), out);
    int status = runScript(in, runner);
    return {status, out.str()};
}

void showRow(sim::Snapshot& snapshot, int row, const std::string& text) {
    for (auto& cells : snapshot.glass.cells) cells.fill(' ');
    for (std::size_t i = 0; i < text.size(); ++i)
        snapshot.glass.cells[row][i] = static_cast<std::uint8_t>(text[i]);
}

sim::PaperLine paperLine(const std::string& text, sim::Justify justify = sim::Justify::Left) {
    sim::PaperLine line;
    line.text = text;
    line.justify = justify;
    return line;
}

}  // namespace

TEST(Runner, KeysAreTimedOnTheVirtualClockWithASettlingPause) {
    FakeBoard board;
    Outcome outcome =
        run("press VALID\n"
            "press 10 1000\n"
            "hold R_C 1500\n"
            "down REPEAT\n"
            "up REPEAT\n"
            "wait 600000\n",
            board);
    EXPECT_EQ(outcome.status, 0) << outcome.transcript;
    EXPECT_THAT(board.events, ElementsAre("down 0 VALID", "up 100000 VALID", "run 150000",   //
                                          "down 150000 10", "up 1150000 10", "run 1200000",  //
                                          "down 1200000 R_C", "up 2700000 R_C", "run 2750000",
                                          "down 2750000 REPEAT", "run 2800000",  //
                                          "up 2800000 REPEAT", "run 2850000",    //
                                          "run 602850000"));
}

TEST(Runner, TurnsSpreadDetentsOneAfterTheOther) {
    FakeBoard board;
    run("turn 3\nturn -2 40\nturn 0\n", board);
    EXPECT_THAT(board.events, ElementsAre("detent 0 + 200000", "detent 200000 + 200000",
                                          "detent 400000 + 200000", "run 650000",  //
                                          "detent 650000 - 40000", "detent 690000 - 40000",
                                          "run 780000", "run 830000"));
}

TEST(Runner, UntilStepsTenMillisecondsUntilTheTextShows) {
    FakeBoard board;
    board.play = [](sim::Micros, sim::Micros to, sim::Snapshot& snapshot) {
        showRow(snapshot, 2, to >= 1234 * kMs ? "  ...Main...  " : "booting");
    };
    Outcome outcome = run("until \"...Main...\"\nlcd\n", board);
    EXPECT_EQ(outcome.status, 0) << outcome.transcript;
    EXPECT_EQ(board.events.back(), "run 1240000");
    EXPECT_EQ(board.events.size(), 124u);
    EXPECT_THAT(outcome.transcript, HasSubstr("[1.240] > lcd\n"));
}

TEST(Runner, UntilFailsAtItsTimeoutAndTheRunGoesOn) {
    FakeBoard board;
    board.play = [](sim::Micros, sim::Micros, sim::Snapshot& snapshot) {
        showRow(snapshot, 0, "Hello");
    };
    Outcome outcome = run("until \"Bye\" 100\nexpect 0 \"Hello\"\n", board);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(board.events.back(), "run 100000");
    EXPECT_THAT(outcome.transcript, HasSubstr("FAIL line 1: until \"Bye\" 100\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("  |Hello               |\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("end: 1 failure(s), 2 expectation(s)\n"));
}

TEST(Runner, ExpectComparesAWholeRowPaddedToTwenty) {
    FakeBoard board;
    board.play = [](sim::Micros, sim::Micros, sim::Snapshot& snapshot) {
        showRow(snapshot, 1, "Pilot 12");
    };
    EXPECT_EQ(run("wait 10\nexpect 1 \"Pilot 12\"\nexpect 0 \"\"\n", board).status, 0);
    FakeBoard other = board;
    Outcome prefix = run("wait 10\nexpect 1 \"Pilot 1\"\n", other);
    EXPECT_EQ(prefix.status, 1);
    EXPECT_THAT(prefix.transcript, HasSubstr("expected row 1: |Pilot 1             |\n"));
    EXPECT_THAT(prefix.transcript, HasSubstr("  |Pilot 12            |\n"));
    FakeBoard third = board;
    EXPECT_EQ(run("wait 10\nexpect 2 \"Pilot 12\"\n", third).status, 1);
}

TEST(Runner, PaperIsShownJustifiedAndOnlyOnce) {
    FakeBoard board;
    board.play = [](sim::Micros from, sim::Micros, sim::Snapshot& snapshot) {
        if (from == 0) {
            snapshot.paper.push_back(paperLine("KALVENTRIX v2.77", sim::Justify::Center));
            snapshot.paper.push_back(paperLine(""));
        }
    };
    Outcome outcome =
        run("wait 100\n"
            "expect-printer \"v2.77\"\n"
            "printer\n"
            "printer\n"
            "expect-printer \"v2.77\"\n",
            board);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.transcript, HasSubstr("> printer\n        KALVENTRIX v2.77\n\n["));
    EXPECT_THAT(outcome.transcript, HasSubstr("> printer\n(nothing printed)\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("FAIL line 5: expect-printer \"v2.77\"\n"));
}

TEST(Runner, ShellCommandsShowTheirTimeAndHideTheSandboxRoot) {
    FakeBoard board;
    board.play = [](sim::Micros from, sim::Micros, sim::Snapshot& snapshot) {
        if (from != 0) return;
        snapshot.shell.push_back({1234567, "sudo mkdir /sandbox/root/var/log/kalventrix"});
        snapshot.shell.push_back({62000000, "sudo echo 'a\nb' | sudo tee /sandbox/root/etc/x"});
    };
    Outcome outcome = run("wait 70000\nshell\nshell\n", board);
    EXPECT_THAT(outcome.transcript, HasSubstr("> shell\n"
                                              "[1.234] sudo mkdir ROOT/var/log/kalventrix\n"
                                              "[62.000] sudo echo 'a\\nb' | sudo tee ROOT/etc/x\n"
                                              "[70.000] > shell\n"
                                              "(no commands)\n"));
}

TEST(Runner, AScriptWithAnErrorRunsNothing) {
    FakeBoard board;
    Outcome outcome = run("press VALID\npress ENTER\nwait 1.5\n", board);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(board.starts.empty());
    EXPECT_THAT(outcome.transcript, HasSubstr("script error, line 2: unknown key \"ENTER\"\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("script error, line 3: malformed number"));
}

TEST(Runner, StreamingRunsLinesUntilTheFirstBadOne) {
    FakeBoard board;
    std::ostringstream out;
    std::istringstream in("press VALID\nfly away\npress NO\n");
    Runner runner({}, runner_test::fakeFactory(board), out);
    EXPECT_EQ(runStreaming(in, runner), 2);
    EXPECT_THAT(out.str(), HasSubstr("script error, line 2: unknown command \"fly\""));
    EXPECT_THAT(board.events, ElementsAre("down 0 VALID", "up 100000 VALID", "run 150000"));
}

TEST(Runner, QuitEndsTheScript) {
    FakeBoard board;
    Outcome outcome = run("wait 5\nquit\nwait 5\n", board);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_THAT(board.events, ElementsAre("run 5000"));
    EXPECT_EQ(board.stops, 1);
}

TEST(Runner, ARelaunchIsShownAndTheProgramStaysDownWithoutRestart) {
    FakeBoard board;
    board.exitAt = 2500 * kMs;
    Outcome outcome = run("wait 3000\nuntil \"x\" 100\n", board);
    EXPECT_THAT(outcome.transcript,
                HasSubstr("[2.500] program ended with status 0 (relaunch)\n[3.000] > until"));
    EXPECT_THAT(outcome.transcript, HasSubstr("the program is not running"));
    EXPECT_EQ(board.starts.size(), 1u);
    EXPECT_EQ(outcome.status, 1);  // only the until failed
}

TEST(Runner, RestartGoesOnWithTheVirtualTimeAndTheWallClockOffset) {
    FakeBoard board;
    board.exitAt = 2500 * kMs;
    board.wallOffset = 86400;
    RunOptions options;
    options.restart = true;
    options.board.date = "2024-02-29 23:59:59";
    Outcome outcome = run("wait 3000\n", board, options);
    EXPECT_EQ(outcome.status, 0) << outcome.transcript;
    ASSERT_EQ(board.starts.size(), 2u);
    EXPECT_EQ(board.starts[1].startAt, 2500 * kMs);
    EXPECT_EQ(board.starts[1].wallOffset, 86400);
    EXPECT_EQ(board.starts[1].date, "2024-02-29 23:59:59");
    EXPECT_THAT(outcome.transcript, HasSubstr("[2.500] program started again\n"));
    EXPECT_EQ(board.events.back(), "run 3000000");
}

// Killed where it stands, then powered up again on the same clocks; "--restart"
// is not needed for it, and the script goes on with the new run.
TEST(Runner, APowerCutKillsTheProgramAndStartsItAgain) {
    FakeBoard board;
    board.wallOffset = 3600;
    Outcome outcome = run("wait 500\npower-cut\nwait 100\n", board);
    EXPECT_EQ(outcome.status, 0) << outcome.transcript;
    EXPECT_EQ(board.stops, 2);  // the cut, and the end of the run
    ASSERT_EQ(board.starts.size(), 2u);
    EXPECT_EQ(board.starts[1].startAt, 500 * kMs);
    EXPECT_EQ(board.starts[1].wallOffset, 3600);
    EXPECT_THAT(
        outcome.transcript,
        HasSubstr("[0.500] > power-cut\n[0.500] power cut\n[0.500] program started again\n"));
    EXPECT_EQ(board.events.back(), "run 600000");
    EXPECT_NE(parseLine("power-cut now", 1).error.find("too many"), std::string::npos);
}

TEST(Runner, AProgramThatDiesIsAFailureAndIsNotRestarted) {
    FakeBoard board;
    board.exitAt = 100 * kMs;
    board.exitCode = 139;
    RunOptions options;
    options.restart = true;
    Outcome outcome = run("wait 200\n", board, options);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(board.starts.size(), 1u);
    EXPECT_THAT(outcome.transcript, HasSubstr("program ended with status 139\n"));
    EXPECT_THAT(outcome.transcript, Not(HasSubstr("relaunch")));
}

class RunnerFiles : public testing::Test {
  protected:
    void SetUp() override {
        root_ =
            std::filesystem::absolute(std::string("files-") +
                                      testing::UnitTest::GetInstance()->current_test_info()->name())
                .string();
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ + "/home/pi/txt");
        std::ofstream(root_ + "/home/pi/txt/eeprom.txt") << "1234--20";
        std::ofstream(root_ + "/secret.txt") << "outside\n";
        options_.board.root = root_;
    }

    void makeDatabase() {
        sqlite3* db = nullptr;
        sqlite3_open((root_ + "/home/pi/kalventrix-db").c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE param(key TEXT, value TEXT, label TEXT);"
                     "INSERT INTO param VALUES('KALVENTRIX_LANG','FR',NULL);"
                     "INSERT INTO param VALUES('KALVENTRIX_WIFI','1','WiFi');",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    std::string root_;
    RunOptions options_;
    FakeBoard board_;
};

TEST_F(RunnerFiles, FilesAreReadInsideTheSandboxOnly) {
    Outcome outcome =
        run("file /home/pi/txt/eeprom.txt\n"
            "file txt/eeprom.txt\n"
            "file /home/pi/../secret.txt\n"
            "file /home/pi/txt/none.txt\n",
            board_, options_);
    EXPECT_THAT(outcome.transcript,
                HasSubstr("> file /home/pi/txt/eeprom.txt\n1234--20\n[0.000] > file "
                          "txt/eeprom.txt\n1234--20\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("secret.txt\n(outside the sandbox)\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("none.txt\n(no such file)\n"));
    EXPECT_THAT(outcome.transcript, Not(HasSubstr("outside\n")));
}

TEST_F(RunnerFiles, QueriesPrintRowsAndRefuseToWrite) {
    makeDatabase();
    Outcome outcome =
        run("sql \"SELECT key, value, label FROM param ORDER BY key\"\n"
            "sql \"SELECT key FROM param WHERE value = 'none'\"\n",
            board_, options_);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_THAT(outcome.transcript, HasSubstr("\nKALVENTRIX_LANG|FR|\nKALVENTRIX_WIFI|1|WiFi\n"));
    EXPECT_THAT(outcome.transcript, HasSubstr("(no rows)\n"));

    Outcome write =
        run("sql \"DELETE FROM param\"\nsql \"SELECT name FROM nowhere\"\n", board_, options_);
    EXPECT_EQ(write.status, 1);
    EXPECT_THAT(write.transcript, HasSubstr("only read-only queries"));
    EXPECT_THAT(write.transcript, HasSubstr("no such table: nowhere"));
    Outcome after = run("sql \"SELECT count(*) FROM param\"\n", board_, options_);
    EXPECT_THAT(after.transcript, HasSubstr("\n2\n"));
}

TEST(RunnerFormat, TimesAreSecondsWithMilliseconds) {
    EXPECT_EQ(formatTime(0), "0.000");
    EXPECT_EQ(formatTime(999), "0.000");
    EXPECT_EQ(formatTime(1000), "0.001");
    EXPECT_EQ(formatTime(61234567), "61.234");
    EXPECT_EQ(formatTime(600000000000ULL), "600000.000");
}
