// Paths reach the shell as one word whatever a language code or a schedule
// name holds: quoted only when they must be.
#include <gtest/gtest.h>

#include "app/fn_utils_text.h"

namespace {

struct Case {
    const char* path;
    const char* word;
};

const Case kCases[] = {
    {"/home/pi/sounds/#ENG/PGM/F25/01.WAV", "/home/pi/sounds/#ENG/PGM/F25/01.WAV"},
    {"/a b/01.WAV", "'/a b/01.WAV'"},
    {"/x;rm -rf y", "'/x;rm -rf y'"},
    {"/it's", "'/it'\\''s'"},
    {"#ENG", "'#ENG'"},  // a leading # starts a comment
    {"$(id)", "'$(id)'"},
    {"a|b&c>d", "'a|b&c>d'"},
    {"", "''"},
};

TEST(ShellWord, PlainPathsStayAsTheyAreOthersAreQuoted) {
    for (const Case& c : kCases) EXPECT_EQ(c.word, shellWord(c.path)) << c.path;
}

}  // namespace
