// The board table against the places that show it to people: the README's
// wiring table, which people wire by, and the front panel's page.
#include <wiringPi.h>

#include <gtest/gtest.h>

#include <fstream>
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
    // Rows with three numbers; the words after a part's name are left out.
    const std::regex numbered(
        "(\\| (key `[^`]+`|encoder channel .|display S..))[^|]*( \\| \\d+ \\| \\d+ \\| \\d+ \\|)");
    for (std::string line; std::getline(readme, line);) {
        std::smatch match;
        if (std::regex_match(line, match, numbered)) shown.insert(match[1].str() + match[3].str());
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

// Each match's first group.
std::multiset<std::string> captures(const std::string& text, const std::string& pattern) {
    std::multiset<std::string> found;
    const std::regex re(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
        found.insert((*it)[1]);
    return found;
}

TEST(BoardTable, PanelPageHasOneButtonPerKeyAndTypesOnlyKeysOfTheBoard) {
    std::multiset<std::string> onBoard;
    for (const wiring::Key& key : wiring::kKeys) onBoard.insert(key.name);
    EXPECT_EQ(captures(sourceFile("sim/panel/web/index.html"), "data-key=\"([^\"]*)\""), onBoard);
    const std::string script = sourceFile("sim/panel/web/panel.js");
    const size_t start = script.find("const KEYBOARD = {");
    ASSERT_NE(start, std::string::npos);
    const auto shortcuts =
        captures(script.substr(start, script.find('}', start) - start), ": \"([^\"]*)\"");
    EXPECT_FALSE(shortcuts.empty());
    for (const std::string& key : shortcuts) EXPECT_GE(wiring::keyIndex(key.c_str()), 0) << key;
}

}  // namespace
