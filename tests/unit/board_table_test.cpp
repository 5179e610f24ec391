// The board table against the places that show it to people: the README's
// wiring table, which people wire by, and the front panel's page.
#include <wiringPi.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "platform/wiring.h"
#include "tests/support/files.h"

namespace {

std::string sourceFile(const std::string& relative) {
    return kv_test::readFile(kv_test::sourcePath(relative));
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
        // A part's name, without the words in brackets after it.
        const std::size_t open = line.find(" ("), close = line.find(')');
        if (open != std::string::npos && close > open) line.erase(open, close - open + 1);
        for (const char* part : {"| key `", "| encoder channel ", "| display S"})
            if (line.rfind(part, 0) == 0) shown.insert(line);
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
