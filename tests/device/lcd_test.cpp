// The character display driver against the board's PCF8574 + HD44780 model:
// bring-up, text placement, the shadow copy, custom glyphs, backup/restore,
// positions off the grid, and drawing from two threads.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
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

    void expectShadowMatchesGlass() {
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(lcd.shadowRow(row), glassRow(row)) << "row " << row;
    }

    void fillRow(int row, char ch) { lcd.lcdPrint(std::string(20, ch), row, 0, false); }

    std::uint64_t transactions() { return board().trace().counters().transactions; }

    RpLcd lcd;
};

}  // namespace

// Start-up sets the display up twice: once to find it, once at the address kept.
TEST_F(LcdTest, BringUpLeavesADisplayOnBlankAndBacklitAndTheDestructorOff) {
    lcd.print("old");
    ASSERT_TRUE(lcd.setParam(kScl, kSda, 0x27, 4, 20));
    const sim::Glass glass = display().glass();
    EXPECT_TRUE(glass.display && glass.backlight);
    EXPECT_FALSE(glass.cursor || glass.blink);
    EXPECT_TRUE(display().controller().fourBit() && display().controller().twoLine());
    EXPECT_EQ(glass.cursorRow * 20 + glass.cursorCol, 0);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(lcd.shadowRow(row) + glassRow(row), kBlankRow + kBlankRow);
    lcd.print("new");
    EXPECT_EQ(glassRow(0), "new                 ");
    EXPECT_FALSE(lcd.hasFailed());
    RpLcd().setParam(kScl, kSda, 0x27, 4, 20);  // a driver going away switches all off
    EXPECT_FALSE(display().glass().display || display().glass().backlight);
}

TEST(LcdAddress, StartUpLooksAt0x27ThenAt0x3FAndCopesWithNoDisplay) {
    struct Case {
        int boardAddress;
        std::string messages, shown;
    };
    for (const Case& c :
         {Case{0x3F, "I2c unknown address : 39\n", "       ready        "},
          Case{0, "I2c unknown address : 39\nI2c unknown address : 63\n", kBlankRow}}) {
        freshBoard(c.boardAddress);
        RpLcd lcd;
        testing::internal::CaptureStdout();
        const bool found =
            lcd.setParam(kScl, kSda, 0x27, 4, 20) || lcd.setParam(kScl, kSda, 0x3F, 4, 20);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        lcd.lcdPrint("ready", 1, 1, true);
        EXPECT_EQ(found, c.boardAddress != 0);
        EXPECT_EQ(lcd.hasFailed(), !found) << "writes to nobody are noted";
        EXPECT_EQ(glassRow(1), c.shown);
        EXPECT_EQ(lcd.shadowRow(1), c.shown);
        EXPECT_TRUE(board().pins().contentions().empty() && display().violations().empty());
    }
}

// The shadow follows the controller's address counter: row 0 runs on into
// row 2, row 2 into row 1, row 1 into row 3. printf keeps 63 characters.
TEST_F(LcdTest, TextRunsOnWhereTheAddressCounterGoes) {
    const std::string rows[] = {"ABCDEFGHIJKLMNOPQRST", "UVWXYZuvwxyz01234567",
                                "abcdefghijklmnopqrst", "89*"};
    lcd.printf("%s%s%s%s#$%%&()=?", rows[0].c_str(), rows[2].c_str(), rows[1].c_str(),
               rows[3].c_str());
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(glassRow(row), rows[row] + std::string(20 - rows[row].size(), ' ')) << row;
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, TextIsPlacedByRowAndAlignment) {
    struct Case {
        std::string text;
        int row, align;
        bool clear;
        std::string shown;
    };
    const Case cases[] = {
        {"0123456789abcdefghijKLM", 2, 2, false, "0123456789abcdefghij"},  // too long: column 0
        {"right", 3, 2, false, "...............right"},
        {"odd", 0, 1, false, "........odd........."},  // (20 - 3) / 2 rounds down
        {"left", 1, 0, true, "left                "},
    };
    for (const Case& c : cases) {
        fillRow(c.row, '.');
        lcd.lcdPrint(c.text, c.row, c.align, c.clear);
        EXPECT_EQ(glassRow(c.row), c.shown) << c.text;
    }
    fillRow(2, '.');
    lcd.lcdPrint(7, 2, 1, false);
    EXPECT_EQ(glassRow(2), ".......  7  ........");
    lcd.pos(1, 5);
    lcd.lcdPrintc("ab", 3, 3, false);  // no alignment: at the cursor, whatever the row
    EXPECT_EQ(glassRow(1), "left ab             ");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, NewlineMovesDownAndStopsOnTheLastRow) {
    lcd.pos(0, 3);
    lcd.print("a\nb\nc\nd");
    lcd.pos(3, 17);
    lcd.print("e\nf");
    EXPECT_EQ(glassRow(0), "   a                ");
    EXPECT_EQ(glassRow(1), "b                   ");
    EXPECT_EQ(glassRow(2), "c                   ");
    EXPECT_EQ(glassRow(3), "d                ef ");
    expectShadowMatchesGlass();
}

