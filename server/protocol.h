// Answers of the import script: server time, next pilot per terminal, flight
// checks and score sheets, in the terminal's fixed-position reply forms.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "server/contest.h"
#include "server/store.h"

namespace server {

using Params = std::multimap<std::string, std::string>;

enum Code {
    kAccepted = 0,
    kFlightError = 100,
    kJudgeError = 101,
    kPilotError = 102,
    kParamCount = 103,
    kWrongOption = 104,
    kNotInPhase = 105,
    kWrongSchedule = 106,
    kSqlUpdate = 903,
};

class Protocol {
  public:
    // `now` gives the server time as 14 digits, YYYYMMDDhhmmss.
    Protocol(const Contest& contest, Store& store, std::function<std::string()> now);

    std::string answer(const Params& params, const std::string& terminal,
                       const std::string& request);

  private:
    std::string hello();
    std::string nextPilot(const Params& params, const std::string& terminal);
    std::string sheet(const Params& params, const std::string& terminal, bool store);
    std::string result(int code) { return "return:" + std::to_string(code); }

    const Contest& contest_;
    Store& store_;
    std::function<std::string()> now_;
};

}  // namespace server
