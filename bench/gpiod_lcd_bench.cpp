// Drawing on the display through the Raspberry Pi's backend: every line
// change of the soft I2C bus is a libgpiod call, here into the stand-in
// library whose board runs in real time. The time is wall-clock time per
// iteration; bench/drivers gives the same drawing in the virtual board's own
// time, set by the driver's pauses alone.
#include <benchmark/benchmark.h>
#include <wiringPi.h>

#include <string>

#include "drivers/soft_lcd.h"
#include "sim/board.h"
#include "sim/devices/trace.h"
#include "sim/gpiod/standin.h"

namespace {

bool rowShows(const sim::Glass& glass, int row, const std::string& text) {
    const auto& cells = glass.cells[static_cast<std::size_t>(row)];
    return std::string(cells.begin(), cells.end()).find(text) != std::string::npos;
}

RpLcd& readyDisplay() {
    static RpLcd* lcd = [] {
        wiringPiSetup();
        auto* display = new RpLcd;
        display->setParam(9, 8, 0x27, 4, 20);
        return display;
    }();
    return *lcd;
}

// Runs `draw` once per iteration; reports the bus transactions it took and
// fails when the display did not end up showing `shown` on `row`.
template <typename Draw>
void measure(benchmark::State& state, int row, const std::string& shown, Draw draw) {
    RpLcd& lcd = readyDisplay();
    sim::Board& board = sim::gpiod_standin::board();
    const sim::Trace::Counters before = board.trace().counters();
    for (auto _ : state) draw(lcd);
    const sim::Trace::Counters after = board.trace().counters();
    state.counters["transactions"] =
        benchmark::Counter(static_cast<double>(after.transactions - before.transactions),
                           benchmark::Counter::kAvgIterations);
    if (after.violations != before.violations || after.nacks != before.nacks)
        state.SkipWithError("the display saw accesses while busy or unacknowledged bytes");
    else if (!rowShows(board.glass(), row, shown))
        state.SkipWithError("the display does not show what was drawn");
}

void BM_CharacterOverLibgpiod(benchmark::State& state) {
    readyDisplay().pos(1, 0);
    int column = 0;
    measure(state, 1, "A", [&column](RpLcd& lcd) {
        lcd.print("A");
        if (++column == 20) column = 0;
    });
}

void BM_ClearAndFullRedrawOverLibgpiod(benchmark::State& state) {
    const std::string row(20, 'x');
    measure(state, 3, row, [&row](RpLcd& lcd) {
        lcd.clear();
        for (int r = 0; r < 4; ++r) lcd.lcdPrint(row, r, 0, false);
    });
}

}  // namespace

BENCHMARK(BM_CharacterOverLibgpiod)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClearAndFullRedrawOverLibgpiod)->UseRealTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
