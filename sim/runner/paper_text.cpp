#include "sim/runner/paper_text.h"

#include "printer/printer_profile.h"

namespace sim::runner {

namespace {

// Code page 437, bytes 0x80 to 0xFF.
const char* const kHighHalf[128] = {
    "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å", "É", "æ", "Æ",
    "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ", "á", "í", "ó", "ú", "ñ", "Ñ",
    "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»", "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕",
    "╣", "║", "╗", "╝", "╜", "╛", "┐", "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦",
    "╠", "═", "╬", "╧", "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐",
    "▀", "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩", "≡", "±",
    "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", " ",
};

int textWidth(const PaperLine& line) {
    return static_cast<int>(line.text.size());
}

}  // namespace

int lineWidth(const PaperLine& line) {
    const int width = line.fontB ? kInstalledPrinter.fontBColumns() : kInstalledPrinter.columns();
    return line.doubleWidth ? width / 2 : width;
}

std::string decodePrinted(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x80)
            text += kHighHalf[c - 0x80];
        else if (c < 0x20 || c == 0x7F)
            text += "▒";
        else
            text += static_cast<char>(c);
    }
    return text;
}

std::string renderPaperLine(const PaperLine& line) {
    if (line.text.empty()) return "";  // a feed: no padding to trail
    int spare = lineWidth(line) - textWidth(line);
    int pad = 0;
    if (spare > 0 && line.justify == Justify::Center) pad = spare / 2;
    if (spare > 0 && line.justify == Justify::Right) pad = spare;
    return std::string(pad, ' ') + decodePrinted(line.text);
}

}  // namespace sim::runner
