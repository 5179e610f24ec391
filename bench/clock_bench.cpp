// How much wall time virtual time costs: the screen loop's 10 ms poll for ten
// minutes, with and without a second thread woken by input events, and the
// 5 us pauses of the soft I2C bus.
#include <benchmark/benchmark.h>

#include <atomic>

#include "sim/clock.h"

namespace {

using sim::ClockMode;
using sim::Micros;
using sim::VirtualClock;

constexpr Micros kTenMinutes = 600'000'000;

void waitForThreads(VirtualClock& clock) {
    while (clock.threadCount() > 0) {
    }
}

void BM_TenMinutesOfPolling(benchmark::State& state) {
    for (auto _ : state) {
        VirtualClock clock(ClockMode::Controlled);
        clock.startThread([&] {
            while (clock.now() < kTenMinutes) clock.sleepFor(10'000);
        });
        clock.runUntil(kTenMinutes);
        waitForThreads(clock);
    }
}
BENCHMARK(BM_TenMinutesOfPolling)->Unit(benchmark::kMillisecond);

void BM_TenMinutesOfPollingWithKeyEdges(benchmark::State& state) {
    for (auto _ : state) {
        VirtualClock clock(ClockMode::Controlled);
        std::atomic<VirtualClock::Token> handler{-1};
        std::atomic<int> edges{0};
        clock.startThread([&] {
            while (clock.now() < kTenMinutes) clock.sleepFor(10'000);
        });
        clock.startThread([&] {
            handler = clock.current();
            while (clock.block()) edges++;
        });
        clock.runUntil(0);
        for (Micros at = 1'000; at < kTenMinutes; at += 250'000)  // four key edges a second
            clock.scheduleAt(at, [&] { clock.unblock(handler); });
        clock.runUntil(kTenMinutes);
        clock.stop();
        waitForThreads(clock);
        state.counters["edges"] = edges.load();
    }
}
BENCHMARK(BM_TenMinutesOfPollingWithKeyEdges)->Unit(benchmark::kMillisecond);

void BM_BusPauses(benchmark::State& state) {
    VirtualClock clock(ClockMode::Auto);
    for (auto _ : state) clock.sleepFor(5);
    state.SetItemsProcessed(state.iterations());
    clock.exitCurrent();
}
BENCHMARK(BM_BusPauses);

}  // namespace

BENCHMARK_MAIN();
