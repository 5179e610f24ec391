// The threads a virtual board starts belong to it. When a test replaces the
// board, a handler still running finishes on the old, stopped board: it must
// neither read the new board's pins, nor join the new clock (whose baton it
// would take away when it ends), nor upset a lock that the new board's
// threads hold.
#include <gtest/gtest.h>
#include <wiringPi.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "sim/board.h"
#include "sim/devices/keypad.h"

namespace {

using sim::Board;
using sim::Micros;

constexpr Micros kMs = 1000;
const int kPin = sim::Keypad::pinOf("VALID");

// Handlers are plain functions, so what they see lives in globals.
std::atomic<int> gCalls{0};
std::atomic<bool> gReleased{false};
std::atomic<bool> gDone{false};
std::atomic<int> gReading{-1};
platform::Lock gSharedLock;

// Holds on until the test has replaced the board, then uses the platform.
void handlerOutlivingItsBoard() {
    if (gCalls.fetch_add(1) > 0) return;
    while (!gReleased) delay(1);
    gReading = digitalRead(kPin);
    gSharedLock.lock();
    gSharedLock.unlock();
    delay(5);
    gDone = true;
}

void slowHandler() {
    gCalls.fetch_add(1);
    delay(50);
}

// Waits for the stray thread outside virtual time; bounded so that a fault
// fails the test instead of hanging it.
template <typename Condition>
bool eventually(Condition condition) {
    for (int i = 0; i < 20000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

Board& boardWithKeyHandler(void (*handler)()) {
    gCalls = 0;
    gReleased = false;
    gDone = false;
    gReading = -1;
    Board& board = Board::reset();
    pinMode(kPin, INPUT);
    pullUpDnControl(kPin, PUD_UP);
    EXPECT_EQ(wiringPiISR(kPin, INT_EDGE_BOTH, handler), 0);
    return board;
}

}  // namespace

TEST(BoardThreadsTest, HandlerRunningWhenItsBoardIsReplacedFinishesOnThatBoard) {
    Board& old = boardWithKeyHandler(handlerOutlivingItsBoard);
    old.keyDown(old.clock().now() + 1 * kMs, "VALID");  // held to the end
    delay(20);
    ASSERT_EQ(gCalls, 1);

    Board& fresh = Board::reset();
    ASSERT_NE(&fresh, &old);
    gSharedLock.lock();  // the new board's main thread holds it
    const std::size_t threads = fresh.clock().threadCount();
    gReleased = true;
    ASSERT_TRUE(eventually([] { return gDone.load(); })) << "the handler never finished";

    EXPECT_EQ(gReading, 0) << "the handler read the new board's pin, not its held key";
    EXPECT_EQ(fresh.clock().threadCount(), threads) << "the handler joined the new clock";
    EXPECT_FALSE(gSharedLock.try_lock()) << "the handler freed a lock it never held";
    gSharedLock.unlock();

    const Micros before = fresh.clock().now();
    delay(10);  // the new board still hands its baton round
    EXPECT_EQ(fresh.clock().now() - before, 10 * kMs);
}

TEST(BoardThreadsTest, EdgeLeftPendingOnAReplacedBoardRunsNoHandler) {
    Board& old = boardWithKeyHandler(slowHandler);
    const Micros start = old.clock().now();
    old.keyDown(start + 1 * kMs, "VALID");
    old.keyUp(start + 10 * kMs, "VALID");  // arrives while the handler sleeps
    delay(20);
    ASSERT_EQ(gCalls, 1);

    Board::reset();
    // Only the test's own thread stays registered once the handler's is gone.
    ASSERT_TRUE(eventually([&old] { return old.clock().threadCount() <= 1; }));
    EXPECT_EQ(gCalls, 1) << "the release edge ran the handler on a stopped board";
}

TEST(BoardThreadsTest, ProgramThreadUsesTheBoardThatStartedIt) {
    static std::atomic<Board*> seen{nullptr};
    static std::atomic<bool> go{false};
    seen = nullptr;
    go = false;
    Board& old = Board::reset();
    piThreadCreate([](void*) -> void* {
        while (!go) delay(1);
        seen = &Board::instance();
        return nullptr;
    });
    delay(5);
    Board::reset();
    go = true;
    ASSERT_TRUE(eventually([] { return seen.load() != nullptr; }));
    EXPECT_EQ(seen.load(), &old);
}
