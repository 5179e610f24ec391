#include "printer/Pi_Thermal_layout.h"

#include <cstdarg>
#include <cstdio>

#include "app/settings.h"
#include "app/texts.h"
#include "model/scoring_kinds.h"

namespace layout {

namespace {

int twelveHour(int hour) {
    return hour > 12 ? hour - 12 : hour;
}

std::string valueText(int option, int value) {
    if (value == -10) return "NO";
    if (value == -20) return "BP";
    if (value < 0) return format("%3d", value / 10);
    if (scoringKind(option).tenths) return format("%1d.%1d", value / 10, value % 10);
    return format("%2d", value / 10);
}

}  // namespace

std::string format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, pattern, copy);
    va_end(copy);
    std::string out(length > 0 ? length : 0, '\0');
    if (length > 0) std::vsnprintf(&out[0], out.size() + 1, pattern, args);
    va_end(args);
    return out;
}

std::string ticketDateLine(const std::tm& time, const std::string& lang) {
    const int year = time.tm_year + 1900;
    const int month = time.tm_mon + 1;
    if (lang == "ENG") {
        return format("%02d/%02d/%04d              %02d:%02d\n", month, time.tm_mday, year,
                      twelveHour(time.tm_hour), time.tm_min);
    }
    return format("%02d/%02d/%04d              %02d:%02d\n", time.tm_mday, month, year,
                  time.tm_hour, time.tm_min);
}

std::string settingsDateLine(const std::tm& time) {
    return format("\n%02d/%02d/%04d                %02d:%02d\n", time.tm_mon + 1, time.tm_mday,
                  time.tm_year + 1900, twelveHour(time.tm_hour), time.tm_min);
}

std::string ticketFigureLine(int number, const std::string& desc, int option, int value) {
    const std::string label = format("%02d %-29s", number, desc.c_str());
    const std::string shown = valueText(option, value);
    // The label gives way to the value, so that even a value wider than its
    // usual columns (a kind without upper limit) keeps the line on one row.
    const size_t labelWidth = kPaperWidth - 1 - shown.size();
    return label.substr(0, labelWidth) + " " + shown;
}

namespace {

// The server's reply codes: the ticket's text of each and the log report's legend.
struct ReplyCode {
    int code;
    Text ticketText;
    const char* legend;
};

const ReplyCode kReplyCodes[] = {
    {1, Text::None, "1   --> WIFI error"},
    {100, Text::ReplyFlightNumber, "100 --> Flight # error"},
    {101, Text::ReplyJudgeNumber, "101 --> Judge # error"},
    {102, Text::ReplyPilotNumber, "102 --> Pilot # error"},
    {103, Text::ReplyParamCount, "103 --> Wrong number of params"},
    {104, Text::ReplyOptionCode, "104 --> Wrong option code"},
    {105, Text::ReplyPilotNotInPhase, "105 --> Pilot not in this phase"},
    {106, Text::ReplySchedule, "106 --> Wrong schedule name"},
    {900, Text::ReplySqlFlight, "900 --> SQL error (flight datas)"},
    {901, Text::ReplySqlPilot, "901 --> SQL error (pilot id)"},
    {902, Text::ReplySqlFigures, "902 --> SQL error (maneuvers id)"},
    {903, Text::ReplySqlScore, "903 --> SQL error (update score)"},
    {904, Text::ReplySqlLogs, "904 --> SQL error (insert logs)"},
};

}  // namespace

int replyCodeTextId(int code) {
    for (const ReplyCode& reply : kReplyCodes)
        if (reply.code == code) return static_cast<int>(reply.ticketText);
    return static_cast<int>(Text::None);
}

const std::vector<std::string>& replyCodeLegend() {
    static const std::vector<std::string> legend = [] {
        std::vector<std::string> lines;
        for (const ReplyCode& reply : kReplyCodes) lines.emplace_back(reply.legend);
        return lines;
    }();
    return legend;
}

bool modelValue(const std::string& line, std::string* value) {
    const size_t at = line.find("Model");
    if (at == std::string::npos) return false;
    const size_t from = at + 19;
    *value = from < line.size() ? paperCut(line.substr(from)) : std::string();
    return true;
}

std::string macValue(const std::string& line) {
    return line.size() > 15 ? line.substr(15, 17) : std::string();
}

bool essidName(const std::string& line, std::string* name) {
    static const std::string marker = "ESSID:\"";
    const size_t at = line.find(marker);
    if (at == std::string::npos) return false;
    const size_t from = at + marker.size();
    const size_t lastQuote = line.rfind('"');
    // Without a closing quote the last quote is the marker's own: no name.
    const size_t length = lastQuote >= from ? lastQuote - from : 0;
    *name = paperCut("-" + line.substr(from, length));
    return true;
}

bool pingReply(const std::string& line, std::string* reply) {
    const size_t at = line.find("icmp_seq=");
    if (at == std::string::npos) return false;
    const size_t from = at + 11;
    *reply = paperCut("-" + (from < line.size() ? line.substr(from) : std::string()));
    return true;
}

std::string settingShown(const std::string& value, const std::string& type) {
    if (type != std::to_string(kParamOnOff)) return value;
    return value == "1" ? "YES" : "NO";
}

std::string paperCut(const std::string& text) {
    return text.substr(0, kPaperWidth);
}

}  // namespace layout
