#include "server/contest.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace server {
namespace {

using Row = std::vector<std::string>;

// The files of a contest folder; all but pilots.csv are required.
const char kCompetitions[] = "competitions.csv";
const char kFlights[] = "flights.csv";
const char kLines[] = "lines.csv";
const char kJudges[] = "judges.csv";
const char kPilots[] = "pilots.csv";
const char kProgrammes[] = "SD-Template/zeph_programme.csv";
const char kFigures[] = "SD-Template/zeph_figure.csv";
const char* const kRequired[] = {kCompetitions, kFlights, kLines, kJudges, kProgrammes, kFigures};

bool isRequired(const std::string& name) {
    return std::find(std::begin(kRequired), std::end(kRequired), name) != std::end(kRequired);
}

std::string trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool toInt(const std::string& text, int* value) {
    std::string t = trim(text);
    if (t.empty() || t.size() > 9) return false;
    size_t i = t[0] == '-' ? 1 : 0;
    if (i == t.size()) return false;
    for (size_t k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9') return false;
    *value = std::stoi(t);
    return true;
}

// Calls `take` for every non-empty, non-comment line of `name` in `dir`;
// stops at the first line it refuses and reports the file and line number.
bool readRows(const std::string& dir, const std::string& name, size_t minFields,
              const std::function<bool(const Row&)>& take, std::string* error) {
    std::string file = dir + "/" + name;
    std::ifstream in(file);
    if (!in) {
        if (!isRequired(name)) return true;
        *error = "cannot read " + file;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string content = trim(line);
        if (content.empty() || content[0] == '#') continue;
        Row row = splitFields(content);
        for (std::string& field : row) field = trim(field);
        if (row.size() < minFields || !take(row)) {
            *error = file + ":" + std::to_string(number) + ": bad line: " + content;
            return false;
        }
    }
    return true;
}

bool fitsReply(int comp, int flight, int pilot) {
    // The next-pilot reply has 2 digits for the competition, 2 for the flight
    // (plus 50 for a pair) and 3 for the pilot.
    return comp >= 0 && comp <= 99 && flight >= 1 && flight <= 49 && pilot >= 0 && pilot <= 999;
}

bool validScheduleName(const std::string& name) {
    if (name.empty() || name.size() > 8) return false;
    return std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '+';
    });
}

}  // namespace

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\'' && i + 1 < line.size() && line[i + 1] == '\'') {
                fields.back() += '\'';
                ++i;
            } else if (c == '\'') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '\'') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string Contest::missingFrom(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (!fs::is_directory(dir, ignored)) return "no such folder";
    std::string missing;
    for (const char* name : kRequired) {
        if (fs::is_regular_file(fs::path(dir) / name, ignored)) continue;
        missing += (missing.empty() ? "no " : ", ") + std::string(name);
    }
    return missing;
}

