#include "server/protocol.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <set>

namespace server {
namespace {

std::optional<int> intParam(const Params& params, const std::string& name) {
    auto it = params.find(name);
    if (it == params.end() || it->second.empty() || it->second.size() > 6) return std::nullopt;
    for (char c : it->second)
        if (c < '0' || c > '9') return std::nullopt;
    return std::stoi(it->second);
}

std::string param(const Params& params, const std::string& name) {
    auto it = params.find(name);
    return it == params.end() ? "" : it->second;
}

// Digits from `from` to the end of `text`, between `least` and `most` of them.
bool digitsOnly(const std::string& text, std::size_t from, std::size_t least, std::size_t most) {
    const std::size_t count = text.size() - std::min(from, text.size());
    if (count < least || count > most) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// "N<k>" with one to three digits: the figure k, else nullopt.
std::optional<int> figureKey(const std::string& key) {
    if (key.empty() || key[0] != 'N' || !digitsOnly(key, 1, 1, 3)) return std::nullopt;
    return std::stoi(key.substr(1));
}

// A score as terminals send it: an optional minus, one to three digits, and
// an optional tenth (".5").
bool isScore(const std::string& value) {
    const std::size_t start = !value.empty() && value[0] == '-' ? 1 : 0;
    const std::size_t dot = value.find('.', start);
    const std::string whole = value.substr(start, dot == std::string::npos ? dot : dot - start);
    if (!digitsOnly(whole, 0, 1, 3)) return false;
    return dot == std::string::npos || digitsOnly(value, dot + 1, 1, 1);
}

// Figure values "N<k>=<value>" with 1 <= k <= figures; nullopt when any is
// out of range or not a score. A repeated figure keeps its last value.
std::optional<std::map<int, std::string>> figureValues(const Params& params, int figures) {
    std::map<int, std::string> values;
    for (const auto& [key, value] : params) {
        const std::optional<int> figure = figureKey(key);
        if (!figure) continue;
        if (*figure < 1 || *figure > figures || !isScore(value)) return std::nullopt;
        values[*figure] = value;
    }
    return values;
}

}  // namespace

Protocol::Protocol(const Contest& contest, Store& store, std::function<std::string()> now)
    : contest_(contest), store_(store), now_(std::move(now)) {}

std::string Protocol::answer(const Params& params, const std::string& terminal,
                             const std::string& request) {
    std::string option = param(params, "OPT");
    int judge = intParam(params, "J").value_or(-1);
    int line = intParam(params, "L").value_or(-1);
    store_.seeTerminal(terminal, judge, line, request, now_());
    if (option == "H") return hello();
    if (option == "P") return nextPilot(params, terminal);
    if (option == "T") return sheet(params, terminal, false);
    if (option == "U") return sheet(params, terminal, true);
    return result(kWrongOption);
}

std::string Protocol::hello() {
    return "return:0&H:" + now_();
}

std::string Protocol::nextPilot(const Params& params, const std::string& terminal) {
    std::optional<int> line = intParam(params, "L");
    if (!line) return "return:-2";
    int judge = store_.terminal(terminal).judge;
    std::set<std::pair<int, int>> covered;  // second flights of pairs, asked with the first
    for (const Flight& f : contest_.flights()) {
        if (contest_.isSecondOfPair(f.comp, f.number)) continue;
        const std::vector<int>* order = contest_.order(f.comp, f.number, *line);
        if (order == nullptr) continue;
        int figures = contest_.figureCount(f.schedule);
        for (int pilot : *order) {
            bool first = store_.hasComplete(f.comp, f.number, pilot, terminal, judge, figures);
            int flight = f.number;
            if (first && f.doubled) {
                const Flight* second = contest_.flight(f.comp, f.number + 1);
                int secondFigures = contest_.figureCount(second->schedule);
                if (store_.hasComplete(f.comp, second->number, pilot, terminal, judge,
                                       secondFigures))
                    continue;
                flight = second->number;  // asked for alone: the first one is in
            } else if (first) {
                continue;
            } else if (f.doubled) {
                flight += 50;
            }
            char reply[64];
            std::snprintf(reply, sizeof(reply), "return:%03d%02d%02d%s", pilot, flight, f.comp,
                          f.schedule.c_str());
            return reply;
        }
    }
    return "return:-1";
}

std::string Protocol::sheet(const Params& params, const std::string& terminal, bool save) {
    std::optional<int> flightNo = intParam(params, "F"), judge = intParam(params, "J");
    std::optional<int> pilot = intParam(params, "D"), comp = intParam(params, "C");
    std::optional<int> line = intParam(params, "L");
    if (!flightNo || !judge || !pilot || !comp) return result(kParamCount);
    if (params.count("L") != 0 && !line) return result(kParamCount);

    const Flight* flight = contest_.flight(*comp, *flightNo);
    if (flight == nullptr) return result(kFlightError);
    if (!line) line = contest_.lineOfJudge(*comp, *judge);  // a queued sheet comes without L
    if (!line || !contest_.isJudgeOf(*comp, *line, *judge)) return result(kJudgeError);
    if (!contest_.knowsPilot(*comp, *pilot)) return result(kPilotError);
    const std::vector<int>* order = contest_.order(*comp, *flightNo, *line);
    if (order == nullptr || std::find(order->begin(), order->end(), *pilot) == order->end())
        return result(kNotInPhase);
    if (params.count("P") != 0 && param(params, "P") != flight->schedule)
        return result(kWrongSchedule);

    int figures = contest_.figureCount(flight->schedule);
    std::optional<std::map<int, std::string>> values = figureValues(params, figures);
    if (!values || values->empty()) return result(kParamCount);
    if (!save) {
        // A check names every figure of the schedule.
        if (static_cast<int>(values->size()) != figures) return result(kParamCount);
        return hello();
    }
    SheetKey key{*comp, *flightNo, *judge, *pilot};
    if (!store_.saveMarks(key, terminal, *values, now_())) return result(kSqlUpdate);
    return hello();
}

}  // namespace server
