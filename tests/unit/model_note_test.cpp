// The score record: every scoring kind's keys and limits, the marks, the
// two-key entry, the server text and the sound name.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "model/fn_note.h"

namespace {

constexpr int M = Note::kKeyMinus, P = Note::kKeyPlus;

TEST(NoteRecord, EachKindStartsAtItsValueAndFollowsItsKeys) {
    const int initial[] = {100, 100, 100, 100, 0, 0, 100, 100};
    for (int option = -1; option <= 8; ++option) {
        Note note(option, 1, 2, 3, 4, "Loop");
        EXPECT_EQ(note.getValue(), option >= 0 && option < 8 ? initial[option] : 100) << option;
        EXPECT_FALSE(note.getUpdate());
        note.update(Note::kKeyNo);
        const int no = note.getValue();
        note.update(Note::kKeyLongZero);
        EXPECT_EQ(std::make_pair(no, note.getValue()), std::make_pair(-10, -20)) << option;
    }
    Note::useTenthReader([](int) { return 3; });  // the second key of a two-key entry
    // A record of `option` set to `start`, the keys, and the value after each.
    const struct {
        int option, start;
        std::vector<int> keys, values;
    } rows[] = {
        {0, 100, {7, 7, M, M, 0, M, 10, P}, {70, 70, 60, 50, 0, 0, 100, 100}},
        {0, -10, {P, 99, Note::kKeyNo}, {0, 0, -10}},
        {5, 100, {P, P, 0, M, 3}, {110, 120, 0, 0, 30}},
        {1, 100, {7, 7, 7, 6, 10, 10}, {70, 75, 70, 60, 100, 100}},
        {7, 100, {7, 7, 7, 6, 10, 10}, {70, 75, 70, 60, 100, 100}},
        {1, 95, {P, P}, {100, 100}},
        {7, 5, {M, M}, {0, 0}},
        {1, -10, {P}, {0}},
        {7, 0, {0, 0}, {5, 0}},
        {1, 0, {P, M}, {5, 0}},
        {2, 100, {M, M, M, M}, {50, 0, -50, -50}},
        {2, 0, {P, P, 4}, {50, 50, 40}},
        {2, -10, {P}, {40}},
        {3, 100, {4, 5, 0, 10, M, P}, {0, 100, 0, 100, 0, 100}},
        {4, 0, {3, M, 3, P, M, 0}, {0, -100, -100, 0, -100, 0}},
        {6, 100, {P, M, M}, {100, 99, 98}},
        {6, 0, {7, 10}, {73, 100}},
        {6, 0, {M, P}, {0, 1}},
        {6, -10, {P}, {0}},
        {-1, 100, {P, M, 6, 99}, {100, 100, 60, 60}},
        {8, 100, {P, M, 6}, {100, 100, 60}},
    };
    for (const auto& row : rows) {
        Note note(row.option, 1, 1, 1, 0, "fig");
        note.setValue(row.start);
        EXPECT_FALSE(note.getUpdate()) << "a stored value is no key";
        std::vector<int> values;
        for (int key : row.keys) {
            note.update(key);
            values.push_back(note.getValue());
        }
        EXPECT_EQ(values, row.values) << "option " << row.option << " from " << row.start;
    }
}

TEST(NoteRecord, ServerTextAndSoundNameOfValues) {
    const struct {
        int value;
        const char *server, *sound;
    } rows[] = {{70, "7", "7"},      {75, "7.5", "7_5"},   {73, "7.3", "7_5"}, {100, "10", "10"},
                {0, "0", "0"},       {5, "0.5", "0_5"},    {1, "0.1", "0_5"},  {110, "11", "11"},
                {-10, "-1", "NO"},   {-20, "-2", "BP"},    {-50, "-5", "-5"},  {-100, "-10", "-10"},
                {-5, "-0.5", "0_5"}, {-15, "-1.5", "-1_5"}};
    for (const auto& row : rows) {
        EXPECT_EQ(Note::serverText(row.value), row.server) << row.value;
        EXPECT_EQ(Note::soundName(row.value), row.sound) << row.value;
    }
}

}  // namespace
