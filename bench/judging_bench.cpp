// Responsiveness of score entry on the virtual board at the display's own bus
// timings: virtual time from a digit key to its value on the glass, and from
// VALID to the next figure on the glass, over a 20-figure flight.
//
// The program's globals and a scripted server link in process
// (bench/support/screens_support.cpp).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "bench/support/screens_support.h"
#include "screens/fn_screen_note.h"
#include "sim/board.h"

namespace {

using screens_test::glassRow;
using screens_test::press;

constexpr int kFigures = 20;
constexpr unsigned int kHoldMs = 100;
constexpr unsigned int kFirstKeyMs = 1000;
constexpr unsigned int kFigureMs = 2000;  // digit, then VALID 1 s later
constexpr sim::Micros kProbeStep = 200;   // glass looked at every 0.2 ms
constexpr sim::Micros kProbeSpan = 1'000'000;

sim::Board& board() {
    return sim::Board::instance();
}

// One fresh database, keys and context per flight, as for one test case.
class Flight : public screens_test::ScreenTest {
  public:
    void begin() { SetUp(); }
    void end() { TearDown(); }

  private:
    void TestBody() override {}
};

std::string label(int figure) {
    return std::string(18, static_cast<char>('A' + figure));
}

std::vector<screens_test::Figure> twentyFigures() {
    std::vector<screens_test::Figure> figures;
    // Labels as long as the row allows and unlike their neighbours, so that a
    // move to the next figure rewrites whole rows as real catalogues do.
    for (int i = 0; i < kFigures; ++i) figures.push_back({0, label(i)});
    return figures;
}

// Looks at the glass every probe step after `from` and keeps the first
// moment `shown` holds; 0 when it never did within the span.
struct Probe {
    sim::Micros pressedAt = 0;
    sim::Micros releasedAt = 0;
    sim::Micros shownAt = 0;
};

template <typename Shown>
void watch(Probe* probe, Shown shown) {
    for (sim::Micros at = probe->releasedAt; at <= probe->releasedAt + kProbeSpan;
         at += kProbeStep) {
        board().clock().scheduleAt(at, [probe, shown, at] {
            if (probe->shownAt == 0 && shown()) probe->shownAt = at;
        });
    }
}

sim::Micros millisFromNow(unsigned int ms) {
    return board().clock().now() + sim::Micros(ms) * 1000;
}

Probe pressWatched(const std::string& key, unsigned int atMs) {
    Probe probe;
    probe.pressedAt = millisFromNow(atMs);
    probe.releasedAt = millisFromNow(atMs + kHoldMs);
    press(key, atMs, kHoldMs);
    return probe;
}

// An untouched figure's row: number, label, and its value 10 at the right end.
std::string untouchedRow(int figure) {
    std::string row = (std::to_string(figure + 1) + " " + label(figure)).substr(0, 20);
    return row.substr(0, 17) + " 10";
}

bool figureIsCurrent(int figure) {
    return glassRow(2).rfind(std::to_string(figure + 1) + " ", 0) == 0;
}

// The figure is current and its row and the next one are fully drawn.
bool figureFullyShown(int figure) {
    if (glassRow(2) != untouchedRow(figure)) return false;
    return figure + 1 >= kFigures || glassRow(3) == untouchedRow(figure + 1);
}

// Digit d on figure i, then VALID: each watched until the glass shows it.
struct FigureProbes {
    Probe digit, valid;
};

void scheduleFlight(std::vector<FigureProbes>* probes) {
    probes->assign(kFigures, FigureProbes());
    for (int i = 0; i < kFigures; ++i) {
        const unsigned int at = kFirstKeyMs + static_cast<unsigned int>(i) * kFigureMs;
        const int digit = 1 + i % 9;
        FigureProbes& figure = (*probes)[i];
        figure.digit = pressWatched(std::to_string(digit), at);
        figure.valid = pressWatched("VALID", at + kFigureMs / 2);
        const std::string value = " " + std::to_string(digit);
        watch(&figure.digit,
              [i, value] { return figureIsCurrent(i) && glassRow(2).substr(18) == value; });
        if (i + 1 < kFigures) watch(&figure.valid, [i] { return figureFullyShown(i + 1); });
    }
    // The confirmation screen opens on the last VALID; VALID again stores it.
    press("VALID", kFirstKeyMs + kFigures * kFigureMs + 500, kHoldMs);
}

struct Latencies {
    double digitFromRelease = 0, digitFromPress = 0, validFromRelease = 0;
    double worstDigitFromRelease = 0;
    int missed = 0;
};

double millis(sim::Micros from, sim::Micros to) {
    return static_cast<double>(to - from) / 1000.0;
}

Latencies summarise(const std::vector<FigureProbes>& probes) {
    Latencies result;
    int digits = 0, valids = 0;
    for (size_t i = 0; i < probes.size(); ++i) {
        const Probe& digit = probes[i].digit;
        if (digit.shownAt == 0) {
            ++result.missed;
        } else {
            const double fromRelease = millis(digit.releasedAt, digit.shownAt);
            result.digitFromRelease += fromRelease;
            result.digitFromPress += millis(digit.pressedAt, digit.shownAt);
            if (fromRelease > result.worstDigitFromRelease)
                result.worstDigitFromRelease = fromRelease;
            ++digits;
        }
        if (i + 1 == probes.size()) continue;
        const Probe& valid = probes[i].valid;
        if (valid.shownAt == 0) {
            ++result.missed;
        } else {
            result.validFromRelease += millis(valid.releasedAt, valid.shownAt);
            ++valids;
        }
    }
    if (digits > 0) result.digitFromRelease /= digits, result.digitFromPress /= digits;
    if (valids > 0) result.validFromRelease /= valids;
    return result;
}

Latencies flyOnce() {
    Flight flight;
    flight.begin();
    screens_test::addSchedule("F25", "ENG", twentyFigures());
    gNRT = true;  // the live-score send of every VALID is part of the path
    std::vector<FigureProbes> probes;
    scheduleFlight(&probes);
    screen_note();
    flight.end();
    return summarise(probes);
}

void report(benchmark::State& state, const Latencies& sum, int flights) {
    state.counters["digit_release_ms"] = sum.digitFromRelease / flights;
    state.counters["digit_press_ms"] = sum.digitFromPress / flights;
    state.counters["digit_worst_release_ms"] = sum.worstDigitFromRelease;
    state.counters["valid_release_ms"] = sum.validFromRelease / flights;
    state.counters["missed"] = sum.missed;
}

Latencies accumulate(Latencies sum, const Latencies& one) {
    sum.digitFromRelease += one.digitFromRelease;
    sum.digitFromPress += one.digitFromPress;
    sum.validFromRelease += one.validFromRelease;
    if (one.worstDigitFromRelease > sum.worstDigitFromRelease)
        sum.worstDigitFromRelease = one.worstDigitFromRelease;
    sum.missed += one.missed;
    return sum;
}

// Flies whole flights; each iteration's time is the mean latency `measured`.
void flyFlights(benchmark::State& state, double Latencies::*measured) {
    Latencies sum;
    int flights = 0;
    for (auto _ : state) {
        const Latencies one = flyOnce();
        sum = accumulate(sum, one);
        ++flights;
        state.SetIterationTime(one.*measured / 1000.0);
    }
    report(state, sum, flights);
}

// Reported time: mean virtual time from the digit key's release to its value.
void BM_DigitKeyToValueOnGlass(benchmark::State& state) {
    flyFlights(state, &Latencies::digitFromRelease);
}

// Reported time: mean virtual time from VALID's release to the next figure.
void BM_ValidToNextFigureOnGlass(benchmark::State& state) {
    flyFlights(state, &Latencies::validFromRelease);
}

}  // namespace

BENCHMARK(BM_DigitKeyToValueOnGlass)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidToNextFigureOnGlass)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
