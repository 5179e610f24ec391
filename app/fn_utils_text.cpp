// Text helpers: folding accented letters for the display, replacing substrings.
#include <string>

#include "app/fn_utils.h"

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
