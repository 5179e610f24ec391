// Score entry and the end of a flight, driven through the keypad of the
// virtual board against a scripted server link.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/fn_utils.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "screens/fn_screen_note.h"
#include "tests/support/screens_support.h"

using namespace screens_test;

namespace {

class ScoreEntry : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        addSchedule("F25", "ENG", {{0, "Loop"}, {1, "Roll"}, {6, "Spin"}});
    }

    // Scores the three figures 10, 7.5 and 8.3 from `atMs` on and validates
    // the last one; returns the time after that VALID.
    unsigned int scoreFlight(unsigned int atMs) {
        press("10", atMs);
        press("VALID", atMs + 300);
        press("7", atMs + 600);
        press("7", atMs + 900);
        press("VALID", atMs + 1200);
        press("8", atMs + 1500);
        press("3", atMs + 1800);
        press("VALID", atMs + 2100);
        return atMs + 2400;
    }

    int stored(int figure, int pilot = 12) {
        return sqlInt(
            "SELECT note FROM note WHERE cmpid = 3 AND vol_n = 2 AND juge_n = 4 AND pil_n = " +
            std::to_string(pilot) + " AND fig_n = " + std::to_string(figure));
    }

    int queued(int pilot = 12) {
        return sqlInt("SELECT count(*) FROM notsent WHERE juge_n = 4 AND pil_n = " +
                      std::to_string(pilot));
    }
};

TEST_F(ScoreEntry, FlightIsStoredSentAndPrintedOnConfirmation) {
    const std::size_t shellStart = shellCount();
    press("VALID", 300);  // figure 1 untouched: refused
    const unsigned int end = scoreFlight(600);
    press("VALID", end + 500);  // confirms
    screen_note();

    EXPECT_EQ(100, stored(0));
    EXPECT_EQ(75, stored(1));
    EXPECT_EQ(83, stored(2));
    EXPECT_EQ(0, queued());
    EXPECT_TRUE(contains(server().requests, "U 3/2 J4 P12 N1=10 N2=7.5 N3=8.3"));
    EXPECT_EQ(0, wifiRet);
    const std::vector<std::string> shell = shellSince(shellStart);
    EXPECT_TRUE(contains(shell, "/SOUNDS/ES.wav &"));
    EXPECT_TRUE(contains(shell, "/PGM/F25/03.WAV &"));
    EXPECT_TRUE(contains(shell, "/SOUNDS/7_5.wav &"));
    EXPECT_TRUE(contains(shell, "/SOUNDS/F.wav &"));
    const std::vector<std::string> paper = paperLines();
    EXPECT_TRUE(contains(paper, "F25"));
    EXPECT_TRUE(contains(paper, "7.5"));
}

// The press of 0 is still pending when the tenth is awaited: it is the tenth
// as well, so 0 scores 0.0 at once, as on every other kind.
TEST_F(ScoreEntry, ZeroOnATenthsFigureScoresAtOnce) {
    press("10", 300);
    press("VALID", 600);
    press("7", 900);
    press("VALID", 1200);
    press("0", 1500);      // figure 3 is scored in tenths
    press("VALID", 1800);  // the confirmation
    press("VALID", 2300);  // confirms
    press("4", 2800);      // a tenth, should the 0 still wait for one
    press("VALID", 3100);
    press("VALID", 3600);
    screen_note();
    EXPECT_EQ(0, stored(2));
}

TEST_F(ScoreEntry, UntouchedTenIsRefusedAndTheFigureStays) {
    std::vector<std::string> glass;
    press("VALID", 300);
    captureGlassAt(1500, &glass);
    press("MINUS", 2000, 1300);  // abandon to leave
    screen_note();
    ASSERT_EQ(4u, glass.size());
    EXPECT_EQ("1 Loop            10", glass[2]);
    EXPECT_EQ("2 Roll            10", glass[3]);
    EXPECT_EQ(std::string(20, ' '), glass[1]);
}

TEST_F(ScoreEntry, LongMinusOnFirstFigureAbandonsWithoutStoringOrSending) {
    press("5", 300);
    press("MINUS", 600, 1300);
    screen_note();
    EXPECT_EQ(2u, myButton_MINUS.getValue());
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM note"));
    EXPECT_FALSE(contains(server().requests, "U "));
}

TEST_F(ScoreEntry, LongMinusOnLaterFigureIsIgnored) {
    press("10", 300);
    press("VALID", 600);
    press("MINUS", 900, 1300);  // figure 2: no effect
    const unsigned int end = 2600;
    press("VALID", end);        // figure 2 untouched: refused
    press("MINUS", end + 500);  // short: 100 - 5
    press("VALID", end + 800);
    press("9", end + 1100);
    press("0", end + 1400);
    press("VALID", end + 1700);
    press("VALID", end + 2200);
    screen_note();
    EXPECT_EQ(95, stored(1));
    EXPECT_EQ(90, stored(2));
}

