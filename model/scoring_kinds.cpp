#include "model/scoring_kinds.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "model/fn_note.h"

namespace {

constexpr int kPoint = 10;  // tenths

std::string wholeName(int point) {
    char text[24];
    std::snprintf(text, sizeof text, "%d", point);
    return text;
}

// Any value with tenths is announced as the half point of its whole part.
std::string halfName(int point) {
    char text[24];
    std::snprintf(text, sizeof text, "%d_5", point);
    return text;
}

// The values the digit keys alone can give a record of the kind.
void digitReach(const ScoringKind& kind, int* low, int* high) {
    switch (kind.digits) {
        case DigitRule::Threshold:
            *low = kind.low;
            *high = kind.high;
            break;
        case DigitRule::ZeroOnly:
            *low = *high = 0;
            break;
        default:
            *low = 0;
            *high = 10 * kPoint;
    }
}

}  // namespace

std::string scoreSoundName(int value) {
    if (value == Note::kNo) return "NO";
    if (value == Note::kBp) return "BP";
    return value % kPoint == 0 ? wholeName(value / kPoint) : halfName(value / kPoint);
}

std::vector<std::string> scoreSoundNames() {
    std::set<int> wholes, halves;
    for (const ScoringKind& kind : kScoringKinds) {
        int digitLow = 0, digitHigh = 0;
        digitReach(kind, &digitLow, &digitHigh);
        const int lowest = std::min(kind.low, digitLow) / kPoint;
        const int highest = std::max(kind.high, digitHigh) / kPoint;
        for (int point = lowest; point <= highest; ++point) {
            wholes.insert(point);
            if (kind.tenths) halves.insert(point);
        }
    }
    std::vector<std::string> names;
    for (int point : wholes) names.push_back(wholeName(point));
    for (int point : halves) names.push_back(halfName(point));
    names.push_back(scoreSoundName(Note::kNo));
    names.push_back(scoreSoundName(Note::kBp));
    return names;
}
