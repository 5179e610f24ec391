// The scoring kinds a figure can use (the catalogue's figoption): the value a
// fresh record holds, what the digit keys and PLUS/MINUS do to it, the range
// they keep to and whether values carry tenths. The score record, the score
// screen, the ticket and the sound pack all read this one table, so a new
// kind is a new row (and a new rule only when its keys behave in a new way).
#pragma once

#include <string>
#include <vector>

// What a digit key 0 to 10 does.
enum class DigitRule {
    Whole,       // value = key x 10
    HalfToggle,  // key x 10; the same digit again adds the half point
    Threshold,   // keys 0 to 4 give low, 5 to 10 give high
    ZeroOnly,    // key 0 sets 0; the other digits change nothing
    TwoKey,      // whole part, then the tenth on a second digit key
};

// What PLUS and MINUS do.
enum class StepRule {
    None,  // nothing
    Add,   // add or take off `step`, then keep within low to high
    Set,   // PLUS sets high, MINUS sets low
};

struct ScoringKind {
    int initial;  // value of a fresh record, in tenths of a point
    DigitRule digits;
    StepRule steps;
    int step;      // tenths a PLUS or MINUS adds or takes off (StepRule::Add)
    int low;       // lowest value the steps keep to
    int high;      // highest value; with openTop only the highest one announced
    bool openTop;  // the steps have no upper limit
    bool tenths;   // values carry tenths: printed as 7.0, announced with half points
};

// Indexed by the kind's number.
inline constexpr ScoringKind kScoringKinds[] = {
    {100, DigitRule::Whole, StepRule::Add, 10, 0, 100, false, false},     // 0
    {100, DigitRule::HalfToggle, StepRule::Add, 5, 0, 100, false, true},  // 1
    {100, DigitRule::Whole, StepRule::Add, 50, -50, 50, false, false},    // 2 positioning
    {100, DigitRule::Threshold, StepRule::Set, 0, 0, 100, false, false},  // 3 yes or no
    {0, DigitRule::ZeroOnly, StepRule::Set, 0, -100, 0, false, false},    // 4 penalty
    {0, DigitRule::Whole, StepRule::Add, 10, 0, 200, true, false},        // 5 open bonus
    {100, DigitRule::TwoKey, StepRule::Add, 1, 0, 100, false, true},      // 6 tenths
    {100, DigitRule::HalfToggle, StepRule::Add, 5, 0, 100, false, true},  // 7
};

inline constexpr int kScoringKindCount = sizeof kScoringKinds / sizeof kScoringKinds[0];

// A kind the catalogue names but this terminal does not know: digits still set
// key x 10 on a full 10 to start from, PLUS and MINUS do nothing, and no value
// is shown on the display.
inline constexpr ScoringKind kUnknownScoringKind = {
    100, DigitRule::Whole, StepRule::None, 0, 0, 100, false, false};

constexpr bool knownScoringKind(int option) {
    return option >= 0 && option < kScoringKindCount;
}

constexpr const ScoringKind& scoringKind(int option) {
    return knownScoringKind(option) ? kScoringKinds[option] : kUnknownScoringKind;
}

// The name of the sound that announces a value: 7, 7_5, NO, BP.
std::string scoreSoundName(int value);

// Every name a score of a known kind can be announced with: each whole point
// from the lowest to the highest value a kind's keys reach, the half point of
// each of them for the kinds with tenths, and the marks.
std::vector<std::string> scoreSoundNames();
