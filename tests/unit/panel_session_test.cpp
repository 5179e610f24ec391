#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/panel/file_tail.h"
#include "sim/panel/session.h"
#include "tests/support/runner_fake_link.h"

using namespace sim::panel;
using runner_test::FakeBoard;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

namespace {

constexpr sim::Micros kMs = 1000;
constexpr std::chrono::milliseconds kNoWait{0};

std::string everything(PanelState& state) {
    return state.json(Cursor{}, kNoWait);
}

void append(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::app) << text;
}

class PanelSessionTest : public testing::Test {
  protected:
    PanelSessionTest() {
        root_ = (std::filesystem::current_path() / "panel-root").string();
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        options_.board.root = root_;
        options_.board.realtime = true;
    }

    PanelSession& session() {
        if (!session_)
            session_ =
                std::make_unique<PanelSession>(options_, runner_test::fakeFactory(board_), state_);
        return *session_;
    }

    std::string root_;
    SessionOptions options_;
    FakeBoard board_;
    PanelState state_;
    std::unique_ptr<PanelSession> session_;
};

}  // namespace

TEST_F(PanelSessionTest, KeysReachTheBoardAtItsPresentTimeInTheirOrder) {
    ASSERT_TRUE(session().step(20 * kMs));
    EXPECT_TRUE(session().keyDown("REPEAT"));
    EXPECT_TRUE(session().keyDown("NO"));
    EXPECT_FALSE(session().keyDown("ENTER"));
    EXPECT_FALSE(session().keyUp("11"));
    EXPECT_TRUE(session().keyUp("NO"));
    ASSERT_TRUE(session().step(20 * kMs));
    EXPECT_THAT(board_.events, ElementsAre("run 20000", "down 20000 REPEAT", "down 20000 NO",
                                           "up 20000 NO", "run 40000"));
    ASSERT_EQ(board_.starts.size(), 1u);
    EXPECT_EQ(board_.starts[0].root, root_);
    EXPECT_TRUE(board_.starts[0].realtime);
}

TEST_F(PanelSessionTest, DetentsKeepTheHandsPaceWithinTheDecodersLimits) {
    session().turn(true, 12 * kMs);
    session().turn(true, 12 * kMs);
    session().turn(false, 1 * kMs);     // faster than the encoder can take
    session().turn(false, 5000 * kMs);  // a pause is no slower than a second
    ASSERT_TRUE(session().step(20 * kMs));
    EXPECT_THAT(board_.events,
                ElementsAre("detent 0 + 12000", "detent 12000 + 12000", "detent 24000 - 4000",
                            "detent 28000 - 1000000", "run 20000"));
    // Later detents never start before the earlier ones have ended.
    session().turn(true, 30 * kMs);
    ASSERT_TRUE(session().step(20 * kMs));
    EXPECT_EQ(board_.events[5], "detent 1028000 + 30000");
}

TEST_F(PanelSessionTest, ShellCommandsBecomeLogSoundsAndVolume) {
    board_.play = [this](sim::Micros from, sim::Micros, sim::Snapshot& shot) {
        if (from != 0) return;
        shot.shell.push_back({5, "sudo amixer cset numid=1 64%"});
        shot.shell.push_back({6, "aplay -q " + root_ + "/home/pi/TADA.WAV &"});
        shot.paper.push_back(sim::PaperLine{"KALVENTRIX v2.77"});
        shot.glass.cells[0][0] = 'K';
    };
    ASSERT_TRUE(session().step());
    std::string json = everything(state_);
    EXPECT_THAT(json, HasSubstr("{\"kind\":\"shell\",\"text\":\"aplay -q /home/pi/TADA.WAV &\"}"));
    EXPECT_THAT(json, HasSubstr("\"sounds\":[\"/home/pi/TADA.WAV\"]"));
    EXPECT_THAT(json, HasSubstr("\"volume\":64"));
    EXPECT_THAT(json, HasSubstr("\"paper\":[{\"text\":\"KALVENTRIX v2.77\""));
    EXPECT_EQ(state_.glass().cells[0][0], 'K');
    EXPECT_THAT(json, Not(HasSubstr(root_)));
}

