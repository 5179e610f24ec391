// Cost of drawing on the display at the driver's own timings, in virtual
// microseconds (reported as the benchmark's time) and in bus transactions.
#include <benchmark/benchmark.h>
#include <wiringPi.h>

#include <string>

#include "drivers/soft_lcd.h"
#include "sim/board.h"
#include "sim/devices/trace.h"

namespace {

RpLcd& readyDisplay() {
    static RpLcd* lcd = [] {
        sim::Board::reset();
        sim::Board::instance().trace().setEnabled(false);  // counters only
        auto* display = new RpLcd;
        display->setParam(9, 8, 0x27, 4, 20);
        return display;
    }();
    return *lcd;
}

// Runs `draw` once per iteration and reports its virtual time and traffic.
template <typename Draw>
void measure(benchmark::State& state, Draw draw) {
    RpLcd& lcd = readyDisplay();
    sim::Board& board = sim::Board::instance();
    std::uint64_t transactions = 0;
    for (auto _ : state) {
        const sim::Micros start = board.clock().now();
        const std::uint64_t before = board.trace().counters().transactions;
        draw(lcd);
        transactions += board.trace().counters().transactions - before;
        state.SetIterationTime(static_cast<double>(board.clock().now() - start) / 1e6);
    }
    state.counters["transactions"] =
        benchmark::Counter(static_cast<double>(transactions), benchmark::Counter::kAvgIterations);
}

void BM_Character(benchmark::State& state) {
    RpLcd& lcd = readyDisplay();
    lcd.pos(1, 0);
    int column = 0;
    measure(state, [&column](RpLcd& display) {
        display.print("A");
        if (++column == 20) column = 0;
    });
    lcd.pos(1, 0);
}

void BM_PositionAndThreeCharacterValue(benchmark::State& state) {
    int value = 100;
    measure(state, [&value](RpLcd& lcd) {
        lcd.pos(2, 8);
        lcd.print(std::to_string(value));
        value = value == 999 ? 100 : value + 1;
    });
}

void BM_ClearAndFullRedraw(benchmark::State& state) {
    const std::string row(20, 'x');
    measure(state, [&row](RpLcd& lcd) {
        lcd.clear();
        for (int r = 0; r < 4; ++r) lcd.lcdPrint(row, r, 0, false);
    });
}

}  // namespace

BENCHMARK(BM_Character)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PositionAndThreeCharacterValue)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClearAndFullRedraw)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
