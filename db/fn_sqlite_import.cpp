#include "db/fn_sqlite_import.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace kvdb {

namespace {

class LineParser {
  public:
    LineParser(const std::string& line, std::string* error) : line(line), error(error) {}

    bool parse(std::vector<SqlValue>* values) {
        values->clear();
        while (true) {
            skipSpace();
            SqlValue value;
            if (!parseValue(&value)) return false;
            values->push_back(value);
            skipSpace();
            if (at == line.size()) return true;
            if (line[at] != ',') return fail("',' expected");
            ++at;
        }
    }

  private:
    bool fail(const std::string& why) {
        *error = why + " at column " + std::to_string(at + 1);
        return false;
    }

    void skipSpace() {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
    }

    bool parseValue(SqlValue* value) {
        if (at == line.size()) return fail("value expected");
        char c = line[at];
        if (c == '\'' || c == '"') return parseQuoted(c, value);
        if (std::isalpha(static_cast<unsigned char>(c))) return parseNull(value);
        return parseNumber(value);
    }

    // A quote inside the text is written twice.
    bool parseQuoted(char quote, SqlValue* value) {
        ++at;
        value->kind = SqlValue::Text;
        while (at < line.size()) {
            char c = line[at++];
            if (c != quote) {
                value->text += c;
            } else if (at < line.size() && line[at] == quote) {
                value->text += quote;
                ++at;
            } else {
                return true;
            }
        }
        return fail("unterminated text");
    }

    bool parseNull(SqlValue* value) {
        size_t end = at;
        while (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end]))) ++end;
        std::string word = line.substr(at, end - at);
        for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (word != "NULL") return fail("unknown word '" + line.substr(at, end - at) + "'");
        at = end;
        value->kind = SqlValue::Null;
        return true;
    }

    bool parseNumber(SqlValue* value) {
        size_t end = at;
        while (end < line.size() && line[end] != ',' &&
               !std::isspace(static_cast<unsigned char>(line[end]))) {
            ++end;
        }
        std::string word = line.substr(at, end - at);
        if (word.empty()) return fail("value expected");
        const char* begin = word.c_str();
        char* stop = nullptr;
        errno = 0;
        long long integer = std::strtoll(begin, &stop, 10);
        if (*stop == '\0' && errno == 0) {
            value->kind = SqlValue::Integer;
            value->integer = integer;
        } else {
            errno = 0;
            double real = std::strtod(begin, &stop);
            bool plain = word.find_first_of("xXnN") == std::string::npos;  // no hex, inf, nan
            if (*stop != '\0' || errno != 0 || !plain) return fail("bad number '" + word + "'");
            value->kind = SqlValue::Real;
            value->real = real;
        }
        at = end;
        return true;
    }

    const std::string& line;
    std::string* error;
    size_t at = 0;
};

bool isBlank(const std::string& line) {
    for (char c : line) {
        if (!std::isspace(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

bool parseValueList(const std::string& line, std::vector<SqlValue>* values, std::string* error) {
    return LineParser(line, error).parse(values);
}

bool readValueFile(const std::string& path, std::vector<std::vector<SqlValue>>* rows,
                   std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    rows->clear();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (isBlank(line)) continue;
        std::vector<SqlValue> values;
        std::string why;
        if (!parseValueList(line, &values, &why)) {
            *error = path + " line " + std::to_string(number) + ": " + why;
            return false;
        }
        rows->push_back(std::move(values));
    }
    if (in.bad()) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

}  // namespace kvdb