TEST_F(ScoreEntry, GoingBackFromConfirmationReturnsToTheSheet) {
    std::vector<std::string> confirmation, back;
    const unsigned int end = scoreFlight(300);
    captureGlassAt(end + 200, &confirmation);
    press("PLUS", end + 400);  // cursor to row 3: go back
    press("VALID", end + 700);
    captureGlassAt(end + 1200, &back);
    press("NO", end + 1500);  // last figure now NO
    press("VALID", end + 1800);
    press("VALID", end + 2300);  // confirm
    screen_note();
    ASSERT_EQ(4u, confirmation.size());
    EXPECT_NE(std::string::npos, confirmation[0].find("Validation"));
    EXPECT_NE(std::string::npos, confirmation[2].find("T71"));
    ASSERT_EQ(4u, back.size());
    EXPECT_EQ("3 Spin           8.3", back[2]);
    EXPECT_EQ(-10, stored(2));
    EXPECT_EQ(1, static_cast<int>(std::count_if(server().requests.begin(), server().requests.end(),
                                                [](const std::string& r) { return r[0] == 'U'; })));
}

TEST_F(ScoreEntry, FailedDeliveryIsQueuedAndResentAfterTheNextSuccess) {
    server().sendResults = {-1};
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_EQ(-1, wifiRet);
    EXPECT_EQ(1, queued());

    gPilot = 13;
    server().sendResults = {0};
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_TRUE(contains(server().requests, "R 3/2 J4 P12 N1=10 N2=7.5 N3=8.3"));
    EXPECT_EQ(0, queued());
    EXPECT_EQ(0, queued(13));
}

TEST_F(ScoreEntry, RefusedResendStaysQueued) {
    server().sendResults = {104};
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_EQ(1, queued());

    gPilot = 13;
    server().resendResult = 103;
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_TRUE(contains(server().requests, "R 3/2 J4 P12"));
    EXPECT_EQ(1, queued());
}

TEST_F(ScoreEntry, QueuedSheetWithoutStoredRowsIsNeverResentEmpty) {
    sqlInt("INSERT INTO notsent VALUES (3, 2, 4, 99)");
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_FALSE(contains(server().requests, "P99"));
    EXPECT_EQ(1, queued(99));
}

TEST_F(ScoreEntry, SheetThatCannotBeStoredIsReportedThenSentAndPrinted) {
    sqlInt("DROP TABLE note");
    std::vector<std::string> glass;
    const unsigned int end = scoreFlight(300);
    press("VALID", end + 300);
    captureGlassAt(end + 1500, &glass);
    press("VALID", end + 2000);  // acknowledges the message
    screen_note();
    ASSERT_EQ(4u, glass.size());
    EXPECT_NE(std::string::npos, glass[1].find("SHEET NOT STORED"));
    EXPECT_TRUE(contains(server().requests, "U 3/2 J4 P12 N1=10 N2=7.5 N3=8.3"));
    EXPECT_TRUE(contains(paperLines(), "F25"));
}

TEST_F(ScoreEntry, NoTicketSettingAsksAndValidSkipsTheTicket) {
    setParam("KALVENTRIX_NbTicket", "0");
    server().sendResults = {-1};
    std::vector<std::string> question;
    const unsigned int end = scoreFlight(300);
    press("VALID", end + 300);
    captureGlassAt(end + 1200, &question);
    std::remove("lastTicket_pilot.txt");
    press("VALID", end + 1500);
    screen_note();
    EXPECT_FALSE(std::ifstream("lastTicket_pilot.txt").good());
    ASSERT_EQ(4u, question.size());
    EXPECT_NE(std::string::npos, question[0].find("T68"));
    EXPECT_FALSE(contains(paperLines(), "F25"));
    EXPECT_EQ(1, queued());
}

TEST_F(ScoreEntry, NoTicketSettingPrintsTheTicketOnPlus) {
    setParam("KALVENTRIX_NbTicket", "0");
    std::remove("lastTicket_pilot.txt");
    const unsigned int end = scoreFlight(300);
    press("VALID", end + 300);
    press("PLUS", end + 800);
    screen_note();
    std::ifstream lastTicket("lastTicket_pilot.txt");
    std::string pilot;
    EXPECT_TRUE(std::getline(lastTicket, pilot));
    EXPECT_EQ("12", pilot);
}

TEST_F(ScoreEntry, NearRealTimeSendsEachValidatedFigure) {
    gNRT = true;
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_TRUE(contains(server().requests, "NRT 0"));
    EXPECT_TRUE(contains(server().requests, "NRT 1"));
    EXPECT_FALSE(contains(server().requests, "NRT 2"));  // the last one goes as the whole sheet
}

TEST_F(ScoreEntry, NoWifiQueuesWithoutAnyRequest) {
    gWIFI = false;
    gNRT = true;
    press("VALID", scoreFlight(300) + 300);
    screen_note();
    EXPECT_TRUE(server().requests.empty());
    EXPECT_EQ(1, queued());
}

