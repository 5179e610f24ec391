// The screen toolkit over the program's display and keys: framed messages,
// the confirmation, the keypad as a whole and saving the screen around a
// pop-up.
#include <gtest/gtest.h>

#include <string>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "tests/support/drivers_support.h"

using namespace drivers_test;

namespace {

constexpr sim::Micros kMs = 1000;
const std::string kBlankRow(20, ' ');

class ToolkitTest : public BoardTest {
  protected:
    void SetUp() override {
        BoardTest::SetUp();
        ASSERT_TRUE(myLcd.setParam(kScl, kSda, 0x27, 4, 20));
    }

    void tap(const std::string& key, unsigned int after, unsigned int heldMs) {
        const sim::Micros at = now() + after * kMs;
        board().keyDown(at, key);
        board().keyUp(at + heldMs * kMs, key);
    }
};

RpButton* const kAllKeys[] = {
    &myButton_R_C, &myButton_PLUS, &myButton_MINUS, &myButton_VALID, &myButton_REPEAT, &myButton_NO,
    &myButton_0,   &myButton_1,    &myButton_2,     &myButton_3,     &myButton_4,      &myButton_5,
    &myButton_6,   &myButton_7,    &myButton_8,     &myButton_9,     &myButton_10};

}  // namespace

TEST_F(ToolkitTest, FrameRulesTopAndBottomRowsWithTheirGlyphs) {
    displayFrame();
    const sim::Glass glass = display().glass();
    const std::uint8_t top[8] = {0x1F, 0, 0, 0, 0, 0, 0, 0};
    const std::uint8_t bottom[8] = {0, 0, 0, 0, 0, 0, 0, 0x1F};
    for (int line = 0; line < 8; ++line) {
        EXPECT_EQ(glass.cgram[1][line], top[line]);
        EXPECT_EQ(glass.cgram[5][line], bottom[line]);
    }
    EXPECT_EQ(glassRow(0), std::string(20, '\x01'));
    EXPECT_EQ(glassRow(3), std::string(20, '\x05'));
    EXPECT_EQ(myLcd.shadowRow(0), glassRow(0));
    EXPECT_EQ(myLcd.shadowRow(3), glassRow(3));
}

TEST_F(ToolkitTest, MessageScreensAreCentredInsideTheFrame) {
    myLcd.lcdPrint("old", 2, 0, false);
    ErrorScreen("No server");
    EXPECT_EQ(glassRow(0), std::string(20, '\x01'));
    EXPECT_EQ(glassRow(1), "     No server      ");
    EXPECT_EQ(glassRow(2), kBlankRow);
    EXPECT_EQ(glassRow(3), std::string(20, '\x05'));
    const sim::Glass glass = display().glass();
    EXPECT_EQ(glass.cursorRow, 3);
    EXPECT_EQ(glass.cursorCol, 10);

    ErrorScreen("Hold the button", "to Power OFF");
    EXPECT_EQ(glassRow(1), "  Hold the button   ");
    EXPECT_EQ(glassRow(2), "    to Power OFF    ");
    for (int row = 0; row < 4; ++row) EXPECT_EQ(myLcd.shadowRow(row), glassRow(row));
}

TEST_F(ToolkitTest, KeypadIsTestedAndClearedAsAWholeWithoutPower) {
    for (RpButton* key : kAllKeys) {
        key->setValue(2);
        EXPECT_TRUE(ButtonPressed()) << key->getName();
        EXPECT_EQ(key->getValue(), 2u) << "testing clears nothing";
        key->resetValue();
    }
    for (RpButton* key : kAllKeys) key->setValue(1);
    myButton_POWER.setValue(2);
    EXPECT_TRUE(ButtonPressed());
    ClrButtons();
    for (RpButton* key : kAllKeys) EXPECT_EQ(key->getValue(), 0u) << key->getName();
    EXPECT_EQ(myButton_POWER.getValue(), 2u);
    EXPECT_FALSE(ButtonPressed()) << "POWER alone is no key press";
}

TEST_F(ToolkitTest, ConfirmationAnsweredWithValidIsYesAndConsumed) {
    myButton_PLUS.setValue(1);  // pending before the question: forgotten
    tap("VALID", 1000, 60);     // after the question is drawn
    EXPECT_TRUE(ConfirmScreen("Download ?"));
    EXPECT_EQ(myButton_VALID.getValue(), 0u);
    EXPECT_EQ(myButton_PLUS.getValue(), 0u);
    EXPECT_EQ(glassRow(1), "     Download ?     ");
}

TEST_F(ToolkitTest, ConfirmationAnsweredWithAnotherKeyIsNoAndLeavesThatKey) {
    myButton_VALID.setValue(1);  // stale VALID must not count as the answer
    tap("NO", 1000, 60);
    EXPECT_FALSE(ConfirmScreen("Erase ?"));
    EXPECT_EQ(myButton_NO.getValue(), 1u);
}

TEST_F(ToolkitTest, ConfirmationWaitsPastAPendingPowerEvent) {
    myButton_POWER.setValue(1);
    tap("NO", 2000, 60);
    const sim::Micros before = now();
    EXPECT_FALSE(ConfirmScreen("Erase ?"));
    EXPECT_GE(now() - before, 2000 * kMs);
    EXPECT_EQ(myButton_POWER.getValue(), 1u);
}

TEST_F(ToolkitTest, BackupAndRestoreScreenBringBackTextAndCursor) {
    myLcd.lcdPrint("Judge 3", 0, 0, false);
    myLcd.lcdPrint("Figure 7", 2, 2, false);
    myLcd.pos(1, 9);
    BackupScreen();
    ErrorScreen("Volume");
    RestoreScreen();
    EXPECT_EQ(glassRow(0), "Judge 3             ");
    EXPECT_EQ(glassRow(1), kBlankRow);
    EXPECT_EQ(glassRow(2), "            Figure 7");
    EXPECT_EQ(glassRow(3), kBlankRow);
    myLcd.print("^");
    EXPECT_EQ(glassRow(1), "         ^          ");
}

TEST_F(ToolkitTest, FrameSurvivesAPopUpDrawnOverIt) {
    ErrorScreen("Saved");
    BackupScreen();
    ErrorScreen("Pop", "up");
    RestoreScreen();
    EXPECT_EQ(glassRow(0), std::string(20, '\x01'));
    EXPECT_EQ(glassRow(1), "       Saved        ");
    EXPECT_EQ(glassRow(2), kBlankRow);
    EXPECT_EQ(glassRow(3), std::string(20, '\x05'));
}
