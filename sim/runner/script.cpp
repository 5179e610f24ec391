#include "sim/runner/script.h"

#include <array>
#include <cctype>
#include <vector>

#include "platform/wiring.h"

namespace sim::runner {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

struct Tokens {
    std::vector<Token> list;
    std::string source;
    std::string error;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Reads a double-quoted text starting at line[pos] == '"'; \" and \\ escape.
bool readQuoted(const std::string& line, std::size_t& pos, std::string& out) {
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < line.size() && (line[pos + 1] == '"' || line[pos + 1] == '\\'))
            c = line[++pos];
        out += c;
    }
    return false;
}

Tokens tokenize(const std::string& line) {
    Tokens tokens;
    std::size_t pos = 0;
    std::size_t end = 0;  // end of the last token, for the source text
    while (pos < line.size()) {
        if (isBlank(line[pos])) {
            ++pos;
            continue;
        }
        if (line[pos] == '#') break;
        Token token;
        if (line[pos] == '"') {
            token.quoted = true;
            if (!readQuoted(line, pos, token.text)) {
                tokens.error = "unterminated quoted text";
                return tokens;
            }
            if (pos < line.size() && !isBlank(line[pos]) && line[pos] != '#') {
                tokens.error = "missing blank after quoted text";
                return tokens;
            }
        } else {
            while (pos < line.size() && !isBlank(line[pos]) && line[pos] != '#')
                token.text += line[pos++];
        }
        end = pos;
        tokens.list.push_back(token);
    }
    std::size_t begin = line.find_first_not_of(" \t\r");
    if (!tokens.list.empty()) tokens.source = line.substr(begin, end - begin);
    return tokens;
}

// Whole decimal number, optionally negative, within +-kMaxMillis.
bool parseNumber(const std::string& text, bool allowNegative, long long& value,
                 std::string& error) {
    std::size_t start = (allowNegative && !text.empty() && text[0] == '-') ? 1 : 0;
    if (start == text.size()) {
        error = "malformed number \"" + text + "\"";
        return false;
    }
    long long magnitude = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            error = "malformed number \"" + text + "\"";
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kMaxMillis) {
            error = "number out of range \"" + text + "\"";
            return false;
        }
    }
    value = start ? -magnitude : magnitude;
    return true;
}

