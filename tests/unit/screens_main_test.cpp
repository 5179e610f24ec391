// The main screen, its dialogs and the volume dialog, driven through the
// keypad of the virtual board against a scripted server link.
#include <algorithm>

#include "app/fn_utils.h"
#include "drivers/fn_rotary.h"
#include "model/fn_note.h"
#include "screens/fn_screen_main.h"
#include "tests/support/screens_support.h"

using namespace screens_test;

namespace {

class MainScreen : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        addSchedule("F25", "ENG", {{0, "Loop"}, {0, "Roll"}});
        addSchedule("P25", "ENG", {{0, "Spin"}});
    }
    int param(const std::string& key) {
        return sqlInt("SELECT valeur FROM param WHERE cle = '" + key + "'");
    }
};

TEST(ServerMessages, EachReplyCodeHasItsText) {
    EXPECT_EQ(32, serverMessageId(-1));
    EXPECT_EQ(32, serverMessageId(1));
    EXPECT_EQ(33, serverMessageId(100));
    EXPECT_EQ(37, serverMessageId(104));
    EXPECT_EQ(39, serverMessageId(106));
    EXPECT_EQ(40, serverMessageId(900));
    EXPECT_EQ(44, serverMessageId(904));
    for (int unlisted : {0, 2, 99, 107, 899, 905})
        EXPECT_EQ(0, serverMessageId(unlisted)) << unlisted;
}

TEST_F(MainScreen, ShowsTheContextWithUnknownPilotAndSecondLine) {
    gPilot = -1;
    gLine = 2;
    display_main(4);
    EXPECT_EQ("      T27   004   L2", glassRow(0));
    EXPECT_EQ("T28  03    T29    02", glassRow(1));
    EXPECT_EQ(" T30       F25      ", glassRow(2));
    EXPECT_EQ("      T31    ???    ", glassRow(3));
}

TEST_F(MainScreen, DigitsKeyThePilotAndValidStartsTheFlight) {
    std::vector<std::string> sheet;
    press("0", 300);
    press("0", 500);
    press("7", 700);
    press("1", 900);  // a fourth digit starts a new number
    press("2", 1100);
    press("3", 1300);
    press("VALID", 1600);
    captureGlassAt(2500, &sheet);
    press("MINUS", 3000, 1300);  // abandons the sheet
    press("R_C", 5000, 1300);
    EXPECT_EQ(0, screen_main());
    EXPECT_EQ(123, gPilot);
    EXPECT_EQ(123, param("PELMORIDUX_PILOT"));
    EXPECT_TRUE(contains(server().requests, "T 3/2 J4 P123"));
    ASSERT_EQ(4u, sheet.size());
    EXPECT_EQ("3/2 J4 P123 F25     ", sheet[0]);
    EXPECT_EQ("1 Loop            10", sheet[2]);
}

TEST_F(MainScreen, FlightCheckCarriesNoValuesOfThePreviousSheet) {
    aNote.assign(5, Note(0, 3, 2, 11, 0, "Left from pilot 11"));
    press("1", 300);
    press("2", 500);
    press("VALID", 800);
    press("MINUS", 2000, 1300);  // abandons the sheet
    press("R_C", 4000, 1300);
    screen_main();
    ASSERT_FALSE(server().requests.empty());
    const auto check = std::find_if(server().requests.begin(), server().requests.end(),
                                    [](const std::string& r) { return r.rfind("T ", 0) == 0; });
    ASSERT_NE(server().requests.end(), check);
    EXPECT_EQ("T 3/2 J4 P12", *check);
}

TEST_F(MainScreen, PilotReceivedFromTheServerStartsScoringWithoutAKey) {
    server().nextPilot = 21;
    server().nextComp = 5;
    server().nextFlight = 1;
    server().nextSchedule = "P25";
    std::vector<std::string> sheet;
    captureGlassAt(500, &sheet);
    press("MINUS", 1000, 1300);
    press("R_C", 3000, 1300);
    EXPECT_EQ(0, screen_main());
    ASSERT_EQ(4u, sheet.size());
    EXPECT_EQ("5/1 J4 P21 P25      ", sheet[0]);
    EXPECT_EQ(21, param("PELMORIDUX_PILOT"));
    EXPECT_EQ(5, param("PELMORIDUX_COMP"));
}

