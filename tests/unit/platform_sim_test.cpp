// The wiringPi and platform calls as the program sees them on the virtual
// board, in auto mode: the test's thread is the program's main thread.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <wiringPi.h>
#include <wiringSerial.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "sim/board.h"
#include "sim/devices/i2c_display.h"
#include "sim/devices/keypad.h"

namespace {

using sim::Board;
using sim::Micros;

struct Call {
    std::thread::id thread;
    unsigned int at;  // millis()
};

// Handlers are plain functions, so their records live in globals.
std::vector<Call> gCalls;
unsigned int gHandlerDelay = 0;

void recordCall() {
    gCalls.push_back({std::this_thread::get_id(), millis()});
    if (gHandlerDelay) delay(gHandlerDelay);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PlatformSim : public ::testing::Test {
  protected:
    void SetUp() override {
        gCalls.clear();
        gHandlerDelay = 0;
        sim::BoardConfig config = Board::defaultConfig();
        config.date = "2025-06-15 10:00:00";
        board_ = &Board::reset(config);
        wiringPiSetup();
    }
    void TearDown() override { Board::reset(); }

    Board& board() { return *board_; }
    Board* board_ = nullptr;
};

TEST_F(PlatformSim, DelaysMoveVirtualTimeAndTheCountersFollow) {
    EXPECT_EQ(millis(), 0u);
    delay(1500);
    EXPECT_EQ(millis(), 1500u);
    EXPECT_EQ(micros(), 1'500'000u);
    delayMicroseconds(7);
    platform::usleep(3);
    EXPECT_EQ(micros(), 1'500'010u);
    EXPECT_EQ(platform::monotonicSeconds(), 1);
}

TEST_F(PlatformSim, MicrosWrapsLikeAnUnsignedInt) {
    delayMicroseconds(4'000'000'000u);
    delayMicroseconds(294'967'301u);  // 2^32 + 5 in all
    EXPECT_EQ(micros(), 5u);
    EXPECT_EQ(millis(), 4'294'967u);
}

TEST_F(PlatformSim, CountersStartAtTheRunNotAtTheBoardsTime) {
    sim::BoardConfig config = Board::defaultConfig();
    config.startAt = 90'000'000;
    Board& later = Board::reset(config);
    delay(20);
    EXPECT_EQ(millis(), 20u);
    EXPECT_EQ(later.clock().now(), 90'020'000u);
    EXPECT_EQ(platform::monotonicSeconds(), 90);
}

TEST_F(PlatformSim, WallClockStartsAtTheDateAndMovesWithVirtualTime) {
    EXPECT_EQ(platform::formatLocalTime("%F %T"), "2025-06-15 10:00:00");
    delay(61'000);
    EXPECT_EQ(platform::formatLocalTime("%F %T"), "2025-06-15 10:01:01");
    EXPECT_EQ(platform::localTime().tm_min, 1);
    board().setWallTime(sim::parseLocalTime("2030-01-01 00:00:00"));
    EXPECT_EQ(platform::formatLocalTime("%F %T"), "2030-01-01 00:00:00");
    delay(2000);
    EXPECT_EQ(platform::formatLocalTime("%T"), "00:00:02");
}

TEST_F(PlatformSim, ParseLocalTimeRefusesMalformedText) {
    EXPECT_EQ(sim::parseLocalTime("2025-13-01 00:00:00"), -1);
    EXPECT_EQ(sim::parseLocalTime("2025-06-15"), -1);
    EXPECT_EQ(sim::parseLocalTime("2025-06-15 10:00:00 junk"), -1);
    EXPECT_EQ(
        sim::parseLocalTime("2025-06-15 10:00:01\n") - sim::parseLocalTime("2025-06-15 10:00:00"),
        1);
}

TEST_F(PlatformSim, PathsLiveUnderTheSandboxRoot) {
    EXPECT_EQ(platform::rootPrefix(), board().config().root);
    EXPECT_FALSE(platform::rootPrefix().empty());
    EXPECT_EQ(platform::path("/home/pi/txt/date.txt"),
              board().config().root + "/home/pi/txt/date.txt");
}

TEST_F(PlatformSim, PinsAndPwmReachTheBoard) {
    pinMode(1, PWM_OUTPUT);
    pwmSetClock(192);
    pwmSetRange(2000);
    pwmWrite(1, 150);
    EXPECT_EQ(board().pins().mode(1), PWM_OUTPUT);
    EXPECT_EQ(board().pins().pwmLevel(1), 150);
    EXPECT_EQ(board().pwmClock(), 192);
    EXPECT_EQ(board().pwmRange(), 2000u);

    pinMode(17, OUTPUT);
    digitalWrite(17, LOW);
    EXPECT_EQ(digitalRead(17), 0);
    pinMode(17, INPUT);
    pullUpDnControl(17, PUD_DOWN);
    EXPECT_EQ(digitalRead(17), 0);
    pullUpDnControl(17, PUD_UP);
    EXPECT_EQ(digitalRead(17), 1);
}

TEST_F(PlatformSim, HandlerRunsOnItsOwnThreadAtTheEdgeTime) {
    const int pin = sim::Keypad::pinOf("R_C");
    pinMode(pin, INPUT);
    pullUpDnControl(pin, PUD_UP);
    ASSERT_EQ(wiringPiISR(pin, INT_EDGE_BOTH, recordCall), 0);
    board().keyDown(3'000, "R_C");
    board().keyUp(7'000, "R_C");
    delay(20);
    ASSERT_EQ(gCalls.size(), 2u);
    EXPECT_EQ(gCalls[0].at, 3u);
    EXPECT_EQ(gCalls[1].at, 7u);
    EXPECT_NE(gCalls[0].thread, std::this_thread::get_id());
    EXPECT_EQ(gCalls[0].thread, gCalls[1].thread);
    EXPECT_EQ(digitalRead(pin), 1);
}

TEST_F(PlatformSim, FallingEdgeHandlerIgnoresReleases) {
    const int pin = sim::Keypad::pinOf("POWER");
    pullUpDnControl(pin, PUD_UP);
    wiringPiISR(pin, INT_EDGE_FALLING, recordCall);
    for (Micros at = 1'000; at <= 5'000; at += 2'000) {
        board().keyDown(at, "POWER");
        board().keyUp(at + 1'000, "POWER");
    }
    delay(10);
    ASSERT_EQ(gCalls.size(), 3u);
    EXPECT_EQ(gCalls[0].at, 1u);
    EXPECT_EQ(gCalls[2].at, 5u);
}

TEST_F(PlatformSim, EdgesDuringAHandlerCollapseIntoOnePending) {
    const int pin = sim::Keypad::pinOf("VALID");
    pullUpDnControl(pin, PUD_UP);
    gHandlerDelay = 100;
    wiringPiISR(pin, INT_EDGE_BOTH, recordCall);
    board().keyDown(1'000, "VALID");  // starts the first run, busy until 101 ms
    for (Micros at = 10'000; at < 60'000; at += 10'000) {
        board().keyUp(at, "VALID");
        board().keyDown(at + 5'000, "VALID");
    }
    delay(1'000);
    ASSERT_EQ(gCalls.size(), 2u);
    EXPECT_EQ(gCalls[0].at, 1u);
    EXPECT_EQ(gCalls[1].at, 101u);  // the one kept edge runs right after the first
}

TEST_F(PlatformSim, EachPinHasItsOwnHandlerThread) {
    const int a = sim::Keypad::pinOf("1"), b = sim::Keypad::pinOf("2");
    pullUpDnControl(a, PUD_UP);
    pullUpDnControl(b, PUD_UP);
    wiringPiISR(a, INT_EDGE_FALLING, recordCall);
    wiringPiISR(b, INT_EDGE_FALLING, recordCall);
    board().keyDown(2'000, "1");
    board().keyDown(2'000, "2");
    delay(5);
    ASSERT_EQ(gCalls.size(), 2u);
    EXPECT_NE(gCalls[0].thread, gCalls[1].thread);
    EXPECT_EQ(gCalls[0].at, gCalls[1].at);
}

TEST_F(PlatformSim, EncoderDetentProducesFourEdgesOverItsDuration) {
    pullUpDnControl(sim::Keypad::kEncoderPinA, PUD_UP);
    pullUpDnControl(sim::Keypad::kEncoderPinB, PUD_UP);
    wiringPiISR(sim::Keypad::kEncoderPinA, INT_EDGE_BOTH, recordCall);
    wiringPiISR(sim::Keypad::kEncoderPinB, INT_EDGE_BOTH, recordCall);
    board().detent(10'000, true, 8'000);
    delay(30);
    ASSERT_EQ(gCalls.size(), 4u);
    EXPECT_EQ(gCalls[0].at, 10u);
    EXPECT_EQ(gCalls[3].at, 16u);
    EXPECT_EQ(board().keypad().encoderState(), 3);  // back at rest
}

platform::Lock gLock;
std::vector<std::string> gLockLog;

void* holdLockForTenMs(void*) {
    gLock.lock();
    gLockLog.push_back("worker took at " + std::to_string(millis()));
    delay(10);
    gLockLog.push_back("worker releases at " + std::to_string(millis()));
    gLock.unlock();
    return nullptr;
}

TEST_F(PlatformSim, LockWaitsInVirtualTimeAndIsHandedOver) {
    gLockLog.clear();
    ASSERT_EQ(piThreadCreate(holdLockForTenMs), 0);
    delay(1);  // the worker runs and takes the lock
    EXPECT_FALSE(gLock.try_lock());
    gLock.lock();
    gLockLog.push_back("main took at " + std::to_string(millis()));
    gLock.unlock();
    EXPECT_EQ(gLockLog, (std::vector<std::string>{"worker took at 0", "worker releases at 10",
                                                  "main took at 10"}));
    EXPECT_TRUE(gLock.try_lock());
    gLock.unlock();
}

TEST_F(PlatformSim, ShellRunsInTheWorkingDirectoryAndIsRecorded) {
    delay(250);
    int status = platform::shell("echo \"$KALVENTRIX_WALLTIME $KALVENTRIX_ROOT\" > shell_out.txt");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile("shell_out.txt"),
              std::to_string(board().wallTime()) + " " + board().config().root + "\n");
    auto log = board().shellLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].at, 250'000u);
    EXPECT_EQ(log[0].command.substr(0, 4), "echo");
    std::remove("shell_out.txt");
}

TEST_F(PlatformSim, ShellCommandsDoNotInheritTheBoardSettings) {
    ::setenv("KALVENTRIX_SIM_FD", "99", 1);
    platform::shell("echo \"${KALVENTRIX_SIM_FD:-none}\" > shell_env.txt");
    ::unsetenv("KALVENTRIX_SIM_FD");
    EXPECT_EQ(readFile("shell_env.txt"), "none\n");
    std::remove("shell_env.txt");
}

TEST_F(PlatformSim, ShellReturnsTheWaitStatus) {
    int status = platform::shell("exit 3");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST_F(PlatformSim, ShellFindsStubToolsFirstAndTheirDateSetMovesTheClock) {
    std::string root = board().config().root;
    ::mkdir((root + "/.sim").c_str(), 0755);
    ::mkdir((root + "/.sim/bin").c_str(), 0755);
    std::string stub = root + "/.sim/bin/date";
    {
        std::ofstream out(stub);
        out << "#!/bin/sh\n"
               "[ \"$1\" = --set ] && printf '%s' \"$2\" > \"$KALVENTRIX_ROOT/.sim/date-set\"\n";
    }
    ::chmod(stub.c_str(), 0755);
    delay(5'000);
    platform::shell("date --set '2026-02-03 04:05:06'");
    EXPECT_EQ(platform::formatLocalTime("%F %T"), "2026-02-03 04:05:06");
    std::ifstream gone(root + "/.sim/date-set");
    EXPECT_FALSE(gone.good());
    delay(1'000);
    EXPECT_EQ(platform::formatLocalTime("%T"), "04:05:07");
    EXPECT_EQ(board().wallOffset(), sim::parseLocalTime("2026-02-03 04:05:06") -
                                        sim::parseLocalTime("2025-06-15 10:00:05"));
    std::remove(stub.c_str());
}

TEST_F(PlatformSim, ShellRecordsAreReportedOnceInSnapshots) {
    platform::shell("true");
    delay(3);
    platform::shell("true second");
    sim::Snapshot first = board().snapshot();
    ASSERT_EQ(first.shell.size(), 2u);
    EXPECT_EQ(first.shell[1].at, 3'000u);
    EXPECT_EQ(first.now, 3'000u);
    EXPECT_TRUE(board().snapshot().shell.empty());
}

TEST_F(PlatformSim, SerialZeroIsThePrinterAndNothingElseOpens) {
    EXPECT_EQ(serialOpen("/dev/ttyUSB0", 9600), -1);
    EXPECT_EQ(serialOpen(nullptr, 9600), -1);
    int fd = serialOpen(platform::path("/dev/serial0").c_str(), 19200);
    ASSERT_EQ(fd, sim::kPrinterFd);
    EXPECT_EQ(board().serialBaud(), 19200);
    for (char c : std::string("HELLO\n")) serialPutchar(fd, static_cast<unsigned char>(c));
    serialPutchar(-1, 'X');  // a failed open's descriptor goes nowhere
    auto paper = board().takePaper();
    ASSERT_EQ(paper.size(), 1u);
    EXPECT_EQ(paper[0].text, "HELLO");
    serialClose(fd);
    for (char c : std::string("LOST\n")) serialPutchar(fd, static_cast<unsigned char>(c));
    EXPECT_TRUE(board().takePaper().empty());
}

TEST_F(PlatformSim, AStretchedClockIsLetGoOnceItsTimeIsUp) {
    const int scl = sim::I2cDisplay::kSclPin;
    pinMode(scl, INPUT);
    board().display()->holdClock(50'000);
    EXPECT_EQ(digitalRead(scl), 0);
    delay(49);
    EXPECT_EQ(digitalRead(scl), 0);
    delay(2);
    EXPECT_EQ(digitalRead(scl), 1);
}

TEST_F(PlatformSim, DisplayAddressComesFromTheConfiguration) {
    sim::BoardConfig config = Board::defaultConfig();
    config.lcdAddr = 0x3F;
    EXPECT_EQ(Board::reset(config).display()->address(), 0x3F);
    config.lcdAddr = 0;
    EXPECT_FALSE(Board::reset(config).glass().present);
    EXPECT_TRUE(Board::reset().glass().present);
}

}  // namespace

// A root that nobody prepared still never lets a command reach the host's tools.
TEST_F(PlatformSim, AnUnpreparedRootGetsTheStubToolsBeforeAnyCommandRuns) {
    const std::string root = board().config().root;
    std::remove((root + "/.sim/bin/sudo").c_str());
    std::remove((root + "/.sim/bin/shutdown").c_str());
    std::remove((root + "/.sim/shutdown.log").c_str());
    platform::shell("sudo shutdown -h now");
    EXPECT_EQ(readFile(root + "/.sim/shutdown.log"), "-h now\n");
}
