#include "net/fn_wifi_reply.h"

#include <cctype>
#include <cstring>

namespace net {
namespace {

const char kReturn[] = "return:";
const size_t kReturnLen = sizeof(kReturn) - 1;
const size_t kDateDigits = 14;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// atoi over a fixed-width field: leading blanks, an optional sign, digits.
// Unlike atoi it refuses a field without digits or with trailing junk when
// `whole` is set.
std::optional<int> readNumber(const std::string& field, bool allowSign, bool whole) {
    size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    bool negative = false;
    if (allowSign && i < field.size() && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }
    size_t first = i;
    int value = 0;
    while (i < field.size() && isDigit(field[i])) value = value * 10 + (field[i++] - '0');
    if (i == first || (whole && i != field.size())) return std::nullopt;
    return negative ? -value : value;
}

int number(const std::string& s, size_t pos, size_t len) {
    int v = 0;
    for (size_t i = pos; i < pos + len; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

bool isValidMoment(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || month < 1 || month > 12) return false;
    if (day < 1 || day > daysInMonth(year, month)) return false;
    return hour <= 23 && minute <= 59 && second <= 59;
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

std::string clockTextAt(const std::string& text, size_t pos) {
    if (pos > text.size() || text.size() - pos < kDateDigits) return "";
    for (size_t i = pos; i < pos + kDateDigits; ++i)
        if (!isDigit(text[i])) return "";
    if (pos + kDateDigits < text.size() && isDigit(text[pos + kDateDigits])) return "";
    int year = number(text, pos, 4), month = number(text, pos + 4, 2);
    int day = number(text, pos + 6, 2), hour = number(text, pos + 8, 2);
    int minute = number(text, pos + 10, 2), second = number(text, pos + 12, 2);
    if (!isValidMoment(year, month, day, hour, minute, second)) return "";
    return text.substr(pos, 4) + "-" + text.substr(pos + 4, 2) + "-" + text.substr(pos + 6, 2) +
           " " + text.substr(pos + 8, 2) + ":" + text.substr(pos + 10, 2) + ":" +
           text.substr(pos + 12, 2);
}

bool isValidClockText(const std::string& text) {
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof(pattern) - 1) return false;
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == 'd') {
            if (!isDigit(text[i])) return false;
            digits += text[i];
        } else if (text[i] != pattern[i]) {
            return false;
        }
    }
    return !clockTextAt(digits, 0).empty();
}

std::optional<ScoreReply> parseScoreReply(const std::string& body) {
    size_t p = body.find(kReturn);
    if (p == std::string::npos) return std::nullopt;
    std::optional<int> code = readNumber(body.substr(p + kReturnLen, 3), true, false);
    if (!code) return std::nullopt;
    if (*code != 0) return ScoreReply{*code, ""};
    // The only well-formed acceptance: "return:0&H:" and the 14-digit time.
    if (body.compare(p + kReturnLen, 4, "0&H:") != 0) return std::nullopt;
    size_t datePos = p + kReturnLen + 4;
    if (body.size() < datePos + kDateDigits) return std::nullopt;
    for (size_t i = datePos; i < datePos + kDateDigits; ++i)
        if (!isDigit(body[i])) return std::nullopt;
    return ScoreReply{0, clockTextAt(body, datePos)};
}

std::optional<std::string> parseHelloReply(const std::string& body) {
    static const char hello[] = "return:0&H:";
    if (contains(body, "Status: 404") || contains(body, "connect")) return std::nullopt;
    size_t p = body.find(hello);
    if (p == std::string::npos) return std::nullopt;
    std::string date = clockTextAt(body, p + sizeof(hello) - 1);
    if (date.empty()) return std::nullopt;
    return date;
}

PilotReply parseNextPilotReply(const std::string& body) {
    PilotReply reply;
    if (contains(body, "Status: 404")) {
        reply.kind = PilotReply::kMissing;
        return reply;
    }
    if (contains(body, "return:-1")) {
        reply.kind = PilotReply::kNoPilot;
        return reply;
    }
    if (contains(body, "return:-")) {
        reply.kind = PilotReply::kError;
        return reply;
    }
    size_t p = body.find(kReturn);
    // Pilot (3), flight (2), competition (2) and at least one schedule character.
    if (p == std::string::npos || body.size() < p + 15) return reply;
    std::optional<int> pilot = readNumber(body.substr(p + 7, 3), false, true);
    std::optional<int> flight = readNumber(body.substr(p + 10, 2), false, true);
    std::optional<int> comp = readNumber(body.substr(p + 12, 2), false, true);
    std::string schedule = body.substr(p + 14, 8);
    size_t end = 0;
    while (end < schedule.size() && static_cast<unsigned char>(schedule[end]) >= 0x20 &&
           schedule[end] != 0x7f)
        ++end;
    schedule.resize(end);
    while (!schedule.empty() && schedule.back() == ' ') schedule.pop_back();
    if (!pilot || !flight || !comp || schedule.empty() || !isSafeName(schedule)) return reply;
    reply.kind = PilotReply::kPilot;
    reply.pilot = *pilot;
    reply.flight = *flight;
    reply.comp = *comp;
    reply.schedule = schedule;
    return reply;
}

std::string serverAddress(const std::string& stored) {
    std::string plain;
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t end = part < 3 ? stored.find('.', start) : stored.size();
        if (end == std::string::npos) return stored;
        const std::string number = stored.substr(start, end - start);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
            return stored;
        const size_t first = number.find_first_not_of('0');
        if (part > 0) plain += '.';
        plain += first == std::string::npos ? "0" : number.substr(first);
        start = end + 1;
    }
    return plain;
}

bool isSafeName(const std::string& name) {
    if (name.empty() || name[0] == '-' || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f || std::strchr("'\"`\\$;&|<>/*?(){}[]!", c) != nullptr)
            return false;
    }
    return true;
}

}  // namespace net