TEST_F(MainScreen, MissingScheduleOpensItsDialogAndTheFlightDoesNotStart) {
    setParam("PELMORIDUX_SCHEDULE", "X99");
    std::vector<std::string> dialog;
    press("1", 300);
    press("VALID", 600);
    captureGlassAt(1200, &dialog);
    press("VALID", 1500);
    press("R_C", 2000, 1300);
    EXPECT_EQ(0, screen_main());
    ASSERT_EQ(4u, dialog.size());
    EXPECT_EQ("#     X99/ENG      #", dialog[0]);
    EXPECT_EQ("#       T45        #", dialog[1]);
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM note"));
}

TEST_F(MainScreen, ServerRefusalCanBeForced) {
    server().sendResults = {105};
    std::vector<std::string> dialog, sheet;
    press("1", 300);
    press("VALID", 600);
    captureGlassAt(1200, &dialog);
    press("PLUS", 1500);
    captureGlassAt(2500, &sheet);
    press("MINUS", 3000, 1300);
    press("R_C", 5000, 1300);
    EXPECT_EQ(0, screen_main());
    ASSERT_EQ(4u, dialog.size());
    EXPECT_EQ("        T38         ", dialog[0]);
    EXPECT_EQ("  <Valid> : retry   ", dialog[1]);
    ASSERT_EQ(4u, sheet.size());
    EXPECT_EQ("1 Loop            10", sheet[2]);
}

TEST_F(MainScreen, ServerRefusalRetryStaysOnTheMainScreen) {
    server().sendResults = {102, 102};
    press("1", 300);
    press("VALID", 600);
    press("VALID", 1500);  // retry: back to the main screen
    press("VALID", 2000);  // refused again
    press("VALID", 2800);
    press("R_C", 3500, 1300);
    EXPECT_EQ(0, screen_main());
    EXPECT_EQ(2, static_cast<int>(std::count(server().requests.begin(), server().requests.end(),
                                             "T 3/2 J4 P1")));
}

// The flight start scores the stored schedule, so the pilot named through
// the dialog must be stored with his own flight and schedule; without an
// answer the refused context stays and nothing starts.
TEST_F(MainScreen, NextPilotFromTheRefusalDialogIsStoredBeforeHisFlight) {
    gPilot = 30;
    server().nextPilot = 7;
    server().nextFlight = 5;
    server().nextSchedule = "P25";
    press("MINUS", 300);
    EXPECT_EQ(0, display_error("refused"));
    EXPECT_EQ(1, static_cast<int>(myButton_VALID.getValue()));
    EXPECT_EQ(7, param("PELMORIDUX_PILOT"));
    EXPECT_EQ(5, param("PELMORIDUX_FLIGHT"));
    EXPECT_EQ(1, sqlInt("SELECT count(*) FROM param WHERE cle = 'PELMORIDUX_SCHEDULE' "
                        "AND valeur = 'P25'"));

    myButton_VALID.resetValue();
    gPilot = 30;
    press("MINUS", 300);
    EXPECT_EQ(0, display_error("refused"));
    EXPECT_EQ(0, static_cast<int>(myButton_VALID.getValue()));
    EXPECT_EQ(30, param("PELMORIDUX_PILOT"));
    EXPECT_EQ(30, gPilot);
}

TEST_F(MainScreen, PilotAlreadyScoredCanBeErased) {
    sqlInt("INSERT INTO note VALUES (3, 2, 4, 1, 0, 'Loop', 80, 0)");
    std::vector<std::string> dialog;
    press("1", 300);
    press("VALID", 600);
    captureGlassAt(1000, &dialog);
    turn(2, 1200);  // each detent counts two steps: 1 -> 3, then wraps round to 2
    press("VALID", 2600);
    press("R_C", 3500, 1300);
    EXPECT_EQ(0, screen_main());
    ASSERT_EQ(4u, dialog.size());
    EXPECT_EQ("#19", dialog[1].substr(0, 3));  // the border covers column 0
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM note WHERE pil_n = 1"));
}

TEST_F(MainScreen, Pilot999IsScoredAgainWithoutTheDialog) {
    sqlInt("INSERT INTO note VALUES (3, 2, 4, 999, 0, 'Loop', 80, 0)");
    server().sendResults = {102};
    std::vector<std::string> sheet;
    press("9", 300);
    press("9", 500);
    press("9", 700);
    press("VALID", 1000);
    captureGlassAt(1800, &sheet);
    press("MINUS", 2500, 1300);
    press("R_C", 4500, 1300);
    EXPECT_EQ(0, screen_main());
    ASSERT_EQ(4u, sheet.size());
    EXPECT_EQ("3/2 J4 P999 F25     ", sheet[0]);
}

