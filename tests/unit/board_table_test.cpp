// The board table against the places that show it to people: the README's
// wiring table, which people wire by, and the front panel's page.
#include <wiringPi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/wiring.h"

namespace {

// Cells of a table row "| a | b | c |", trimmed; none for other lines.
std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    if (line.size() < 2 || line.front() != '|' || line.back() != '|') return out;
    std::istringstream row(line.substr(1, line.size() - 2));
    for (std::string cell; std::getline(row, cell, '|');) {
        const auto first = cell.find_first_not_of(' ');
        const auto last = cell.find_last_not_of(' ');
        out.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return out;
}

bool isNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string sourceFile(const std::string& relative) {
    std::ifstream in(std::string(KALVENTRIX_SOURCE_DIR) + "/" + relative);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(BoardTable, ReadmeWiringTableShowsEveryPinAsWired) {
    std::multiset<std::string> expected, shown;
    const auto row = [&expected](const std::string& part, int pin) {
        int header = 1;
        while (header <= 40 && physPinToGpio(header) != wpiPinToGpio(pin)) ++header;
        expected.insert("| " + part + " | " + std::to_string(pin) + " | " +
                        std::to_string(wpiPinToGpio(pin)) + " | " + std::to_string(header) + " |");
    };
    for (const wiring::Key& key : wiring::kKeys)
        row("key `" + std::string(key.name) + "`", key.pin);
    row("encoder channel A", wiring::kEncoderPinA);
    row("encoder channel B", wiring::kEncoderPinB);
    row("display SDA", wiring::kDisplayDataPin);
    row("display SCL", wiring::kDisplayClockPin);
    std::istringstream readme(sourceFile("README.md"));
    for (std::string line; std::getline(readme, line);) {
        const std::vector<std::string> cell = cells(line);
        if (cell.size() != 4 || !(isNumber(cell[1]) && isNumber(cell[2]) && isNumber(cell[3])))
            continue;
        // A part's name, without the words after it.
        std::string part;
        if (cell[0].rfind("key `", 0) == 0)
            part = cell[0].substr(0, cell[0].find('`', 5) + 1);
        else if (cell[0].rfind("encoder channel ", 0) == 0 || cell[0].rfind("display S", 0) == 0)
            part = cell[0].substr(0, cell[0][0] == 'e' ? 17 : 11);
        if (!part.empty())
            shown.insert("| " + part + " | " + cell[1] + " | " + cell[2] + " | " + cell[3] + " |");
    }
    EXPECT_EQ(shown, expected);
    std::set<int> pins;
    for (const wiring::Key& key : wiring::kKeys) pins.insert(key.pin);
    for (int pin : {wiring::kEncoderPinA, wiring::kEncoderPinB, wiring::kDisplayClockPin,
                    wiring::kDisplayDataPin})
        pins.insert(pin);
    EXPECT_EQ(pins.size(), wiring::kKeyCount + 4)
        << "every key, channel and bus line on a pin of its own";
}

// Each text between `open` and the next quote.
std::multiset<std::string> quotedAfter(const std::string& text, const std::string& open) {
    std::multiset<std::string> found;
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        at += open.size();
        found.insert(text.substr(at, text.find('"', at) - at));
    }
    return found;
}

TEST(BoardTable, PanelPageHasOneButtonPerKeyAndTypesOnlyKeysOfTheBoard) {
    std::multiset<std::string> onBoard;
    for (const wiring::Key& key : wiring::kKeys) onBoard.insert(key.name);
    EXPECT_EQ(quotedAfter(sourceFile("sim/panel/web/index.html"), "data-key=\""), onBoard);
    const std::string script = sourceFile("sim/panel/web/panel.js");
    const size_t start = script.find("const KEYBOARD = {");
    ASSERT_NE(start, std::string::npos);
    const auto shortcuts =
        quotedAfter(script.substr(start, script.find('}', start) - start), ": \"");
    EXPECT_FALSE(shortcuts.empty());
    for (const std::string& key : shortcuts) EXPECT_GE(wiring::keyIndex(key.c_str()), 0) << key;
}

}  // namespace
