// Text helpers: accent folding for the display, replacement, shell words and URLs.
#include <gtest/gtest.h>

#include "app/fn_utils_text.h"

namespace {

TEST(TextHelpers, AccentsFoldToPlainAscii) {
    const std::pair<std::string, std::string> rows[] = {
        {"D\xC3\xA9p\xE9t", "Depet"},
        {"\xC3\xA0\xC3\xA2\xC3\xA8\xC3\xAA\xC3\xAE\xC3\xB4\xC3\xB6", "aaeeioo"},
        {"\xE0\xE5\xE8\xEB\xEC\xEF\xF2\xF6\xF9\xFC\xBA", "aaeeiioouuo"},
        {"a\tb\nc\rd", "a b c d"},
        {"it\xE2\x80\x99s", "it s"},
        {"it\x92s", "it's"},
        {"wait\x85", "wait..."},
        {"x\xCC\x81y\xA6", "xy"},
        {"Loop, 1/2 roll (45 deg) [F3A]", "Loop, 1/2 roll (45 deg) [F3A]"},
        {"\xC3\xA7", "\xA7"},
        {"\xE7", "\xE7"},
        {"\xC3\xB9", "\xB9"},
        {"", ""}};
    for (auto [text, folded] : rows) EXPECT_EQ(CorrectionAccent(&text), folded) << text;
    EXPECT_EQ(CorrectionAccent(nullptr), "");
}

TEST(TextHelpers, ReplaceAllReplacesEachOccurrenceOnce) {
    EXPECT_EQ(ReplaceAll("Pilot's loop's", "'", "''"), "Pilot''s loop''s");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("abcabc", "bc", ""), "aa");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
}

TEST(TextHelpers, ShellWordsAndUrls) {
    const struct {
        const char *text, *quoted, *word, *url;
    } rows[] = {
        {"F3A-P25_x.y~", "'F3A-P25_x.y~'", "'F3A-P25_x.y~'", "F3A-P25_x.y~"},
        {"10.0.0.1:80/a@b%+=,#", "'10.0.0.1:80/a@b%+=,#'", "10.0.0.1:80/a@b%+=,#",
         "10.0.0.1%3A80%2Fa%40b%25%2B%3D%2C%23"},
        {"#x", "'#x'", "'#x'", "%23x"},
        {"it's $(x)", "'it'\\''s $(x)'", "'it'\\''s $(x)'", "it%27s%20%24%28x%29"},
        {"\xC3\xA9", "'\xC3\xA9'", "'\xC3\xA9'", "%C3%A9"},
        {"", "''", "''", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(shellQuoted(row.text), row.quoted) << row.text;
        EXPECT_EQ(shellWord(row.text), row.word) << row.text;
        EXPECT_EQ(urlEncode(row.text), row.url) << row.text;
    }
    EXPECT_EQ(hostnameCommand("1;reboot"), "sudo ./hostname.sh 'KALVENTRIX-1;reboot'");
}

}  // namespace
