// Cost of the device models per unit of bus traffic: a virtual-board run
// pushes every display byte through them bit by bit.
#include <benchmark/benchmark.h>

#include "bench/sim_bus_master.h"
#include "sim/devices/i2c_display.h"
#include "sim/devices/printer_model.h"

namespace {

void displayCharacters(benchmark::State& state, bool traceText) {
    simtest::ManualClock clock;
    sim::Pins pins;
    sim::Trace trace;
    trace.setEnabled(traceText);
    sim::I2cDisplay display(pins, clock, trace, 0x27);
    simtest::BusMaster bus(pins, clock);
    simtest::LcdMaster lcd(bus, clock);
    bus.init();
    lcd.init();
    for (auto _ : state) {
        lcd.data('A');
        clock.advance(100);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DisplayCharacterTraced(benchmark::State& state) {
    displayCharacters(state, true);
}
void BM_DisplayCharacterCountersOnly(benchmark::State& state) {
    displayCharacters(state, false);
}

void BM_PrinterLine(benchmark::State& state) {
    simtest::ManualClock clock;
    sim::Trace trace;
    sim::PrinterModel printer(clock, trace);
    const std::string line =
        "\x1b"
        "a\x01Pilot 12  Flight 3  F-25 8.5\n";
    for (auto _ : state) {
        printer.put(line);
        benchmark::DoNotOptimize(printer.takeLines());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(line.size()));
}

}  // namespace

BENCHMARK(BM_DisplayCharacterTraced);
BENCHMARK(BM_DisplayCharacterCountersOnly);
BENCHMARK(BM_PrinterLine);
BENCHMARK_MAIN();
