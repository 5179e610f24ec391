// kalventrix-sim as a user runs it, over the link, with the fixture program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

namespace {

struct Result {
    int status;
    std::string out;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

Result capture(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) out += buffer;
    int status = pipe ? pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        base_ = fs::absolute(std::string("e2e-") + info->name());
        fs::remove_all(base_);
        fs::create_directories(base_);
    }

    // Runs a script on the root `name` under the base folder; stderr is kept apart.
    Result run(const std::string& script, const std::string& options = "",
               const std::string& name = "root") {
        fs::path file = base_ / (name + ".script");
        std::ofstream(file) << script;
        return capture(std::string(KV_SIM_EXE) + " --root " + (base_ / name).string() +
                       " --program " + KV_FIXTURE_PROGRAM + " " + options + " --script " +
                       file.string() + " 2>" + (base_ / (name + ".err")).string());
    }

    std::string errors(const std::string& name = "root") {
        return readFile(base_ / (name + ".err"));
    }

    fs::path base_;
};

const char kTour[] =
    "until \"Fixture ready\" 2000\n"
    "press VALID\n"
    "press VALID 300\n"
    "expect 1 \"Presses: 2\"\n"
    "hold R_C 50\n"
    "wait 200\n"
    "expect-printer \"Ticket 1\"\n"
    "printer\n"
    "shell\n"
    "press REPEAT\n"
    "lcd\n"
    "file /home/pi/txt/presses.txt\n";

}  // namespace

TEST_F(EndToEnd, TheSameScriptGivesTheSameTranscriptEveryTime) {
    std::string first = run(kTour, "", "run0").out;
    ASSERT_THAT(first, HasSubstr("end: all"));
    for (int i = 1; i < 20; ++i)
        ASSERT_EQ(run(kTour, "", "run" + std::to_string(i)).out, first) << "run " << i;
}

TEST_F(EndToEnd, TenMinutesOfVirtualTimeAndTheStartDate) {
    Result result =
        run("wait 600000\npress VALID\nexpect 1 \"Presses: 1\"\nexpect 3 \"2024-02-29 23:59:58\"\n",
            "--date \"2024-02-29 23:59:58\"");
    EXPECT_EQ(result.status, 0) << result.out << errors();
    EXPECT_THAT(result.out, HasSubstr("[600.000] > press VALID\n"));
}

TEST_F(EndToEnd, ScriptErrorsStopBeforeTheProgramStarts) {
    Result result = run("wait 100\npress ENTER\nturn x\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.out, HasSubstr("script error, line 2: unknown key \"ENTER\"\n"));
    EXPECT_THAT(result.out, HasSubstr("script error, line 3: malformed number \"x\"\n"));
    EXPECT_THAT(errors(), HasSubstr("line 2"));
    EXPECT_FALSE(fs::exists(base_ / "root/console.log"));
}

TEST_F(EndToEnd, BadCommandLinesAndRootsEndWithStatusTwo) {
    std::ofstream(base_ / "file") << "x";
    Result root = capture(std::string(KV_SIM_EXE) + " --root " + (base_ / "file/root").string() +
                          " --program " + KV_FIXTURE_PROGRAM + " --script - < /dev/null 2>&1");
    EXPECT_EQ(root.status, 2);
    EXPECT_THAT(root.out, HasSubstr("cannot create the sandbox root"));
    EXPECT_EQ(run("wait 1\n", "--lcd-addr 0x20").status, 2);
    EXPECT_THAT(errors(), HasSubstr("--lcd-addr"));
    EXPECT_EQ(run("wait 1\n", "--date 2025-02-30").status, 2);
    Result program = capture(std::string(KV_SIM_EXE) + " --root " + (base_ / "p").string() +
                             " --program /nonexistent --script - < /dev/null 2>&1");
    EXPECT_EQ(program.status, 2);
    EXPECT_THAT(program.out, HasSubstr("cannot run the program /nonexistent"));
}

TEST_F(EndToEnd, ARelaunchIsShownAndRestartBringsTheProgramBackWithItsClock) {
    const char script[] =
        "press REPEAT\n"
        "press NO\n"
        "wait 1000\n"
        "lcd\n";
    Result once = run(script);
    EXPECT_EQ(once.status, 0) << once.out;
    EXPECT_THAT(once.out, HasSubstr("program ended with status 0 (relaunch)\n"));
    EXPECT_THAT(once.out, HasSubstr("Bye"));
    EXPECT_THAT(once.out, Not(HasSubstr("started again")));

    Result again = run(script, "--restart", "restart");
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_THAT(again.out, HasSubstr("program started again\n"));
    EXPECT_THAT(again.out, HasSubstr("> lcd\nFixture ready       \n                    \n"
                                     "                    \n2025-06-16 10:00:"));
}

TEST_F(EndToEnd, AProgramThatEndsWithAnErrorFailsTheRun) {
    Result result = run("press POWER\nwait 100\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.out, HasSubstr("program ended with status 3\n"));
}

TEST_F(EndToEnd, StandardInputIsReadAsItComes) {
    Result result =
        capture("printf 'wait 300\\npress VALID\\nexpect 1 \"Presses: 1\"\\nquit\\nwait 5\\n' | " +
                std::string(KV_SIM_EXE) + " --root " + (base_ / "stdin").string() + " --program " +
                KV_FIXTURE_PROGRAM + " --script - 2>/dev/null");
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_THAT(result.out, HasSubstr("[0.300] > press VALID\n"));
    EXPECT_THAT(result.out, Not(HasSubstr("wait 5")));
}