TEST_F(ScoreEntry, LongRepeatTogglesTheLongAnnouncements) {
    const std::size_t shellStart = shellCount();
    press("REPEAT", 300, 1300);
    press("MINUS", 2500, 1300);
    screen_note();
    EXPECT_TRUE(gLongWav);
    EXPECT_TRUE(contains(shellSince(shellStart), "/PGM/F25/01L.WAV &"));
}

TEST(ShellWord, PlainPathsStayAsTheyAreOthersAreQuoted) {
    EXPECT_EQ("/home/pi/sounds/#ENG/PGM/F25/01.WAV", shellWord("/home/pi/sounds/#ENG/PGM/F25/01.WAV"));
    EXPECT_EQ("'/a b/01.WAV'", shellWord("/a b/01.WAV"));
    EXPECT_EQ("'/x;rm -rf y'", shellWord("/x;rm -rf y"));
    EXPECT_EQ("'/it'\\''s'", shellWord("/it's"));
    EXPECT_EQ("'#ENG'", shellWord("#ENG"));  // a leading # starts a comment
    EXPECT_EQ("'$(id)'", shellWord("$(id)"));
    EXPECT_EQ("''", shellWord(""));
}

TEST_F(ScoreEntry, ScheduleAndLanguageReachTheShellAsOneWord) {
    gSchedule = "F 25;x";
    gLang = "E$N";
    addSchedule("F 25;x", "E$N", {{0, "Loop"}});
    const std::size_t shellStart = shellCount();
    press("MINUS", 300, 1300);
    screen_note();
    const std::vector<std::string> shell = shellSince(shellStart);
    const auto figure = std::find_if(shell.begin(), shell.end(), [](const std::string& c) {
        return c.find("/PGM/") != std::string::npos;
    });
    ASSERT_NE(shell.end(), figure);
    EXPECT_EQ(0u, figure->rfind("aplay -q '", 0)) << *figure;
    EXPECT_NE(std::string::npos, figure->find("/#E$N/PGM/F 25;x/01.WAV' &")) << *figure;
    EXPECT_TRUE(contains(shell, "/#E$N/SOUNDS/10.wav' &"));
}

TEST_F(ScoreEntry, EncoderBrowsesWithoutLeavingTheSheet) {
    std::vector<std::string> glass;
    turn(-1, 300);  // before figure 1: stays
    turn(3, 800);   // past the last figure: stays on it
    captureGlassAt(2500, &glass);
    press("MINUS", 3000, 1300);  // not at figure 1: ignored
    turn(-5, 4500);
    press("MINUS", 6500, 1300);
    screen_note();
    ASSERT_EQ(4u, glass.size());
    EXPECT_EQ("3 Spin            10", glass[2]);
    EXPECT_EQ(std::string(20, ' '), glass[3]);
    EXPECT_EQ(2u, myButton_MINUS.getValue());
}

TEST_F(ScoreEntry, ScheduleWithoutFiguresIsRefusedLikeAnAbandon) {
    gSchedule = "EMPTY";
    addSchedule("EMPTY", "ENG", {});
    press("VALID", 500);
    screen_note();
    EXPECT_EQ(2u, myButton_MINUS.getValue());
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM note"));
}

class NoteRows : public ScreenTest {
  protected:
    void show(int index) {
        std::memset(aFormerScreen, ' ', sizeof(aFormerScreen));
        myLcd.clear();
        display_note(index, false);
    }
    void add(int option, const std::string& label, int value) {
        aNote.emplace_back(option, 3, 2, 12, static_cast<int>(aNote.size()), label);
        aNote.back().setValue(value);
    }
};

TEST_F(NoteRows, ValuesStandAtTheRightEndOfTheirRows) {
    add(1, "Loop", 75);
    add(0, "Stall turn with a very long name", 100);
    add(0, "Roll", -10);
    add(3, "Spin", 0);
    add(9, "Hidden", 70);
    add(0, "Mark", -20);
    show(1);
    EXPECT_EQ("1 Loop           7.5", glassRow(1));
    EXPECT_EQ("2 Stall turn with 10", glassRow(2));
    EXPECT_EQ("3 Roll            NO", glassRow(3));
    show(4);
    EXPECT_EQ("4 Spin             0", glassRow(1));
    EXPECT_EQ("5 Hidden            ", glassRow(2));
    EXPECT_EQ("6 Mark            BP", glassRow(3));
}

TEST_F(NoteRows, FirstAndLastFiguresLeaveTheirOuterRowBlank) {
    add(0, "Loop", 80);
    add(5, "Bonus", 110);
    show(0);
    EXPECT_EQ(std::string(20, ' '), glassRow(1));
    EXPECT_EQ("1 Loop             8", glassRow(2));
    EXPECT_EQ("2 Bonus           11", glassRow(3));
    show(1);
    EXPECT_EQ(std::string(20, ' '), glassRow(3));
}

TEST_F(NoteRows, TwoDigitFigureNumbersPushTheLabelRight) {
    for (int i = 0; i < 10; ++i) add(2, "Figure", -50);
    show(9);
    EXPECT_EQ("10 Figure         -5", glassRow(2));
}

}  // namespace
