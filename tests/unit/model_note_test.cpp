// The score record: every scoring kind's keys and limits, the marks, the
// server text and the sound name.
#include <gtest/gtest.h>

#include <vector>

#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "tests/support/drivers_support.h"

namespace {

constexpr int kMinus = Note::kKeyMinus;
constexpr int kPlus = Note::kKeyPlus;

// The values after each key, starting from a record of the kind at `start`.
std::vector<int> valuesAfter(int option, int start, const std::vector<int>& keys) {
    Note note(option, 1, 1, 1, 0, "fig");
    note.setValue(start);
    std::vector<int> values;
    for (int key : keys) {
        note.update(key);
        values.push_back(note.getValue());
    }
    return values;
}

using Values = std::vector<int>;

TEST(NoteRecord, ConstructorSetsTheKindsInitialValue) {
    const int expected[8] = {100, 100, 100, 100, 0, 0, 100, 100};
    for (int option = 0; option < 8; ++option) {
        Note note(option, 1, 2, 3, 4, "Loop");
        EXPECT_EQ(note.getValue(), expected[option]) << option;
        EXPECT_EQ(note.getOption(), option);
        EXPECT_EQ(note.getDesc(), "Loop");
        EXPECT_FALSE(note.getUpdate());
    }
}

TEST(NoteRecord, AnyKeyMarksTheRecordUpdatedButSetValueDoesNot) {
    Note note(0, 1, 1, 1, 0, "fig");
    note.setValue(70);
    EXPECT_FALSE(note.getUpdate());
    note.update(99);  // unknown code: only the flag changes
    EXPECT_TRUE(note.getUpdate());
    EXPECT_EQ(note.getValue(), 70);
    Note copy = note;
    EXPECT_TRUE(copy.getUpdate());
}

TEST(NoteRecord, MarksReplaceAnyValueOfAnyKind) {
    for (int option = 0; option < 8; ++option) {
        EXPECT_EQ(valuesAfter(option, 55, {Note::kKeyNo, Note::kKeyLongZero}), Values({-10, -20}))
            << option;
    }
}

TEST(NoteRecord, WholePointKinds) {
    EXPECT_EQ(valuesAfter(0, 100, {7, 7, kMinus, kMinus, 0, kMinus, 10, kPlus}),
              Values({70, 70, 60, 50, 0, 0, 100, 100}));
    EXPECT_EQ(valuesAfter(0, -10, {kPlus}), Values({0}));
    EXPECT_EQ(valuesAfter(5, 100, {kPlus, kPlus, 0, kMinus, 3}), Values({110, 120, 0, 0, 30}));
}

TEST(NoteRecord, HalfPointKindsToggleOnTheSameDigit) {
    for (int option : {1, 7}) {
        EXPECT_EQ(valuesAfter(option, 100, {7, 7, 7, 6, 10, 10}),
                  Values({70, 75, 70, 60, 100, 100}));
        EXPECT_EQ(valuesAfter(option, 95, {kPlus, kPlus}), Values({100, 100}));
        EXPECT_EQ(valuesAfter(option, 5, {kMinus, kMinus}), Values({0, 0}));
        EXPECT_EQ(valuesAfter(option, -10, {kPlus}), Values({0}));
        EXPECT_EQ(valuesAfter(option, 0, {0, 0}), Values({5, 0}));
    }
}

TEST(NoteRecord, PositioningKindStepsByFiveWithinPlusMinusFive) {
    EXPECT_EQ(valuesAfter(2, 100, {kMinus, kMinus, kMinus, kMinus}), Values({50, 0, -50, -50}));
    EXPECT_EQ(valuesAfter(2, 0, {kPlus, kPlus}), Values({50, 50}));
    EXPECT_EQ(valuesAfter(2, -10, {kPlus}), Values({40}));
    EXPECT_EQ(valuesAfter(2, 0, {4}), Values({40}));
}

TEST(NoteRecord, YesNoKind) {
    EXPECT_EQ(valuesAfter(3, 100, {4, 5, 0, 10, kMinus, kPlus}), Values({0, 100, 0, 100, 0, 100}));
}

TEST(NoteRecord, PenaltyKind) {
    EXPECT_EQ(valuesAfter(4, 0, {3, kMinus, 3, kPlus, kMinus, 0}),
              Values({0, -100, -100, 0, -100, 0}));
}

TEST(NoteRecord, TenthsKindStepsByOneTenth) {
    EXPECT_EQ(valuesAfter(6, 100, {kPlus, kMinus, kMinus}), Values({100, 99, 98}));
    EXPECT_EQ(valuesAfter(6, 0, {kMinus, kPlus}), Values({0, 1}));
    EXPECT_EQ(valuesAfter(6, -10, {kPlus}), Values({0}));
}

TEST(NoteRecord, UnknownKindsTakeDigitsOnly) {
    // Also at compile time, where reading outside the table of kinds is an error.
    static_assert(scoringKind(-1).initial == 100 && scoringKind(kScoringKindCount).initial == 100);
    for (int option : {-1, kScoringKindCount}) {  // either side of the known kinds
        EXPECT_EQ(Note(option, 1, 1, 1, 0, "fig").getValue(), 100) << option;
        EXPECT_EQ(valuesAfter(option, 100, {kPlus, kMinus, 6, 6}), Values({100, 100, 60, 60}))
            << option;
    }
}

// On a fresh virtual board with the display set up as at start-up.
class TwoKeyEntry : public ::testing::Test {
  protected:
    void SetUp() override {
        drivers_test::freshBoard();
        ASSERT_TRUE(myLcd.setParam(drivers_test::kScl, drivers_test::kSda, 0x27, 4, 20));
        for (RpButton* b :
             {&myButton_0, &myButton_1, &myButton_2, &myButton_3, &myButton_4, &myButton_5,
              &myButton_6, &myButton_7, &myButton_8, &myButton_9, &myButton_NO}) {
            b->resetValue();
        }
    }
};

TEST_F(TwoKeyEntry, WholePartThenPendingTenth) {
    Note note(6, 1, 1, 1, 0, "Rolling circle");
    myButton_3.setValue(1);
    myButton_NO.setValue(1);  // not a digit: stays pending
    note.update(7);
    EXPECT_EQ(note.getValue(), 73);
    EXPECT_TRUE(note.getUpdate());
    EXPECT_EQ(myLcd.shadowRow(2).substr(17, 3), "7.3");
    EXPECT_EQ(drivers_test::glassRow(2).substr(17, 3), "7.3");
    EXPECT_EQ(myButton_3.getValue(), 0u);
    EXPECT_EQ(myButton_NO.getValue(), 1u);
    EXPECT_EQ(Note::serverText(note.getValue()), "7.3");
    EXPECT_EQ(Note::soundName(note.getValue()), "7_5");
}

TEST_F(TwoKeyEntry, HighestDigitWinsAndLongPressesAreTakenToo) {
    Note note(6, 1, 1, 1, 0, "x");
    myButton_2.setValue(1);
    myButton_8.setValue(1);
    myButton_9.setValue(2);  // a long press is no tenth
    note.update(5);
    EXPECT_EQ(note.getValue(), 58);
    EXPECT_EQ(myButton_2.getValue() + myButton_8.getValue() + myButton_9.getValue(), 0u);
}

TEST_F(TwoKeyEntry, TenIsTheTop) {
    Note note(6, 1, 1, 1, 0, "x");
    myButton_4.setValue(1);
    note.update(10);
    EXPECT_EQ(note.getValue(), 100);
}

TEST(NoteText, ServerTextOfValues) {
    const std::vector<std::pair<int, std::string>> cases = {
        {70, "7"},    {75, "7.5"},   {73, "7.3"}, {100, "10"},   {0, "0"},
        {-10, "-1"},  {-20, "-2"},   {-50, "-5"}, {-100, "-10"}, {110, "11"},
        {-5, "-0.5"}, {-15, "-1.5"}, {1, "0.1"}};
    for (const auto& c : cases) EXPECT_EQ(Note::serverText(c.first), c.second) << c.first;
}

TEST(NoteText, SoundNameOfValues) {
    const std::vector<std::pair<int, std::string>> cases = {
        {-10, "NO"}, {-20, "BP"}, {75, "7_5"}, {73, "7_5"},  {100, "10"},
        {0, "0"},    {5, "0_5"},  {120, "12"}, {-100, "-10"}};
    for (const auto& c : cases) EXPECT_EQ(Note::soundName(c.first), c.second) << c.first;
}

}  // namespace