// The controller is still homing when the next transfer starts: a text reads
// the busy flag back, a command would be a timing violation (see TearDown).
TEST_F(LcdTest, HomeIsWaitedForBeforeTheNextTextOrCommand) {
    lcd.print("abc");
    lcd.home();
    lcd.print("Z");
    lcd.home();
    lcd.pos(1, 2);
    lcd.print("Y");
    EXPECT_EQ(glassRow(0), "Zbc                 ");
    EXPECT_EQ(glassRow(1), "  Y                 ");
    expectShadowMatchesGlass();

    lcd.raw(0, 0x01);  // a clear without its wait: the text reads its position while busy
    lcd.print("Q");
    EXPECT_EQ(glassRow(0), "Q" + kBlankRow.substr(1));
    EXPECT_EQ(lcd.shadowRow(0), "Zbc" + kBlankRow.substr(3)) << "a busy read has no cell";
    lcd.raw(0, 0x01);  // a write without the wait: the display notices it
    lcd.raw(1, 'Q');
    EXPECT_EQ(display().violations().size(), 1u);
    display().clearViolations();
}

TEST_F(LcdTest, CustomGlyphLoadsInSlotsZeroToSevenWithoutMovingTheCursor) {
    const std::array<unsigned char, 8> arrow = {0x08, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x08, 0x00};
    lcd.pos(2, 4);
    lcd.create_char(3, arrow.data());
    const auto sent = transactions();
    lcd.create_char(8, arrow.data());
    lcd.create_char(-1, arrow.data());
    EXPECT_EQ(transactions(), sent);
    lcd.print("z");
    lcd.raw(1, 3);
    EXPECT_EQ(display().glass().cgram[3], arrow);
    EXPECT_EQ(glassRow(2), "    z\x03              ");
}

TEST_F(LcdTest, RestoreBringsBackScreenAndCursorUpToEachRowsFirstNul) {
    fillRow(0, 'a');
    lcd.lcdPrint("middle", 1, 1, false);
    fillRow(3, 'd');
    lcd.setSnapshot(3, 5, '\0');  // custom glyph 0, recorded after drawing it by hand
    lcd.pos(2, 6);
    lcd.backup();
    lcd.clear();
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(lcd.shadowRow(row) + glassRow(row), kBlankRow + kBlankRow);
    lcd.lcdPrint("Hold the button", 1, 1, false);
    lcd.restore();
    lcd.print("*");
    EXPECT_EQ(glassRow(0), std::string(20, 'a'));
    EXPECT_EQ(glassRow(1), "       middle       ");
    EXPECT_EQ(glassRow(2), "      *             ");
    EXPECT_EQ(glassRow(3), "ddddd               ");
    expectShadowMatchesGlass();
}

TEST_F(LcdTest, RestoreBeforeAnyBackupOnlyMovesTheCursorHome) {
    lcd.lcdPrint("kept", 1, 0, false);
    lcd.restore();
    lcd.print("Z");
    EXPECT_EQ(glassRow(0), "Z                   ");
    EXPECT_EQ(glassRow(1), "kept                ");
}

TEST_F(LcdTest, RowsOffTheGridAreRejected) {
    lcd.lcdPrint("here", 1, 0, false);
    const auto sent = transactions();
    lcd.pos(4, 0);
    lcd.pos(-1, 3);
    lcd.lcdPrint("nowhere", 4, 1, true);
    lcd.lcdPrint("nowhere", -1, 0, false);
    EXPECT_EQ(transactions(), sent);
    lcd.setSnapshot(4, 0, 'x');
    lcd.setSnapshot(0, 20, 'x');  // one past row 0 must not land on row 1
    lcd.setSnapshot(-1, 0, 'x');
    lcd.print("!");  // the cursor is still after "here"
    EXPECT_EQ(glassRow(1), "here!               ");
    expectShadowMatchesGlass();
}

// Octal escapes: Ñandú in UTF-8 becomes the display's ñ (0xEE) and plain
// letters; º becomes its degree sign (0xDF); other bytes pass unchanged.
TEST(LcdText, SpanishLettersBecomeDisplayCodesAndOtherBytesStay) {
    const auto converted = [](const char* text) {
        char* out = RpLcd::_replace_UTF8_chars(text);
        const std::string result(out);
        std::free(out);
        return result;
    };
    EXPECT_EQ(converted("\303\221and\303\272"), "\356andu");
    EXPECT_EQ(converted("1\302\272 \303\247a\303"), "1\337 \303\247a\303");
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
    EXPECT_EQ(glassRow(0), kBlankRow);
    EXPECT_EQ(glassRow(1), "     AAAAAAAAAA     ");
    EXPECT_EQ(glassRow(2), "    BBBBBBBBBBBB    ");
    EXPECT_EQ(glassRow(3), kBlankRow);
    expectShadowMatchesGlass();
}