std::optional<Contest> Contest::load(const std::string& dir, std::string* error) {
    Contest c;
    bool ok = readRows(
                  dir, kCompetitions, 2,
                  [&](const Row& r) {
                      int id = 0;
                      if (!toInt(r[0], &id) || id < 0 || id > 99) return false;
                      c.competitions_[id] = r[1];
                      return true;
                  },
                  error) &&
              readRows(
                  dir, kFlights, 3,
                  [&](const Row& r) {
                      Flight f;
                      int doubled = 0;
                      if (!toInt(r[0], &f.comp) || !toInt(r[1], &f.number)) return false;
                      if (r.size() > 3 && !toInt(r[3], &doubled)) return false;
                      f.schedule = r[2];
                      f.doubled = doubled == 1;
                      if (!fitsReply(f.comp, f.number, 0) || !validScheduleName(f.schedule))
                          return false;
                      c.flights_.push_back(f);
                      return true;
                  },
                  error) &&
              readRows(
                  dir, kLines, 4,
                  [&](const Row& r) {
                      LineOrder o;
                      if (!toInt(r[0], &o.comp) || !toInt(r[1], &o.flight) || !toInt(r[2], &o.line))
                          return false;
                      std::istringstream pilots(r[3]);
                      std::string word;
                      while (pilots >> word) {
                          int pilot = 0;
                          if (!toInt(word, &pilot) || !fitsReply(o.comp, o.flight, pilot))
                              return false;
                          o.pilots.push_back(pilot);
                      }
                      c.orders_.push_back(o);
                      return true;
                  },
                  error) &&
              readRows(
                  dir, kJudges, 3,
                  [&](const Row& r) {
                      Judge j;
                      if (!toInt(r[0], &j.comp) || !toInt(r[1], &j.line) || !toInt(r[2], &j.number))
                          return false;
                      j.name = r.size() > 3 ? r[3] : "";
                      c.judges_.push_back(j);
                      return true;
                  },
                  error) &&
              readRows(
                  dir, kPilots, 3,
                  [&](const Row& r) {
                      int comp = 0, pilot = 0;
                      if (!toInt(r[0], &comp) || !toInt(r[1], &pilot)) return false;
                      c.pilots_[{comp, pilot}] = r[2];
                      return true;
                  },
                  error);
    if (!ok) return std::nullopt;

    std::map<int, std::string> scheduleOfProgramme;
    ok = readRows(
             dir, kProgrammes, 4,
             [&](const Row& r) {
                 int id = 0;
                 if (!toInt(r[0], &id)) return false;
                 scheduleOfProgramme[id] = r[2];
                 c.figures_.emplace(r[2], 0);
                 return true;
             },
             error) &&
         readRows(
             dir, kFigures, 2,
             [&](const Row& r) {
                 int id = 0;
                 if (!toInt(r[1], &id) || scheduleOfProgramme.count(id) == 0) return false;
                 return true;
             },
             error);
    if (!ok) return std::nullopt;
    // Count each schedule in one language only: the first programme row of its name.
    std::map<std::string, int> countedProgramme;
    for (const auto& [id, name] : scheduleOfProgramme) countedProgramme.emplace(name, id);
    readRows(
        dir, kFigures, 2,
        [&](const Row& r) {
            int id = 0;
            toInt(r[1], &id);
            const std::string& name = scheduleOfProgramme[id];
            if (countedProgramme[name] == id) ++c.figures_[name];
            return true;
        },
        error);

    for (const Flight& f : c.flights_) {
        if (c.figureCount(f.schedule) == 0) {
            *error = "flight " + std::to_string(f.comp) + "/" + std::to_string(f.number) +
                     ": schedule " + f.schedule + " is not in the catalogue";
            return std::nullopt;
        }
        if (f.doubled && c.flight(f.comp, f.number + 1) == nullptr) {
            *error = "flight " + std::to_string(f.comp) + "/" + std::to_string(f.number) +
                     " is a pair but flight " + std::to_string(f.number + 1) + " is missing";
            return std::nullopt;
        }
    }
    return c;
}

std::string Contest::competitionName(int comp) const {
    auto it = competitions_.find(comp);
    return it == competitions_.end() ? "" : it->second;
}

std::string Contest::pilotName(int comp, int pilot) const {
    auto it = pilots_.find({comp, pilot});
    return it == pilots_.end() ? "" : it->second;
}

const Flight* Contest::flight(int comp, int number) const {
    for (const Flight& f : flights_)
        if (f.comp == comp && f.number == number) return &f;
    return nullptr;
}

const std::vector<int>* Contest::order(int comp, int flight, int line) const {
    for (const LineOrder& o : orders_)
        if (o.comp == comp && o.flight == flight && o.line == line) return &o.pilots;
    if (isSecondOfPair(comp, flight)) return order(comp, flight - 1, line);
    return nullptr;
}

std::vector<int> Contest::linesOf(int comp, int flight) const {
    std::vector<int> lines;
    int source = flight;
    bool any = false;
    for (const LineOrder& o : orders_) any |= o.comp == comp && o.flight == flight;
    if (!any && isSecondOfPair(comp, flight)) source = flight - 1;
    for (const LineOrder& o : orders_)
        if (o.comp == comp && o.flight == source &&
            std::find(lines.begin(), lines.end(), o.line) == lines.end())
            lines.push_back(o.line);
    return lines;
}

bool Contest::isJudgeOf(int comp, int line, int judge) const {
    return std::any_of(judges_.begin(), judges_.end(), [&](const Judge& j) {
        return j.comp == comp && j.line == line && j.number == judge;
    });
}

std::optional<int> Contest::lineOfJudge(int comp, int judge) const {
    for (const Judge& j : judges_)
        if (j.comp == comp && j.number == judge) return j.line;
    return std::nullopt;
}

bool Contest::knowsPilot(int comp, int pilot) const {
    if (pilots_.count({comp, pilot}) != 0) return true;
    return std::any_of(orders_.begin(), orders_.end(), [&](const LineOrder& o) {
        return o.comp == comp &&
               std::find(o.pilots.begin(), o.pilots.end(), pilot) != o.pilots.end();
    });
}

int Contest::figureCount(const std::string& schedule) const {
    auto it = figures_.find(schedule);
    return it == figures_.end() ? 0 : it->second;
}

bool Contest::isSecondOfPair(int comp, int number) const {
    const Flight* previous = flight(comp, number - 1);
    return previous != nullptr && previous->doubled;
}

}  // namespace server
