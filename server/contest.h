// The contest a server runs: competitions, flights with their schedule,
// pilot order per judging line, the judges of each line, and the number of
// figures of every schedule of the catalogue.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace server {

struct Flight {
    int comp = 0;
    int number = 0;
    std::string schedule;
    bool doubled = false;  // pilots fly this flight and the next one back to back
};

struct LineOrder {
    int comp = 0;
    int flight = 0;
    int line = 0;
    std::vector<int> pilots;
};

struct Judge {
    int comp = 0;
    int line = 0;
    int number = 0;
    std::string name;
};

class Contest {
  public:
    // Reads competitions.csv, flights.csv, lines.csv, judges.csv, pilots.csv
    // and SD-Template/zeph_programme.csv + zeph_figure.csv from `dir`.
    // On failure returns nullopt and explains why in `error`.
    static std::optional<Contest> load(const std::string& dir, std::string* error);
    // What keeps `dir` from being a contest folder, "" when nothing: the
    // folder itself, or the required files it lacks.
    static std::string missingFrom(const std::string& dir);

    const std::vector<Flight>& flights() const { return flights_; }
    const std::vector<Judge>& judges() const { return judges_; }
    std::string competitionName(int comp) const;
    std::string pilotName(int comp, int pilot) const;

    const Flight* flight(int comp, int number) const;
    // Flying order of a line; the second flight of a pair uses the first's
    // order unless it has its own.
    const std::vector<int>* order(int comp, int flight, int line) const;
    std::vector<int> linesOf(int comp, int flight) const;
    bool isJudgeOf(int comp, int line, int judge) const;
    std::optional<int> lineOfJudge(int comp, int judge) const;
    bool knowsPilot(int comp, int pilot) const;
    // Figures of a schedule (any language); 0 when unknown.
    int figureCount(const std::string& schedule) const;
    // True for the second flight of a back-to-back pair.
    bool isSecondOfPair(int comp, int number) const;

  private:
    std::map<int, std::string> competitions_;
    std::vector<Flight> flights_;
    std::vector<LineOrder> orders_;
    std::vector<Judge> judges_;
    std::map<std::pair<int, int>, std::string> pilots_;
    std::map<std::string, int> figures_;
};

// Splits one line of a contest or catalogue file at the commas that are not
// inside single quotes; quoted values lose their quotes ('' stands for ').
std::vector<std::string> splitFields(const std::string& line);

}  // namespace server
