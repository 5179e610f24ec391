// Text helpers: folding accented letters for the display, replacing substrings,
// and texts made into words of a shell command.
#include <cctype>
#include <string>

#include "app/fn_utils_text.h"

namespace {

// The display shows plain ASCII: accented letters lose their accent, whether
// they come as two-byte UTF-8 (lead byte 0xC3) or as single Latin-1 bytes.
const char* folded(unsigned char b) {
    if (b == 0xC3) return "";
    if (b >= 0xA0 && b <= 0xA5) return "a";
    if (b >= 0xA8 && b <= 0xAB) return "e";
    if (b >= 0xAC && b <= 0xAF) return "i";
    if ((b >= 0xB0 && b <= 0xB6) || b == 0xBA) return "o";
    if (b == 0x92) return "'";
    if (b == 0x85) return "...";
    if (b == 0xE2) return " ";
    if (b >= 0xE0 && b <= 0xE5) return "a";
    if (b >= 0xE8 && b <= 0xEB) return "e";
    if (b >= 0xEC && b <= 0xEF) return "i";
    if (b >= 0xF2 && b <= 0xF6) return "o";
    if (b >= 0xF9 && b <= 0xFC) return "u";
    if (b == 0xCC || b == 0x80 || b == 0x81 || b == 0xA6 || b == 0x99) return "";
    if (b == '\t' || b == '\n' || b == '\r') return " ";
    return nullptr;
}

// Characters a shell takes literally inside a word ('#' is a comment only at
// the start of one).
bool isPlainWord(const std::string& text) {
    static const std::string kPlain = "-_./:@%+=,#";
    if (text.empty() || text[0] == '#') return false;
    for (unsigned char c : text)
        if (!std::isalnum(c) && kPlain.find(static_cast<char>(c)) == std::string::npos)
            return false;
    return true;
}

}  // namespace

std::string CorrectionAccent(std::string* text) {
    std::string result;
    if (!text) return result;
    result.reserve(text->size());
    for (char c : *text) {
        const char* replacement = folded(static_cast<unsigned char>(c));
        if (replacement) {
            result += replacement;
        } else {
            result += c;
        }
    }
    return result;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;  // would match everywhere
    size_t position = 0;
    while ((position = text.find(from, position)) != std::string::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
    return text;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string shellWord(const std::string& text) {
    return isPlainWord(text) ? text : shellQuoted(text);
}

std::string urlEncode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0f];
        }
    }
    return out;
}

std::string hostnameCommand(const std::string& serial) {
    return "sudo ./hostname.sh " + shellWord("KALVENTRIX-" + serial);
}