std::size_t utf8Length(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

struct Spec {
    const char* name;
    Op op;
};

constexpr std::array<Spec, 25> kCommands{{
    {"press", Op::Press},
    {"hold", Op::Hold},
    {"down", Op::Down},
    {"up", Op::Up},
    {"turn", Op::Turn},
    {"wait", Op::Wait},
    {"until", Op::Until},
    {"expect", Op::Expect},
    {"expect-printer", Op::ExpectPrinter},
    {"lcd", Op::Lcd},
    {"printer", Op::Printer},
    {"shell", Op::Shell},
    {"file", Op::File},
    {"sql", Op::Sql},
    {"expect-shell", Op::ExpectShell},
    {"expect-no-shell", Op::ExpectNoShell},
    {"expect-request", Op::ExpectRequest},
    {"expect-no-request", Op::ExpectNoRequest},
    {"expect-sql", Op::ExpectSql},
    {"expect-file", Op::ExpectFile},
    {"expect-no-file", Op::ExpectNoFile},
    {"repeat", Op::Repeat},
    {"end", Op::End},
    {"power-cut", Op::PowerCut},
    {"quit", Op::Quit},
}};

class LineParser {
  public:
    LineParser(const std::vector<Token>& args, Command& command) : args_(args), command_(command) {}

    std::string parse();

  private:
    bool arity(std::size_t least, std::size_t most);
    bool key(std::size_t index);
    bool number(std::size_t index, long long& out, bool allowNegative, long long least);
    bool quotedText(std::size_t index);
    bool expectedText(std::size_t index);
    bool path(std::size_t index);
    void printerArguments();

    const std::vector<Token>& args_;
    Command& command_;
    std::string error_;
};

bool LineParser::arity(std::size_t least, std::size_t most) {
    if (args_.size() >= least && args_.size() <= most) return true;
    error_ = args_.size() < least ? "missing argument" : "too many arguments";
    return false;
}

bool LineParser::key(std::size_t index) {
    command_.key = args_[index].text;
    if (isKeyName(command_.key)) return true;
    error_ = "unknown key \"" + command_.key + "\"";
    return false;
}

bool LineParser::number(std::size_t index, long long& out, bool allowNegative, long long least) {
    if (!parseNumber(args_[index].text, allowNegative, out, error_)) return false;
    if (out >= least) return true;
    error_ = "number must be at least " + std::to_string(least);
    return false;
}

bool LineParser::quotedText(std::size_t index) {
    if (!args_[index].quoted) {
        error_ = "text must be in double quotes";
        return false;
    }
    command_.text = args_[index].text;
    return true;
}

bool LineParser::expectedText(std::size_t index) {
    if (!args_[index].quoted) {
        error_ = "text must be in double quotes";
        return false;
    }
    command_.expected = args_[index].text;
    command_.hasExpected = true;
    return true;
}

bool LineParser::path(std::size_t index) {
    command_.text = args_[index].text;
    if (!command_.text.empty()) return true;
    error_ = "empty path";
    return false;
}

// "printer" alone, or "printer png FILE".
void LineParser::printerArguments() {
    if (args_.empty()) return;
    if (args_[0].quoted || args_[0].text != "png") {
        error_ = "printer takes nothing or png FILE";
        return;
    }
    if (!arity(2, 2)) return;
    command_.op = Op::PrinterPng;
    command_.text = args_[1].text;
    if (command_.text.empty()) error_ = "empty path";
}

std::string LineParser::parse() {
    Command& c = command_;
    switch (c.op) {
        case Op::Press:
            c.millis = kDefaultPressMs;
            if (arity(1, 2) && key(0) && args_.size() == 2) number(1, c.millis, false, 0);
            break;
        case Op::Hold:
            if (arity(2, 2) && key(0)) number(1, c.millis, false, 0);
            break;
        case Op::Down:
        case Op::Up:
            if (arity(1, 1)) key(0);
            break;
        case Op::Turn:
            c.millis = kDefaultDetentMs;
            if (arity(1, 2) && number(0, c.count, true, -kMaxMillis) && args_.size() == 2)
                number(1, c.millis, false, 1);
            break;
        case Op::Wait:
            if (arity(1, 1)) number(0, c.millis, false, 0);
            break;
        case Op::Until:
            c.millis = kDefaultUntilMs;
            if (arity(1, 2) && quotedText(0) && args_.size() == 2) number(1, c.millis, false, 0);
            if (error_.empty() && c.text.empty()) error_ = "empty text";
            break;
        case Op::Expect:
            if (arity(2, 2) && number(0, c.count, false, 0) && quotedText(1)) {
                if (c.count > 3)
                    error_ = "row must be 0 to 3";
                else if (utf8Length(c.text) > 20)
                    error_ = "text longer than a row of 20";
            }
            break;
        case Op::ExpectPrinter:
            c.count = -1;  // at least one line
            if (arity(1, 2) && quotedText(0) && args_.size() == 2) number(1, c.count, false, 0);
            break;
        case Op::File:
            if (arity(1, 1)) path(0);
            break;
        case Op::ExpectShell:
        case Op::ExpectNoShell:
        case Op::ExpectRequest:
        case Op::ExpectNoRequest:
            if (arity(1, 1) && quotedText(0) && c.text.empty()) error_ = "empty text";
            break;
        case Op::ExpectSql:
            if (arity(2, 2) && quotedText(0)) expectedText(1);
            break;
        case Op::ExpectFile:
            if (arity(2, 2) && path(0)) expectedText(1);
            break;
        case Op::ExpectNoFile:
            if (arity(1, 2) && path(0) && args_.size() == 2) expectedText(1);
            break;
        case Op::Repeat:
            if (arity(1, 1) && number(0, c.count, false, 1) && c.count > kMaxRepeat)
                error_ = "at most " + std::to_string(kMaxRepeat) + " rounds";
            break;
        case Op::Sql:
            if (arity(1, 1)) quotedText(0);
            break;
        case Op::Printer:
            printerArguments();
            break;
        case Op::Lcd:
        case Op::End:
        case Op::Shell:
        case Op::PowerCut:
        case Op::Quit:
        case Op::PrinterPng:
            arity(0, 0);
            break;
    }
    return error_;
}

}  // namespace

bool isKeyName(const std::string& name) {
    return wiring::keyIndex(name.c_str()) >= 0;
}

ParseResult parseLine(const std::string& line, int lineNumber) {
    ParseResult result;
    Tokens tokens = tokenize(line);
    if (!tokens.error.empty()) {
        result.error = tokens.error;
        return result;
    }
    if (tokens.list.empty()) return result;
    const Token& name = tokens.list.front();
    Command command;
    command.line = lineNumber;
    command.source = tokens.source;
    bool known = false;
    for (const Spec& spec : kCommands) {
        if (!name.quoted && name.text == spec.name) {
            command.op = spec.op;
            known = true;
        }
    }
    if (!known) {
        result.error = "unknown command \"" + name.text + "\"";
        return result;
    }
    std::vector<Token> args(tokens.list.begin() + 1, tokens.list.end());
    result.error = LineParser(args, command).parse();
    if (result.error.empty()) result.command = command;
    return result;
}

std::vector<Command> unfoldRepeats(const std::vector<Command>& commands, int* errorLine,
                                   std::string* error) {
    // One body per open block; the outermost is the script itself.
    std::vector<std::vector<Command>> bodies(1);
    std::vector<Command> opened;
    for (const Command& command : commands) {
        if (command.op == Op::Repeat) {
            opened.push_back(command);
            bodies.emplace_back();
        } else if (command.op != Op::End) {
            bodies.back().push_back(command);
        } else if (opened.empty()) {
            *errorLine = command.line;
            *error = "end without repeat";
            return {};
        } else {
            std::vector<Command> body = std::move(bodies.back());
            bodies.pop_back();
            for (long long i = 0; i < opened.back().count; ++i)
                bodies.back().insert(bodies.back().end(), body.begin(), body.end());
            opened.pop_back();
        }
    }
    if (!opened.empty()) {
        *errorLine = opened.back().line;
        *error = "repeat without end";
        return {};
    }
    return bodies.front();
}

}  // namespace sim::runner
