// The character display driver against the board's PCF8574 + HD44780 model:
// bring-up, text placement, the shadow copy, custom glyphs, backup/restore,
// clamping of positions off the grid, and drawing from two threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "drivers/soft_lcd.h"
#include "tests/support/drivers_support.h"

using namespace drivers_test;

namespace {

const std::string kBlankRow(20, ' ');

class LcdTest : public BoardTest {
  protected:
    void SetUp() override {
        BoardTest::SetUp();
        ASSERT_TRUE(lcd.setParam(kScl, kSda, 0x27, 4, 20));
    }

    // Glass and shadow agree cell for cell.
    void expectShadowMatchesGlass() {
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(lcd.shadowRow(row), glassRow(row)) << "row " << row;
    }

    void fillRow(int row, char ch) { lcd.lcdPrint(std::string(20, ch), row, 0, false); }

    std::uint64_t transactions() { return board().trace().counters().transactions; }

    RpLcd lcd;
};

}  // namespace

TEST_F(LcdTest, BringUpLeavesADisplayOnBlankAndBacklit) {
    const sim::Glass glass = display().glass();
    EXPECT_TRUE(glass.display);
    EXPECT_FALSE(glass.cursor);
    EXPECT_FALSE(glass.blink);
    EXPECT_TRUE(glass.backlight);
    EXPECT_TRUE(display().controller().fourBit());
    EXPECT_TRUE(display().controller().twoLine());
    EXPECT_EQ(display().controller().addressCounter(), 0);
    for (int row = 0; row < 4; ++row) EXPECT_EQ(lcd.shadowRow(row), kBlankRow);
    expectShadowMatchesGlass();
    EXPECT_FALSE(lcd.hasFailed());
    EXPECT_EQ(lcd.address(), 0x27);
}

TEST(LcdAddress, DisplayAnsweringOnlyAt0x3FIsFoundWithOneMessage) {
    freshBoard(0x3F);
    RpLcd lcd;
    testing::internal::CaptureStdout();
    const bool at27 = lcd.setParam(kScl, kSda, 0x27, 4, 20);
    const bool at3F = lcd.setParam(kScl, kSda, at27 ? 0x27 : 0x3F, 4, 20);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "I2c unknown address : 39\n");
    EXPECT_FALSE(at27);
    EXPECT_TRUE(at3F);
    lcd.lcdPrint("ready", 1, 1, false);
    EXPECT_EQ(glassRow(1), "       ready        ");
    EXPECT_FALSE(lcd.hasFailed());
    EXPECT_TRUE(display().violations().empty());
    EXPECT_TRUE(board().pins().contentions().empty());
}

TEST(LcdAddress, WithoutADisplayBothAddressesAreReportedAndDrawingIsHarmless) {
    freshBoard(0);
    RpLcd lcd;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(lcd.setParam(kScl, kSda, 0x27, 4, 20));
    EXPECT_FALSE(lcd.setParam(kScl, kSda, 0x3F, 4, 20));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "I2c unknown address : 39\nI2c unknown address : 63\n");
    lcd.lcdPrint("nobody", 0, 0, true);
    EXPECT_TRUE(lcd.hasFailed());
    for (int row = 0; row < 4; ++row) EXPECT_EQ(lcd.shadowRow(row), kBlankRow);
    EXPECT_TRUE(board().pins().contentions().empty());
}

