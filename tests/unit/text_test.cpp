// Accent folding for the display and substring replacement.
#include <gtest/gtest.h>

#include "app/fn_utils.h"

namespace {

std::string fold(std::string text) {
    return CorrectionAccent(&text);
}

TEST(CorrectionAccent, FoldsUtf8AndLatin1Letters) {
    EXPECT_EQ(fold("D\xC3\xA9"
                   "collage"),
              "Decollage");
    EXPECT_EQ(fold("D\xE9"
                   "collage"),
              "Decollage");
    EXPECT_EQ(fold("\xC3\xA0\xC3\xA2\xC3\xA8\xC3\xAA\xC3\xAE\xC3\xB4\xC3\xB6"), "aaeeioo");
    EXPECT_EQ(fold("\xE0\xE5\xE8\xEB\xEC\xEF\xF2\xF6\xF9\xFC"), "aaeeiioouu");
    EXPECT_EQ(fold("\xBA"), "o");
}

TEST(CorrectionAccent, PunctuationAndWhiteSpace) {
    EXPECT_EQ(fold("a\tb\nc\rd"), "a b c d");
    EXPECT_EQ(fold("it\xE2\x80\x99s"), "it s");  // UTF-8 right quote
    EXPECT_EQ(fold("it\x92s"), "it's");          // Latin-1 right quote
    EXPECT_EQ(fold("wait\x85"), "wait...");
    EXPECT_EQ(fold("x\xCC\x81y\xA6"), "xy");
}

TEST(CorrectionAccent, LeavesOtherBytesAlone) {
    const std::string ascii = "Loop, 1/2 roll (45 deg) [F3A]";
    EXPECT_EQ(fold(ascii), ascii);
    EXPECT_EQ(fold("\xC3\xA7"), "\xA7");  // c cedilla is not folded
    EXPECT_EQ(fold("\xE7"), "\xE7");
    EXPECT_EQ(fold("\xC3\xB9"), "\xB9");  // u grave (UTF-8) is not folded
    EXPECT_EQ(fold(""), "");
    EXPECT_EQ(CorrectionAccent(nullptr), "");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnce) {
    EXPECT_EQ(ReplaceAll("Pilot's loop's", "'", "''"), "Pilot''s loop''s");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("abcabc", "bc", ""), "aa");
    EXPECT_EQ(ReplaceAll("none here", "x", "y"), "none here");
    EXPECT_EQ(ReplaceAll("", "x", "y"), "");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
}

}  // namespace
