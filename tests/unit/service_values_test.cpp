// The service screens' value rules: menu wrap, setting steps by type, the
// encoder test's path, the SD speed results, last-ticket files and the
// server URL handed to the shell.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "screens/fn_screen_param.h"
#include "screens/fn_screen_sd.h"
#include "screens/fn_screen_shortcuts.h"
#include "screens/fn_screen_test.h"
#include "screens/menu.h"

namespace {

std::string step(int type, const std::string& value, int steps, int position = 0,
                 const std::string& key = "KALVENTRIX_X") {
    return stepParamValue(type, key, value, position, 512, 512 + steps);
}

TEST(MenuSelection, WrapsAtBothEndsOneEntryPerTurn) {
    EXPECT_EQ(0, stepSelection(6, 7, true));
    EXPECT_EQ(6, stepSelection(0, 7, false));
    EXPECT_EQ(4, stepSelection(3, 7, true));
    EXPECT_EQ(2, stepSelection(3, 7, false));
    EXPECT_EQ(0, stepSelection(0, 1, true));
    EXPECT_EQ(0, stepSelection(0, 0, true)) << "an empty list keeps its selection";
    EXPECT_EQ(0, stepSelection(0, 0, false));
}

TEST(TextSetting, CharactersCycleBetweenSpaceAndClosingBrace) {
    EXPECT_EQ("}bc", step(kParamText, " bc", -1));
    EXPECT_EQ(" bc", step(kParamText, "}bc", 1));
    EXPECT_EQ("a d", step(kParamText, "abd", -66, 1)) << "b - 66 = 32, still a space";
    EXPECT_EQ("a}d", step(kParamText, "abd", -67, 1));
    EXPECT_EQ("aCd", step(kParamText, "abd", -31, 1));
    EXPECT_EQ("ab~", step(kParamText, "ab~", 0, 5)) << "a position past the text changes nothing";
}

TEST(TextSetting, StepsAreTakenOnTheLowEightBitsOfTheCounts) {
    // 600 and 601 differ by one in their low bytes as well (88 -> 89).
    EXPECT_EQ("b", stepParamValue(kParamText, "K", "a", 0, 600, 601));
    // 767 -> 768 wraps the low byte from 255 to 0: still one step up.
    EXPECT_EQ("b", stepParamValue(kParamText, "K", "a", 0, 767, 768));
}

TEST(TextSetting, TrailingBlanksAreTrimmed) {
    EXPECT_EQ("F3A-FIELD", trimTrailingBlanks("F3A-FIELD      \t\r\n"));
    EXPECT_EQ("", trimTrailingBlanks("                  "));
    EXPECT_EQ("  lead", trimTrailingBlanks("  lead"));
    EXPECT_EQ("in side", trimTrailingBlanks("in side "));
}

TEST(QuadSetting, EachNumberStaysWithinOneAnd255WithThreeDigits) {
    EXPECT_EQ("192.168.007.001", step(kParamQuad, "192.168.008.001", -1, 2));
    EXPECT_EQ("192.168.001.001", step(kParamQuad, "192.168.004.001", -8, 2));
    EXPECT_EQ("255.168.004.001", step(kParamQuad, "250.168.004.001", 8, 0));
    EXPECT_EQ("192.168.004.009", step(kParamQuad, "192.168.004.001", 8, 3));
    EXPECT_EQ("010-000-000-000", step(kParamQuad, "002-000-000-000", 8, 0))
        << "separators stay as stored";
}

TEST(QuadSetting, ShortValueIsCompletedBeforeEditing) {
    EXPECT_EQ("011.001.001.001", step(kParamQuad, "", 10, 0));
    EXPECT_EQ("010.002.001.001", step(kParamQuad, "010.001", 1, 1));
}

TEST(OnOffAndSpeed, ToggleOnEveryChangeWhateverTheDirection) {
    EXPECT_EQ("1", step(kParamOnOff, "0", 1));
    EXPECT_EQ("1", step(kParamOnOff, "0", -4));
    EXPECT_EQ("0", step(kParamOnOff, "1", 8));
    EXPECT_EQ("0", step(kParamOnOff, "ON", 1)) << "anything but 0 turns off";
    EXPECT_EQ("9600", step(kParamSpeed, "19200", -1));
    EXPECT_EQ("19200", step(kParamSpeed, "9600", 2));
    EXPECT_EQ("19200", step(kParamSpeed, "", 1));
}

TEST(NumberSetting, StopsAtOneExceptTheTicketCount) {
    EXPECT_EQ("1", step(kParamNumber, "3", -8));
    EXPECT_EQ("11", step(kParamNumber, "3", 8));
    EXPECT_EQ("1", step(kParamNumber, "", -1));
    EXPECT_EQ("0", step(kParamNumber, "1", -1, 0, "KALVENTRIX_NbTicket"));
    EXPECT_EQ("-2", step(kParamNumber, "0", -2, 0, "KALVENTRIX_NbTicket"));
}

TEST(VolumeSetting, HeldBetweenSixtyAndHundred) {
    EXPECT_EQ("100", step(kParamVolume, "98", 4));
    EXPECT_EQ("60", step(kParamVolume, "62", -8));
    EXPECT_EQ("60", step(kParamVolume, "0", 1)) << "a missing level starts at the bottom";
    EXPECT_EQ("81", step(kParamVolume, "80", 1));
}

TEST(OtherTypes, ValueStaysUnchanged) {
    EXPECT_EQ("ENG", step(9, "ENG", 3));
    EXPECT_EQ("x", step(0, "x", -3));
}

TEST(EncoderPath, RunsClockwiseAroundTheEdgeAndWraps) {
    const struct {
        int step, row, col;
    } cells[] = {{0, 0, 0},  {10, 0, 10}, {19, 0, 19}, {20, 1, 19}, {21, 2, 19}, {22, 3, 19},
                 {41, 3, 0}, {42, 2, 0},  {43, 1, 0},  {44, 0, 0},  {-1, 1, 0}};
    for (const auto& cell : cells) {
        int row = -1, col = -1;
        encoderPathCell(cell.step, &row, &col);
        EXPECT_EQ(cell.row, row) << "step " << cell.step;
        EXPECT_EQ(cell.col, col) << "step " << cell.step;
    }
}

class SpeedFile : public ::testing::Test {
  protected:
    void write(const std::string& text) { std::ofstream("perf.txt", std::ios::trunc) << text; }
};

TEST_F(SpeedFile, FiguresFollowTheFirstCopiedMarker) {
    write(
        "1+0 records in\n104857600 bytes (105 MB, 100 MiB) copied, 2.5 s, 41.9 MB/s\n"
        "x copied, 9 s, 1 MB/s\n");
    EXPECT_EQ("2.5 s, 41.9 MB/s", copiedFigures("perf.txt"));
}

TEST_F(SpeedFile, OnlyTwentyCharactersAreKept) {
    write("copied, 12.3456789 s, 8.49431 MB/s\n");
    EXPECT_EQ("12.3456789 s, 8.4943", copiedFigures("perf.txt"));
}

TEST_F(SpeedFile, MissingMarkerFileOrFiguresGiveNothing) {
    write("dd: error writing\n");
    EXPECT_EQ("", copiedFigures("perf.txt"));
    write("0 bytes copied,");
    EXPECT_EQ("", copiedFigures("perf.txt")) << "the marker at the very end of a line";
    EXPECT_EQ("", copiedFigures("no-such-file.txt"));
}

TEST(ServerUrl, PlainAddressesStayBareOthersAreQuoted) {
    EXPECT_EQ("192.168.4.1/updates/param.sql",
              serverUrlWord("192.168.004.001", "/updates/param.sql"));
    EXPECT_EQ("http://127.0.0.1:8080/SD-Template/zeph_figure.csv",
              serverUrlWord("http://127.0.0.1:8080", "/SD-Template/zeph_figure.csv"));
    EXPECT_EQ("'x;rm -rf y/updates/default.sql'",
              serverUrlWord("x;rm -rf y", "/updates/default.sql"));
    EXPECT_EQ("'it'\\''s/a'", serverUrlWord("it's", "/a"));
    EXPECT_EQ("'$(reboot)/a'", serverUrlWord("$(reboot)", "/a"));
}

class LastTicketFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"comp", "flight", "judge", "pilot", "schedule"})
            std::remove((std::string("lastTicket_") + name + ".txt").c_str());
    }
    void write(const char* name, const std::string& text) {
        std::ofstream(std::string("lastTicket_") + name + ".txt", std::ios::trunc) << text;
    }
};

TEST_F(LastTicketFiles, ValuesAreReadFromTheirFiles) {
    write("comp", "3");
    write("flight", "12");
    write("judge", "4");
    write("pilot", "123");
    write("schedule", "F25");
    const LastTicket ticket = readLastTicket();
    EXPECT_EQ(3, ticket.comp);
    EXPECT_EQ(12, ticket.flight);
    EXPECT_EQ(4, ticket.judge);
    EXPECT_EQ(123, ticket.pilot);
    EXPECT_EQ("F25", ticket.schedule);
}

TEST_F(LastTicketFiles, ScheduleNameEndsAtItsFirstSpace) {
    write("schedule", "F 25");
    EXPECT_EQ("F", readLastTicket().schedule);
}

TEST_F(LastTicketFiles, MissingOrUnreadableFilesGiveDefaults) {
    write("pilot", "abc");
    const LastTicket ticket = readLastTicket();
    EXPECT_EQ(0, ticket.comp);
    EXPECT_EQ(0, ticket.pilot);
    EXPECT_EQ("", ticket.schedule);
}

}  // namespace