TEST_F(LcdTest, TextRunsOnWhereTheAddressCounterGoes) {
    lcd.print("ABCDEFGHIJKLMNOPQRSTU");
    EXPECT_EQ(glassRow(0), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(glassRow(2)[0], 'U');
    EXPECT_EQ(lcd.shadowAt(2, 0), 'U');
    // On through the end of row 2 into row 1, as the controller's counter runs.
    lcd.print("bcdefghijklmnopqrstuV");
    EXPECT_EQ(glassRow(2), "Ubcdefghijklmnopqrst");
    EXPECT_EQ(glassRow(1)[0], 'u');
    EXPECT_EQ(lcd.shadowAt(1, 1), 'V');
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, PrintfKeepsAtMostSixtyThreeCharacters) {
    lcd.printf("%s", std::string(70, 'x').c_str());
    EXPECT_EQ(glassRow(0), std::string(20, 'x'));
    EXPECT_EQ(glassRow(2), std::string(20, 'x'));
    EXPECT_EQ(glassRow(1), std::string(20, 'x'));
    EXPECT_EQ(glassRow(3), "xxx" + std::string(17, ' '));
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, AlignedNumbersAndTexts) {
    fillRow(2, '.');
    lcd.lcdPrint(7, 2, 1, false);
    EXPECT_EQ(glassRow(2), ".......  7  ........");
    lcd.lcdPrint("right", 3, 2, false);
    EXPECT_EQ(glassRow(3), "               right");
    lcd.lcdPrint("odd", 0, 1, false);  // (20 - 3) / 2 rounds down
    EXPECT_EQ(glassRow(0), "        odd         ");
    fillRow(1, '#');
    lcd.lcdPrint("left", 1, 0, true);  // the row is blanked first
    EXPECT_EQ(glassRow(1), "left                ");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, UnknownAlignmentPrintsAtTheCursor) {
    lcd.pos(1, 5);
    lcd.lcdPrintc("ab", 3, 3, false);
    EXPECT_EQ(glassRow(1), "     ab             ");
    EXPECT_EQ(glassRow(3), kBlankRow);
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, NewlineMovesDownAndStopsOnTheLastRow) {
    lcd.pos(0, 3);
    lcd.print("a\nb\nc\nd");
    EXPECT_EQ(glassRow(0), "   a                ");
    EXPECT_EQ(glassRow(1), "b                   ");
    EXPECT_EQ(glassRow(2), "c                   ");
    EXPECT_EQ(glassRow(3), "d                   ");
    lcd.pos(3, 17);
    lcd.print("e\nf");
    EXPECT_EQ(glassRow(3), "d                ef ");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, ClearBlanksGlassAndShadow) {
    for (int row = 0; row < 4; ++row) fillRow(row, static_cast<char>('a' + row));
    lcd.clear();
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(lcd.shadowRow(row), kBlankRow);
        EXPECT_EQ(glassRow(row), kBlankRow);
    }
}

TEST_F(LcdTest, HomeIsFollowedSafelyByText) {
    lcd.print("abc");
    lcd.home();
    lcd.print("Z");  // the controller is still homing when a careless driver sends this
    EXPECT_EQ(glassRow(0), "Zbc                 ");
    EXPECT_EQ(lcd.shadowAt(0, 0), 'Z');
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, HomeIsFollowedSafelyByACommand) {
    lcd.print("abc");
    lcd.home();
    lcd.pos(1, 2);  // a write while homing would be a timing violation
    lcd.print("Z");
    EXPECT_EQ(glassRow(1), "  Z                 ");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, CustomGlyphLoadsWithoutMovingTheCursor) {
    const unsigned char arrow[8] = {0x08, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x08, 0x00};
    lcd.pos(2, 4);
    lcd.create_char(3, arrow);
    lcd.print("z");
    const sim::Glass glass = display().glass();
    for (int line = 0; line < 8; ++line) EXPECT_EQ(glass.cgram[3][line], arrow[line]);
    EXPECT_EQ(glassRow(2), "    z               ");
    lcd.raw(1, 3);
    EXPECT_EQ(display().rowText(2)[5], '\x03');
}

TEST_F(LcdTest, GlyphSlotsOutsideZeroToSevenSendNothing) {
    const unsigned char full[8] = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
    const sim::Glass before = display().glass();
    const auto sent = transactions();
    lcd.create_char(8, full);
    lcd.create_char(-1, full);
    EXPECT_EQ(transactions(), sent);
    EXPECT_EQ(display().glass().cgram, before.cgram);
}

TEST_F(LcdTest, BackupAndRestoreBringBackTheScreenAndCursor) {
    fillRow(0, 'a');
    lcd.lcdPrint("middle", 1, 1, false);
    fillRow(3, 'd');
    lcd.pos(2, 6);
    lcd.backup();
    lcd.clear();
    lcd.lcdPrint("Hold the button", 1, 1, false);
    lcd.restore();
    EXPECT_EQ(glassRow(0), std::string(20, 'a'));
    EXPECT_EQ(glassRow(1), "       middle       ");
    EXPECT_EQ(glassRow(2), kBlankRow);
    EXPECT_EQ(glassRow(3), std::string(20, 'd'));
    lcd.print("*");
    EXPECT_EQ(glassRow(2), "      *             ");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, RestoreEndsEachRowAtItsFirstNul) {
    fillRow(1, 'm');
    lcd.setSnapshot(1, 5, '\0');  // custom glyph 0, recorded after drawing it by hand
    lcd.backup();
    lcd.clear();
    lcd.restore();
    EXPECT_EQ(glassRow(1), "mmmmm" + std::string(15, ' '));
    EXPECT_EQ(lcd.shadowRow(1), "mmmmm" + std::string(15, ' '));
}

