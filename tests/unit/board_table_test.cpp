// The board table against the places that show it to people: the README's
// wiring table and the front panel's page.
#include <wiringPi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/wiring.h"

namespace {

std::string sourceFile(const std::string& relative) {
    std::ifstream in(std::string(KALVENTRIX_SOURCE_DIR) + "/" + relative);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct WiringRow {
    int wiringPi, gpio, header;
};

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

// "| part | wiringPi | BCM GPIO | header pin |" rows with three numbers.
std::map<std::string, WiringRow> readmeWiring() {
    std::map<std::string, WiringRow> rows;
    std::istringstream readme(sourceFile("README.md"));
    for (std::string line; std::getline(readme, line);) {
        const std::vector<std::string> row = cells(line);
        if (row.size() == 4 && isNumber(row[1]) && isNumber(row[2]) && isNumber(row[3]))
            rows[row[0]] = {std::stoi(row[1]), std::stoi(row[2]), std::stoi(row[3])};
    }
    return rows;
}

// The text between the first `open` at or after `from` and the next `close`.
std::string between(const std::string& text, const std::string& open, const std::string& close,
                    std::size_t* from) {
    const std::size_t start = text.find(open, *from);
    if (start == std::string::npos) return *from = std::string::npos, "";
    const std::size_t end = text.find(close, start + open.size());
    if (end == std::string::npos) return *from = std::string::npos, "";
    *from = end + close.size();
    return text.substr(start + open.size(), end - start - open.size());
}

// The Broadcom number and header pin that a wiringPi pin stands for.
void expectWiredAs(const WiringRow& row, int wiringPi, const std::string& part) {
    EXPECT_EQ(row.wiringPi, wiringPi) << part;
    EXPECT_EQ(row.gpio, wpiPinToGpio(wiringPi)) << part;
    EXPECT_EQ(physPinToGpio(row.header), row.gpio) << part << ": header pin " << row.header;
}

TEST(BoardTable, ReadmeWiringTableShowsEveryKeyEncoderAndDisplayPinAsWired) {
    std::map<std::string, WiringRow> rows = readmeWiring();
    std::set<std::string> keysShown;
    for (const auto& [part, row] : rows) {
        std::size_t from = 0;
        if (part.rfind("key `", 0) != 0) continue;
        const std::string name = between(part, "`", "`", &from);
        EXPECT_TRUE(keysShown.insert(name).second) << name << " shown twice";
        EXPECT_GE(wiring::pinOf(name.c_str()), 0) << name << " is no key of the board";
        expectWiredAs(row, wiring::pinOf(name.c_str()), part);
    }
    for (const wiring::Key& key : wiring::kKeys)
        EXPECT_EQ(keysShown.count(key.name), 1u) << key.name;

    const std::pair<const char*, int> others[] = {
        {"encoder channel A", wiring::kEncoderPinA},
        {"encoder channel B", wiring::kEncoderPinB},
        {"display SDA (PCF8574 backpack)", wiring::kDisplayDataPin},
        {"display SCL (PCF8574 backpack)", wiring::kDisplayClockPin}};
    for (const auto& [part, pin] : others) {
        ASSERT_EQ(rows.count(part), 1u) << part;
        expectWiredAs(rows[part], pin, part);
    }
}

TEST(BoardTable, PanelPageHasOneButtonPerKeyAndTypesOnlyKeysOfTheBoard) {
    const std::string page = sourceFile("sim/panel/web/index.html");
    std::multiset<std::string> onPage;
    for (std::size_t from = 0;;) {
        const std::string key = between(page, "data-key=\"", "\"", &from);
        if (from == std::string::npos) break;
        onPage.insert(key);
    }
    std::multiset<std::string> onBoard;
    for (const wiring::Key& key : wiring::kKeys) onBoard.insert(key.name);
    EXPECT_EQ(onPage, onBoard);

    // The keyboard shortcuts of the page name keys of the board.
    const std::string script = sourceFile("sim/panel/web/panel.js");
    std::size_t at = 0;
    const std::string shortcuts = between(script, "const KEYBOARD = {", "}", &at);
    ASSERT_NE(at, std::string::npos);
    int count = 0;
    for (std::size_t from = 0;; ++count) {
        const std::string key = between(shortcuts, ": \"", "\"", &from);
        if (from == std::string::npos) break;
        EXPECT_GE(wiring::keyIndex(key.c_str()), 0) << key;
    }
    EXPECT_GT(count, 0);
}

TEST(BoardTable, EveryKeyHasAPinOfItsOwnApartFromTheEncoderAndDisplay) {
    std::set<int> pins = {wiring::kEncoderPinA, wiring::kEncoderPinB, wiring::kDisplayClockPin,
                          wiring::kDisplayDataPin};
    EXPECT_EQ(pins.size(), 4u);
    for (const wiring::Key& key : wiring::kKeys) {
        EXPECT_GE(wpiPinToGpio(key.pin), 0) << key.name;
        EXPECT_TRUE(pins.insert(key.pin).second) << key.name << " shares pin " << key.pin;
    }
}

}  // namespace
