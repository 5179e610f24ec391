// The front panel of kalventrix-sim: the session between page and board, the
// state a page reads, and the sound commands it follows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "sim/panel/session.h"
#include "sim/panel/sounds.h"
#include "tests/support/runner_fake_link.h"

using namespace sim::panel;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

constexpr sim::Micros kMs = 1000;
constexpr std::chrono::milliseconds kNoWait{0};

}  // namespace

TEST(PanelSession, CarriesInputsToTheBoardAndWhatItDoesToThePage) {
    const std::string root =
        std::filesystem::temp_directory_path() / ("kv-panel-" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    std::ofstream(root + "/console.log") << "from an earlier run\n";
    SessionOptions options;
    options.board.root = root;
    options.restart = true;
    runner_test::FakeBoard board;
    board.exitAt = 50 * kMs;
    board.wallOffset = 3600;
    board.play = [&root](sim::Micros from, sim::Micros, sim::Snapshot& shot) {
        if (from != 0) return;
        shot.shell = {{5, "sudo amixer cset numid=1 64%"},
                      {6, "aplay -q " + root + "/home/pi/T.WAV &"}};
        shot.paper.push_back(sim::PaperLine{"KALVENTRIX v2.77"});
    };
    PanelState state;
    PanelSession session(options, runner_test::fakeFactory(board), state);
    std::ofstream(root + "/console.log", std::ios::app) << "rcReboot : 0\n";
    ASSERT_TRUE(session.step(20 * kMs));
    EXPECT_TRUE(session.keyDown("REPEAT") && session.keyUp("REPEAT"));
    EXPECT_FALSE(session.keyDown("ENTER") || session.keyUp("11"));
    session.turn(true, 12 * kMs);
    session.turn(false, 1 * kMs);     // faster than the encoder can take
    session.turn(false, 5000 * kMs);  // a pause is no slower than a second
    ASSERT_TRUE(session.step(20 * kMs));
    session.turn(true, 30 * kMs);  // after the earlier detents, on the program started again
    ASSERT_TRUE(session.step(20 * kMs));
    EXPECT_THAT(board.events,
                ElementsAre("run 20000", "down 20000 REPEAT", "up 20000 REPEAT",
                            "detent 20000 + 12000", "detent 32000 - 4000", "detent 36000 - 1000000",
                            "run 40000", "detent 1036000 + 30000", "run 60000"));
    ASSERT_EQ(board.starts.size(), 2u);
    EXPECT_EQ(board.starts[1].startAt, 50 * kMs);
    EXPECT_EQ(board.starts[1].wallOffset, 3600);
    const std::string page = state.json(Cursor{}, kNoWait);
    EXPECT_THAT(page, HasSubstr("\"status\":\"running\",\"starts\":2,\"volume\":64"));
    EXPECT_THAT(page,
                HasSubstr("\"log\":[{\"kind\":\"shell\",\"text\":\"sudo amixer cset numid=1 64%\"},"
                          "{\"kind\":\"shell\",\"text\":\"aplay -q /home/pi/T.WAV &\"},"
                          "{\"kind\":\"console\",\"text\":\"rcReboot : 0\"},"
                          "{\"kind\":\"panel\",\"text\":\"program ended with status 0, "
                          "starting it again\"}]"));
    EXPECT_THAT(page, HasSubstr("\"sounds\":[\"/home/pi/T.WAV\"]"));
    EXPECT_THAT(page, HasSubstr("\"paper\":[{\"text\":\"KALVENTRIX v2.77\",\"width\":32,"));
    board.exitCode = 134;
    board.exitAt = 70 * kMs;
    EXPECT_FALSE(session.step(20 * kMs));  // a failure is not started again
    EXPECT_FALSE(session.step(20 * kMs));
    EXPECT_EQ(board.starts.size(), 2u);
    EXPECT_THAT(state.json(Cursor{}, kNoWait), HasSubstr("\"status\":\"ended with status 134\""));
    std::filesystem::remove_all(root);
}

TEST(PanelState, APageGetsWhatCameAfterItsCursorInValidJson) {
    PanelState state;
    state.addPaper({});
    EXPECT_EQ(state.version(), 0u);
    state.addPaper({sim::PaperLine{"one"}, sim::PaperLine{"t\"w\\o\n\x01"}});
    for (std::size_t i = 0; i < PanelState::kLogKept + 5; ++i)
        state.addLog(LogKind::Console, "line " + std::to_string(i));
    state.addSound("/home/pi/T.WAV");
    state.setProgram("ended \"q\" \\ \n\x01", false);
    const std::uint64_t version = state.version();
    const std::string page = state.json(Cursor{}, kNoWait);
    EXPECT_THAT(page, HasSubstr("\"status\":\"ended \\\"q\\\" \\\\ \\u000a\\u0001\",\"starts\":0"));
    EXPECT_THAT(page, HasSubstr("{\"text\":\"t\\\"w\\\\o▒▒\""));
    EXPECT_THAT(
        state.json(Cursor{version, 2, PanelState::kLogKept + 4, 1}, kNoWait),
        testing::EndsWith("\"paperFrom\":2,\"paper\":[],\"logFrom\":2004,\"log\":[{\"kind\":"
                          "\"console\",\"text\":\"line 2004\"}],\"soundFrom\":1,\"sounds\":[]}"));
    // A page left open while the panel started anew reads from the start.
    EXPECT_THAT(state.json(Cursor{9, 40, 3000, 12}, kNoWait),
                HasSubstr("\"paperFrom\":0,\"paper\":[{\"text\":\"one\",\"width\""));
    EXPECT_THAT(state.json(Cursor{9, 40, 3000, 12}, kNoWait), HasSubstr("\"logFrom\":5,"));
}

TEST(PanelSounds, TheFileAplayPlaysAndTheLevelAmixerSets) {
    const std::pair<const char*, const char*> plays[] = {
        {"aplay /home/pi/T.WAV -q &", "/home/pi/T.WAV"},
        {"sudo aplay -q /x/03L.WAV&", "/x/03L.WAV"},
        {"/usr/bin/aplay x.wav", "x.wav"},
        {"echo aplay x.wav", ""},
        {"aplayer x.wav", ""},
        {"aplay -q &", ""}};
    for (auto [command, file] : plays) EXPECT_EQ(aplayFile(command).value_or(""), file) << command;
    const std::pair<const char*, int> levels[] = {
        {"amixer cset numid=1 100%", 100}, {"amixer cset numid=1 0%", 0},
        {"amixer cset numid=2 80%", -1},   {"amixer cset numid=1 80", -1},
        {"amixer cset numid=1 101%", -1},  {"amixer cset numid=1 8% x", -1}};
    for (auto [command, level] : levels)
        EXPECT_EQ(mixerLevel(command).value_or(-1), level) << command;
    for (auto [path, file] : {std::pair{"c.wav", "/box/home/pi/c.wav"},
                              {"/box/home/pi/c.wav", "/box/home/pi/c.wav"},
                              {"/home/pi/../../etc/x.wav", ""},
                              {"/home/pi/kalventrix-db", ""}})
        EXPECT_EQ(sandboxSoundPath("/box", path), file) << path;
}
