// The runner's link to a program on the virtual board in a child process,
// and the wire format it speaks.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/link.h"
#include "sim/protocol.h"

namespace {

using sim::Micros;
using sim::ProgramLink;
using sim::Snapshot;

constexpr Micros kMs = 1000;

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string freshRoot() {
    char name[] = "sandbox-XXXXXX";
    char* made = ::mkdtemp(name);
    char cwd[4096];
    EXPECT_NE(made, nullptr);
    EXPECT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    return std::string(cwd) + "/" + made;
}

sim::BoardConfig configFor(const std::string& root) {
    sim::BoardConfig config;
    config.root = root;
    config.date = "2024-02-29 23:00:00";
    return config;
}

// Everything a run shows, as text, to compare runs with each other.
std::string describe(const Snapshot& shot) {
    std::string text = "now " + std::to_string(shot.now) + "\n";
    for (auto& record : shot.shell)
        text += "shell " + std::to_string(record.at) + " " + record.command + "\n";
    for (auto& line : shot.paper) text += "paper " + line.text + "\n";
    if (shot.exited) text += "exit " + std::to_string(shot.exitCode) + "\n";
    return text;
}

// Two presses of VALID; the fixture then prints and returns 21.
std::string pressTwiceAndFinish(ProgramLink& link, std::vector<Snapshot>& shots) {
    shots.push_back(link.runUntil(100 * kMs));
    link.keyDown(200 * kMs, "VALID");
    link.keyUp(250 * kMs, "VALID");
    link.keyDown(300 * kMs, "VALID");
    link.keyUp(350 * kMs, "VALID");
    shots.push_back(link.runUntil(1000 * kMs));
    std::string text;
    for (auto& shot : shots) text += describe(shot);
    return text;
}

TEST(ProgramLinkRun, InputsReachTheProgramAndItsExitIsReported) {
    std::string root = freshRoot();
    auto link = ProgramLink::start(KV_LINK_FIXTURE, configFor(root));
    std::vector<Snapshot> shots;
    pressTwiceAndFinish(*link, shots);

    const Snapshot& first = shots[0];
    EXPECT_FALSE(first.exited);
    EXPECT_EQ(first.now, 100 * kMs);
    ASSERT_EQ(first.shell.size(), 1u);
    EXPECT_EQ(first.shell[0].command, "echo started > started.txt");
    EXPECT_EQ(first.shell[0].at, 0u);
    EXPECT_EQ(readFile(root + "/home/pi/started.txt"), "started\n");

    const Snapshot& last = shots[1];
    ASSERT_TRUE(last.exited);
    EXPECT_EQ(last.exitCode, 21);
    // At 300 ms the main thread (lower sequence) wakes before the handler
    // thread made runnable at that same time, so it sees the press at 310 ms.
    EXPECT_EQ(last.now, 310 * kMs);
    ASSERT_EQ(last.paper.size(), 2u);
    EXPECT_EQ(last.paper[0].text, "BYE");
    EXPECT_EQ(last.paper[1].text, "DOWN");  // a global's destructor, after main
    EXPECT_TRUE(last.shell.empty());

    std::string console = readFile(root + "/console.log");
    EXPECT_NE(console.find("press 1 at 200\npress 2 at 300\n"), std::string::npos) << console;
    EXPECT_NE(console.find("wall 2024-02-29 23:00:00\n"), std::string::npos) << console;

    Snapshot after = link->runUntil(5000 * kMs);
    EXPECT_TRUE(after.exited);
    EXPECT_EQ(after.exitCode, 21);
    EXPECT_EQ(after.now, 310 * kMs);
}

TEST(ProgramLinkRun, RepeatedRunsAreIdentical) {
    std::string reference;
    for (int run = 0; run < 3; ++run) {
        std::string root = freshRoot();
        auto link = ProgramLink::start(KV_LINK_FIXTURE, configFor(root));
        std::vector<Snapshot> shots;
        std::string text = pressTwiceAndFinish(*link, shots) + readFile(root + "/console.log");
        if (run == 0)
            reference = text;
        else
            EXPECT_EQ(text, reference) << "run " << run;
    }
    EXPECT_NE(reference.find("exit 21"), std::string::npos) << reference;
}

TEST(ProgramLinkRun, StartTimeAndWallOffsetCarryOverToTheNextRun) {
    std::string root = freshRoot();
    sim::BoardConfig config = configFor(root);
    config.startAt = 3'600'000 * kMs;
    config.wallOffset = 60;
    auto link = ProgramLink::start(KV_LINK_FIXTURE, config);
    EXPECT_EQ(link->now(), config.startAt);
    link->keyDown(config.startAt + 10 * kMs, "VALID");
    link->keyUp(config.startAt + 20 * kMs, "VALID");
    link->keyDown(config.startAt + 30 * kMs, "VALID");
    Snapshot shot = link->runUntil(config.startAt + 100 * kMs);
    ASSERT_TRUE(shot.exited);
    EXPECT_EQ(link->wallOffset(), 60);
    std::string console = readFile(root + "/console.log");
    // millis() counts from this run's start; the wall clock from the date.
    EXPECT_NE(console.find("press 1 at 10\n"), std::string::npos) << console;
    EXPECT_NE(console.find("wall 2024-03-01 00:01:00\n"), std::string::npos) << console;
}

TEST(ProgramLinkRun, ADateSetByTheProgramMovesTheWallOffset) {
    std::string root = freshRoot();
    ::mkdir((root + "/.sim").c_str(), 0755);
    ::mkdir((root + "/.sim/bin").c_str(), 0755);
    {
        std::ofstream stub(root + "/.sim/bin/date");
        stub << "#!/bin/sh\n"
                "[ \"$1\" = --set ] && printf '%s' \"$2\" > \"$KALVENTRIX_ROOT/.sim/date-set\"\n";
    }
    ::chmod((root + "/.sim/bin/date").c_str(), 0755);
    ::setenv("KV_FIXTURE_MODE", "setdate", 1);
    auto link = ProgramLink::start(KV_LINK_FIXTURE, configFor(root));
    ::unsetenv("KV_FIXTURE_MODE");
    Snapshot shot = link->runUntil(10'000 * kMs);
    ASSERT_TRUE(shot.exited);
    EXPECT_EQ(shot.exitCode, 5);
    // Set at 2 s after 2024-02-29 23:00:00, local time on both sides.
    struct tm set = {}, start = {};
    strptime("2030-01-01 00:00:00", "%Y-%m-%d %H:%M:%S", &set);
    strptime("2024-02-29 23:00:02", "%Y-%m-%d %H:%M:%S", &start);
    set.tm_isdst = start.tm_isdst = -1;
    EXPECT_EQ(link->wallOffset(), std::mktime(&set) - std::mktime(&start));
    std::string console = readFile(root + "/console.log");
    EXPECT_NE(console.find("wall 2030-01-01 00:00:01\n"), std::string::npos) << console;
}

TEST(ProgramLinkRun, AProgramThatDiesReportsTheSignal) {
    std::string root = freshRoot();
    ::setenv("KV_FIXTURE_MODE", "abort", 1);
    auto link = ProgramLink::start(KV_LINK_FIXTURE, configFor(root));
    ::unsetenv("KV_FIXTURE_MODE");
    Snapshot shot = link->runUntil(1000 * kMs);
    EXPECT_TRUE(shot.exited);
    EXPECT_EQ(shot.exitCode, 128 + 6);
    EXPECT_EQ(link->runUntil(2000 * kMs).exitCode, 128 + 6);
}

TEST(ProgramLinkRun, StopEndsAProgramThatIsStillRunning) {
    std::string root = freshRoot();
    auto link = ProgramLink::start(KV_LINK_FIXTURE, configFor(root));
    EXPECT_FALSE(link->runUntil(20 * kMs).exited);
    link->stop();
    Snapshot shot = link->runUntil(40 * kMs);
    EXPECT_TRUE(shot.exited);
    EXPECT_EQ(shot.exitCode, 128 + 9);
}

TEST(ProgramLinkRun, AMissingProgramCountsAsExited) {
    std::string root = freshRoot();
    auto link = ProgramLink::start(root + "/no-such-program", configFor(root));
    Snapshot shot = link->runUntil(10 * kMs);
    EXPECT_TRUE(shot.exited);
    EXPECT_EQ(shot.exitCode, 127);
}

TEST(ProgramLinkRun, RealTimeModeAppliesInputsAsTheyCome) {
    std::string root = freshRoot();
    sim::BoardConfig config = configFor(root);
    config.realtime = true;
    auto link = ProgramLink::start(KV_LINK_FIXTURE, config);
    Snapshot shot = link->runUntil(link->now() + 10 * kMs);
    Micros base = shot.now;
    link->keyDown(base + 20 * kMs, "VALID");
    link->keyUp(base + 60 * kMs, "VALID");
    link->keyDown(base + 100 * kMs, "VALID");
    for (int step = 1; step <= 50 && !shot.exited; ++step)
        shot = link->runUntil(base + static_cast<Micros>(step) * 100 * kMs);
    ASSERT_TRUE(shot.exited);
    EXPECT_EQ(shot.exitCode, 21);
}

TEST(WireFormat, ReplyRoundTripKeepsEveryField) {
    sim::wire::RunReply reply;
    Snapshot& shot = reply.snapshot;
    shot.now = 123456789012ull;
    shot.glass.cells[3][19] = 0xDF;
    shot.glass.cgram[7][7] = 0x1F;
    shot.glass.cursorRow = 2;
    shot.glass.cursorCol = 17;
    shot.glass.blink = true;
    shot.glass.present = false;
    sim::PaperLine line;
    line.text = std::string("A\0B", 3);
    line.justify = sim::Justify::Right;
    line.doubleWidth = line.strike = true;
    shot.paper = {line, sim::PaperLine{}};
    shot.shell = {{5, "sudo shutdown -h now"}};
    shot.requests = {"GET /x"};
    shot.exited = true;
    shot.exitCode = -3;
    reply.wallOffset = -86400;

    sim::wire::RunReply back;
    ASSERT_TRUE(sim::wire::decode(sim::wire::encode(reply), back));
    EXPECT_EQ(back.wallOffset, -86400);
    EXPECT_EQ(back.snapshot.now, shot.now);
    EXPECT_EQ(back.snapshot.glass.cells, shot.glass.cells);
    EXPECT_EQ(back.snapshot.glass.cgram, shot.glass.cgram);
    EXPECT_EQ(back.snapshot.glass.cursorCol, 17);
    EXPECT_TRUE(back.snapshot.glass.blink);
    EXPECT_FALSE(back.snapshot.glass.display);
    EXPECT_FALSE(back.snapshot.glass.present);
    ASSERT_EQ(back.snapshot.paper.size(), 2u);
    EXPECT_EQ(back.snapshot.paper[0].text, line.text);
    EXPECT_EQ(back.snapshot.paper[0].justify, sim::Justify::Right);
    EXPECT_TRUE(back.snapshot.paper[0].doubleWidth);
    EXPECT_TRUE(back.snapshot.paper[0].strike);
    EXPECT_FALSE(back.snapshot.paper[0].bold);
    EXPECT_FALSE(back.snapshot.paper[1].strike);
    ASSERT_EQ(back.snapshot.shell.size(), 1u);
    EXPECT_EQ(back.snapshot.shell[0].at, 5u);
    EXPECT_EQ(back.snapshot.shell[0].command, "sudo shutdown -h now");
    EXPECT_EQ(back.snapshot.requests, shot.requests);
    EXPECT_TRUE(back.snapshot.exited);
    EXPECT_EQ(back.snapshot.exitCode, -3);
}

TEST(WireFormat, RequestRoundTripAndDamagedPayloadsAreRefused) {
    sim::wire::RunRequest request;
    request.horizon = 42;
    request.inputs.push_back({sim::wire::InputKind::KeyUp, 7, "R_C", true, 0});
    request.inputs.push_back({sim::wire::InputKind::Detent, 9, "", false, 4000});
    std::string bytes = sim::wire::encode(request);

    sim::wire::RunRequest back;
    ASSERT_TRUE(sim::wire::decode(bytes, back));
    EXPECT_EQ(back.horizon, 42u);
    ASSERT_EQ(back.inputs.size(), 2u);
    EXPECT_EQ(back.inputs[0].kind, sim::wire::InputKind::KeyUp);
    EXPECT_EQ(back.inputs[0].key, "R_C");
    EXPECT_EQ(back.inputs[1].kind, sim::wire::InputKind::Detent);
    EXPECT_FALSE(back.inputs[1].forward);
    EXPECT_EQ(back.inputs[1].duration, 4000u);

    EXPECT_FALSE(sim::wire::decode(bytes.substr(0, bytes.size() - 1), back));
    EXPECT_FALSE(sim::wire::decode(bytes + "x", back));
    std::string badKind = bytes;
    badKind[12] = 9;  // the first input's kind
    EXPECT_FALSE(sim::wire::decode(badKind, back));
    std::string hugeCount = bytes;
    hugeCount[8] = hugeCount[9] = hugeCount[10] = hugeCount[11] = '\xff';
    EXPECT_FALSE(sim::wire::decode(hugeCount, back));
}

TEST(WireFormat, FramesSurviveASocketAndEndOfFileIsSeen) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    std::string big(200000, 'k');
    ASSERT_TRUE(sim::wire::sendFrame(ends[0], ""));
    std::string payload = "stale";
    ASSERT_TRUE(sim::wire::receiveFrame(ends[1], payload));
    EXPECT_EQ(payload, "");
    std::thread writer([&] { EXPECT_TRUE(sim::wire::sendFrame(ends[0], big)); });
    ASSERT_TRUE(sim::wire::receiveFrame(ends[1], payload));
    writer.join();
    EXPECT_EQ(payload, big);
    ::close(ends[0]);
    EXPECT_FALSE(sim::wire::receiveFrame(ends[1], payload));
    ::close(ends[1]);
}

}  // namespace
