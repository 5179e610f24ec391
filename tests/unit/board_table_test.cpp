// The board table against the places that show it to people: the README's
// wiring table and the front panel's page.
#include <wiringPi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

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

// "| part | wiringPi | BCM GPIO | header pin |" rows with three numbers.
std::map<std::string, WiringRow> readmeWiring() {
    std::map<std::string, WiringRow> rows;
    const std::regex row(R"(^\| ([^|]+?) \| (\d+) \| (\d+) \| (\d+) \|$)");
    std::istringstream readme(sourceFile("README.md"));
    std::smatch match;
    for (std::string line; std::getline(readme, line);)
        if (std::regex_match(line, match, row))
            rows[match[1]] = {std::stoi(match[2]), std::stoi(match[3]), std::stoi(match[4])};
    return rows;
}

// The Broadcom number and header pin that a wiringPi pin stands for.
void expectWiredAs(const WiringRow& row, int wiringPi, const std::string& part) {
    EXPECT_EQ(row.wiringPi, wiringPi) << part;
    EXPECT_EQ(row.gpio, wpiPinToGpio(wiringPi)) << part;
    EXPECT_EQ(physPinToGpio(row.header), row.gpio) << part << ": header pin " << row.header;
}

TEST(BoardTable, ReadmeWiringTableShowsEveryKeyEncoderAndDisplayPinAsWired) {
    std::map<std::string, WiringRow> rows = readmeWiring();
    const std::regex keyPart(R"(key `([^`]+)`.*)");
    std::set<std::string> keysShown;
    for (const auto& [part, row] : rows) {
        std::smatch match;
        if (!std::regex_match(part, match, keyPart)) continue;
        const std::string name = match[1];
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
    const std::regex dataKey(R"(data-key="([^"]*)\")");
    std::multiset<std::string> onPage;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), dataKey);
         it != std::sregex_iterator(); ++it)
        onPage.insert((*it)[1]);
    std::multiset<std::string> onBoard;
    for (const wiring::Key& key : wiring::kKeys) onBoard.insert(key.name);
    EXPECT_EQ(onPage, onBoard);

    // The keyboard shortcuts of the page name keys of the board.
    const std::string script = sourceFile("sim/panel/web/panel.js");
    std::smatch keyboard;
    ASSERT_TRUE(std::regex_search(script, keyboard, std::regex(R"(const KEYBOARD = \{([^}]*)\})")));
    const std::string shortcuts = keyboard[1];
    const std::regex target(R"(: "([^"]*)\")");
    int count = 0;
    for (auto it = std::sregex_iterator(shortcuts.begin(), shortcuts.end(), target);
         it != std::sregex_iterator(); ++it, ++count)
        EXPECT_GE(wiring::keyIndex((*it)[1].str().c_str()), 0) << (*it)[1];
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