TEST_F(MainScreen, ChordsAskForRelaunchAndReboot) {
    press("REPEAT", 300, 2000);
    press("NO", 500, 1300);
    EXPECT_EQ(-2, screen_main());
    waitMillis(1500);
    ClrButtons();
    press("REPEAT", 300, 2000);
    press("0", 300, 2000);
    press("NO", 500, 1300);
    EXPECT_EQ(-1, screen_main());
}

TEST_F(MainScreen, FieldEditorClampsAndCountsDigits) {
    gPilot = 2;
    press("R_C", 300);  // editor on the pilot field
    press("MINUS", 600);
    press("MINUS", 800);
    press("MINUS", 1000);  // not below 1
    press("VALID", 1300);
    press("R_C", 1800);
    for (int i = 0; i < 4; ++i) press(std::to_string(i + 1), 2100 + i * 200);
    press("VALID", 3100);
    press("R_C", 3600, 1300);
    EXPECT_EQ(0, screen_main());
    EXPECT_EQ(4, gPilot);
    EXPECT_EQ(4, param("PELMORIDUX_PILOT"));
}

TEST_F(MainScreen, JudgeEditorStopsAtItsLargestValue) {
    gCJ = true;
    press("VALID", 300);  // no pilot yet: the cursor moves from the pilot field to the judge
    press("R_C", 1000);
    press("9", 1300);
    press("9", 1500);
    press("8", 1700);
    press("PLUS", 2000);
    press("PLUS", 2200);
    press("R_C", 2600);
    press("R_C", 3200, 1300);
    EXPECT_EQ(0, screen_main());
    EXPECT_EQ(999, gJudge);
    EXPECT_EQ(999, param("PELMORIDUX_JUDGE"));
}

TEST_F(MainScreen, PlusStepsThroughTheSchedulesOfTheLanguage) {
    gCJ = true;
    for (int i = 0; i < 4; ++i) press("VALID", 300 + i * 200);  // pilot -> judge ... -> schedule
    press("PLUS", 1000);
    press("PLUS", 1300);  // no schedule after P25: stays
    press("R_C", 1800, 1300);
    EXPECT_EQ(0, screen_main());
    EXPECT_EQ("P25", gSchedule);
}

class Volume : public ScreenTest {
  protected:
    int stored() { return sqlInt("SELECT valeur FROM param WHERE cle = 'KALVENTRIX_1VOL'"); }
};

TEST_F(Volume, StaysAtTheTopAndCloses) {
    setParam("KALVENTRIX_1VOL", "100");
    const std::size_t shellStart = shellCount();
    displayVolume(true);
    EXPECT_EQ(100, stored());
    EXPECT_TRUE(contains(shellSince(shellStart), "sudo amixer cset numid=1 100%"));
    EXPECT_EQ("60       80      100", glassRow(3));
}

TEST_F(Volume, MissingLevelStartsAtTheBottomWhicheverWay) {
    setParam("KALVENTRIX_1VOL", "0");
    displayVolume(true);
    EXPECT_EQ(60, stored());
}

TEST_F(Volume, EachMovementStepsTheLevelAndTheBarFollows) {
    setParam("KALVENTRIX_1VOL", "80");
    const std::size_t shellStart = shellCount();
    turn(4, 200, 300);
    displayVolume(true);
    const std::vector<std::string> shell = shellSince(shellStart);
    const int mixerRuns =
        static_cast<int>(std::count_if(shell.begin(), shell.end(), [](const std::string& c) {
            return c.rfind("sudo amixer cset numid=1 ", 0) == 0;
        }));
    EXPECT_GE(mixerRuns, 4);  // the first step, then one per movement
    EXPECT_EQ(std::min(100, 80 + 2 * mixerRuns), stored());
    EXPECT_TRUE(contains(shell, "sudo amixer cset numid=1 " + std::to_string(stored()) + "%"));
    // The bar follows at most eight times a second, so it may lag the last step.
    const std::string bar = glassRow(2);
    const std::size_t stars = bar.find_first_not_of('*');
    EXPECT_GT(stars, 0u);
    EXPECT_LE(static_cast<int>(stars), (stored() - 60) / 2);
    EXPECT_EQ(std::string(20 - stars, ' '), bar.substr(stars));
}

TEST_F(Volume, TurningBackLowersTheLevel) {
    setParam("KALVENTRIX_1VOL", "90");
    turn(-2, 200, 300);
    displayVolume(false);
    EXPECT_LT(stored(), 88);
    EXPECT_GE(stored(), 60);
}

}  // namespace