TEST_F(PanelSessionTest, ARelaunchStartsTheProgramAgainWhereTimeAndDateStood) {
    options_.restart = true;
    board_.exitAt = 30 * kMs;
    board_.exitCode = 0;
    board_.wallOffset = 3600;
    EXPECT_TRUE(session().step(20 * kMs));
    EXPECT_TRUE(session().step(20 * kMs));  // ends at 30 ms and starts again
    ASSERT_EQ(board_.starts.size(), 2u);
    EXPECT_EQ(board_.starts[1].startAt, 30 * kMs);
    EXPECT_EQ(board_.starts[1].wallOffset, 3600);
    EXPECT_EQ(board_.stops, 1);
    std::string json = everything(state_);
    EXPECT_THAT(json, HasSubstr("program ended with status 0, starting it again"));
    EXPECT_THAT(json, HasSubstr("\"status\":\"running\",\"starts\":2"));
    EXPECT_TRUE(session().running());
}

TEST_F(PanelSessionTest, WithoutRestartOrAfterAFailureTheProgramStaysDown) {
    options_.restart = true;
    board_.exitAt = 10 * kMs;
    board_.exitCode = 134;
    EXPECT_FALSE(session().step(20 * kMs));
    EXPECT_FALSE(session().step(20 * kMs));
    EXPECT_EQ(board_.starts.size(), 1u);
    EXPECT_FALSE(session().running());
    EXPECT_THAT(everything(state_), HasSubstr("\"status\":\"ended with status 134\""));
}

TEST_F(PanelSessionTest, AProgramThatCannotStartIsReportedOnce) {
    PanelSession failing(
        options_, [](const sim::BoardConfig&) { return nullptr; }, state_);
    EXPECT_FALSE(failing.step());
    EXPECT_FALSE(failing.step());
    std::string json = everything(state_);
    EXPECT_THAT(json, HasSubstr("\"status\":\"cannot start the program\""));
    EXPECT_EQ(json.find("cannot start the program\"}"), json.rfind("cannot start the program\"}"));
}

TEST_F(PanelSessionTest, ConsoleAndServerLinesWrittenMeanwhileAreShown) {
    std::string console = root_ + "/console.log";
    std::string server = root_ + "/server.log";
    append(console, "from an earlier run\n");
    append(server, "listening on 127.0.0.1:8090\n");
    options_.serverLog = server;
    session();
    append(console, "rcReboot : 0\n");
    append(server, "GET /import-kalventrix.php?OPT=H 200 raspberrypi\n");
    ASSERT_TRUE(session().step());
    std::string json = everything(state_);
    EXPECT_THAT(json, HasSubstr("{\"kind\":\"console\",\"text\":\"rcReboot : 0\"}"));
    EXPECT_THAT(json, HasSubstr("{\"kind\":\"server\",\"text\":\"GET /import-kalventrix.php"));
    EXPECT_THAT(json, Not(HasSubstr("earlier run")));
    EXPECT_THAT(json, Not(HasSubstr("listening")));
}

TEST(PanelFileTail, LinesAreHandedOverOnceAndOnlyWhenComplete) {
    std::string path = (std::filesystem::current_path() / "tail.log").string();
    std::filesystem::remove(path);
    FileTail tail(path);
    EXPECT_THAT(tail.poll(), IsEmpty());  // no file yet
    append(path, "first\r\nsec");
    EXPECT_THAT(tail.poll(), ElementsAre("first"));
    EXPECT_THAT(tail.poll(), IsEmpty());
    append(path, "ond\n\nthird\n");
    EXPECT_THAT(tail.poll(), ElementsAre("second", "", "third"));
}

TEST(PanelFileTail, AnEmptiedFileIsReadFromItsStart) {
    std::string path = (std::filesystem::current_path() / "rotated.log").string();
    std::ofstream(path) << "old old old old\n";
    FileTail tail(path);
    std::ofstream(path, std::ios::trunc) << "new\n";
    EXPECT_THAT(tail.poll(), ElementsAre("new"));
    EXPECT_THAT(FileTail("").poll(), IsEmpty());
}