TEST(LcdRestore, BeforeAnyBackupOnlyMovesTheCursorHome) {
    freshBoard();
    RpLcd lcd;
    ASSERT_TRUE(lcd.setParam(kScl, kSda, 0x27, 4, 20));
    lcd.lcdPrint("kept", 1, 0, false);
    lcd.restore();
    EXPECT_EQ(glassRow(1), "kept                ");
    lcd.print("Z");
    EXPECT_EQ(glassRow(0), "Z                   ");
}

TEST_F(LcdTest, OverlongAlignedTextStartsAtColumnZero) {
    fillRow(0, 'o');
    const std::string longText = "0123456789abcdefghijKLM";
    lcd.lcdPrint(longText, 1, 1, false);
    EXPECT_EQ(glassRow(0), std::string(20, 'o'));
    EXPECT_EQ(glassRow(1), "0123456789abcdefghij");
    EXPECT_EQ(glassRow(3), "KLM                 ");
    lcd.lcdPrint(longText, 2, 2, false);
    EXPECT_EQ(glassRow(2), "0123456789abcdefghij");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, RowsOffTheGridAreRejected) {
    lcd.lcdPrint("here", 1, 0, false);
    const auto sent = transactions();
    lcd.pos(4, 0);
    lcd.pos(-1, 3);
    EXPECT_EQ(transactions(), sent);
    lcd.lcdPrint("nowhere", 4, 1, true);
    lcd.lcdPrint("nowhere", -1, 0, false);
    EXPECT_EQ(transactions(), sent);
    lcd.setSnapshot(4, 0, 'x');
    lcd.setSnapshot(0, 20, 'x');  // one past row 0 must not land on row 1
    lcd.setSnapshot(-1, 0, 'x');
    EXPECT_EQ(lcd.shadowAt(1, 0), 'h');
    lcd.print("!");  // the cursor is still after "here"
    EXPECT_EQ(glassRow(1), "here!               ");
    expectShadowMatchesGlass();
}

TEST(LcdLifetime, DestructorSwitchesTheDisplayAndBacklightOff) {
    freshBoard();
    {
        RpLcd lcd;
        ASSERT_TRUE(lcd.setParam(kScl, kSda, 0x27, 4, 20));
        EXPECT_TRUE(display().glass().backlight);
    }
    EXPECT_FALSE(display().glass().display);
    EXPECT_FALSE(display().glass().backlight);
    EXPECT_TRUE(board().pins().contentions().empty());
}

TEST(LcdText, SpanishLettersBecomeDisplayCodes) {
    char* out = RpLcd::_replace_UTF8_chars(
        "\xC3\x91"
        "and\xC3\xBA");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out),
              "\xEE"
              "andu");
    std::free(out);

    out = RpLcd::_replace_UTF8_chars(
        "1\xC2\xBA \xC3\x89"
        "l \xC3\xA7"
        "a\xC3");
    EXPECT_EQ(std::string(out),
              "1\xDF El \xC3\xA7"
              "a\xC3");
    std::free(out);
}

namespace {
RpLcd* gSharedLcd = nullptr;
void* drawRowTwo(void*) {
    for (int i = 0; i < 3; ++i) gSharedLcd->lcdPrint("BBBBBBBBBBBB", 2, 1, true);
    return nullptr;
}
}  // namespace

// The POWER prompt draws from an interrupt thread while a screen draws too:
// each operation must reach the controller whole.
TEST_F(LcdTest, TwoThreadsDrawingAtOnceDoNotMixTheirTransfers) {
    gSharedLcd = &lcd;
    piThreadCreate(drawRowTwo);
    for (int i = 0; i < 3; ++i) lcd.lcdPrint("AAAAAAAAAA", 1, 1, true);
    delay(2000);
    EXPECT_EQ(glassRow(1), "     AAAAAAAAAA     ");
    EXPECT_EQ(glassRow(2), "    BBBBBBBBBBBB    ");
    EXPECT_EQ(glassRow(0), kBlankRow);
    EXPECT_EQ(glassRow(3), kBlankRow);
    expectShadowMatchesGlass();
}
