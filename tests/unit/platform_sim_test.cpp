// The wiringPi and platform calls as the program sees them on the virtual
// board, in auto mode: the test's thread is the program's main thread.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <wiringPi.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/platform.h"
#include "sim/board.h"
#include "sim/devices/keypad.h"

namespace {

using sim::Board;
using sim::Keypad;
using sim::Micros;

constexpr Micros kMs = 1000;

// Each call as "millis thread", threads numbered from the test's own, 0.
std::vector<std::string> gCalls;
std::vector<std::thread::id> gThreads;
unsigned int gHandlerDelay = 0;

void recordCall() {
    auto self = std::find(gThreads.begin(), gThreads.end(), std::this_thread::get_id());
    gCalls.push_back(std::to_string(millis()) + " " + std::to_string(self - gThreads.begin()));
    if (self == gThreads.end()) gThreads.push_back(std::this_thread::get_id());
    if (gHandlerDelay) delay(gHandlerDelay);
}

class PlatformSim : public testing::Test {
  protected:
    void SetUp() override {
        gThreads = {std::this_thread::get_id()};
        board_ = &Board::reset();
        wiringPiSetup();
    }
    void TearDown() override { Board::reset(); }
    Board* board_ = nullptr;
};

// Each handler on its own thread at its edges' time, falling edges only when
// asked; a detent is four edges; edges during a run collapse into one.
TEST_F(PlatformSim, HandlersRunOnTheirOwnThreadsAtTheirEdges) {
    for (int pin : {Keypad::pinOf("R_C"), Keypad::pinOf("POWER"), Keypad::kEncoderPinA,
                    Keypad::kEncoderPinB}) {
        pullUpDnControl(pin, PUD_UP);
        wiringPiISR(pin, pin == Keypad::pinOf("POWER") ? INT_EDGE_FALLING : INT_EDGE_BOTH,
                    recordCall);
    }
    board_->keyDown(3 * kMs, "R_C");
    board_->keyUp(7 * kMs, "R_C");
    for (Micros at : {4 * kMs, 6 * kMs}) {
        board_->keyDown(at, "POWER");
        board_->keyUp(at + 1 * kMs, "POWER");
    }
    board_->detent(10 * kMs, true, 8 * kMs);
    delay(20);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"3 1", "4 2", "6 2", "7 1", "10 3", "12 4", "14 3",
                                                "16 4"}));
    gCalls.clear();
    gHandlerDelay = 100;
    board_->keyDown(30 * kMs, "R_C");  // busy until 130 ms
    for (Micros at = 40 * kMs; at < 90 * kMs; at += 10 * kMs) {
        board_->keyUp(at, "R_C");
        board_->keyDown(at + 5 * kMs, "R_C");
    }
    delay(1000);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"30 1", "130 1"}));
    // An edge left pending when the board is replaced runs no handler.
    board_->keyUp(1100 * kMs, "R_C");
    board_->keyDown(1110 * kMs, "R_C");
    delay(120);
    Board& old = *board_;
    Board::reset();
    for (int i = 0; i < 5000 && old.clock().threadCount() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(gCalls.size(), 3u);
}

platform::Lock gLock;
std::vector<std::string> gLockLog;

TEST_F(PlatformSim, AWaitForALockGivesWayAndTheLockIsHandedOver) {
    piThreadCreate([](void*) -> void* {
        gLock.lock();
        gLockLog.push_back("worker took at " + std::to_string(millis()));
        delay(10);
        gLock.unlock();
        return nullptr;
    });
    delay(1);
    EXPECT_FALSE(gLock.try_lock());
    gLock.lock();
    gLockLog.push_back("main took at " + std::to_string(millis()));
    gLock.unlock();
    EXPECT_EQ(gLockLog, (std::vector<std::string>{"worker took at 0", "main took at 10"}));
    EXPECT_TRUE(gLock.try_lock());
    gLock.unlock();
}

// Commands meet the stand-in tools, even in a root nobody prepared, with the
// board's root and wall time but none of its own settings.
TEST_F(PlatformSim, ShellCommandsMeetTheStubToolsOnly) {
    const std::string root = board_->config().root;
    for (const char* file : {"/.sim/bin/sudo", "/.sim/bin/shutdown", "/.sim/shutdown.log"})
        std::remove((root + file).c_str());
    setenv("KALVENTRIX_SIM_FD", "99", 1);
    const int status = platform::shell(
        "sudo shutdown -h now; echo $KALVENTRIX_WALLTIME $KALVENTRIX_ROOT "
        "${KALVENTRIX_SIM_FD:-none} > \"$KALVENTRIX_ROOT/out.txt\"; exit 3");
    unsetenv("KALVENTRIX_SIM_FD");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
    std::stringstream out;
    out << std::ifstream(root + "/.sim/shutdown.log").rdbuf()
        << std::ifstream(root + "/out.txt").rdbuf();
    EXPECT_EQ(out.str(), "-h now\n" + std::to_string(board_->wallTime()) + " " + root + " none\n");
}

}  // namespace
