#include "model/fn_note.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kHalfPoint = 5;

bool isDigitKey(int key) {
    return key >= 0 && key <= 10;
}

}  // namespace

Note::Note(int option, int comp, int flight, int pilot, int figure, std::string desc)
    : comp(comp),
      flight(flight),
      pilot(pilot),
      figure(figure),
      option(option),
      value(initialValue(option)),
      desc(std::move(desc)),
      updated(false) {}

namespace {
std::atomic<Note::TenthReader> gTenthReader{nullptr};
}  // namespace

void Note::useTenthReader(TenthReader reader) {
    gTenthReader = reader;
}

int Note::_readTenth(int whole) {
    const TenthReader reader = gTenthReader;
    return reader != nullptr ? reader(whole) : 0;
}

int Note::initialValue(int option) {
    return scoringKind(option).initial;
}

void Note::update(int key) {
    updated = true;
    const ScoringKind& kind = scoringKind(option);
    if (kind.digits == DigitRule::TwoKey && isDigitKey(key)) {
        // A whole part of 10 leaves no room for tenths.
        value = std::min(key * 10 + _readTenth(key), kind.high);
        return;
    }
    if (key == kKeyLongZero) {
        value = kBp;
    } else if (key == kKeyNo) {
        value = kNo;
    } else if (isDigitKey(key)) {
        applyDigit(kind, key);
    } else if (key == kKeyMinus) {
        applyStep(kind, -1);
    } else if (key == kKeyPlus) {
        applyStep(kind, 1);
    }
}

void Note::applyDigit(const ScoringKind& kind, int key) {
    switch (kind.digits) {
        case DigitRule::Threshold:
            value = key <= 4 ? kind.low : kind.high;
            break;
        case DigitRule::ZeroOnly:
            if (key == 0) value = 0;
            break;
        case DigitRule::HalfToggle:
            // The same digit again toggles the half point, where the range leaves room.
            value = (value == key * 10 && value + kHalfPoint <= kind.high) ? value + kHalfPoint
                                                                           : key * 10;
            break;
        default:
            value = key * 10;
    }
}

void Note::applyStep(const ScoringKind& kind, int direction) {
    switch (kind.steps) {
        case StepRule::Add:
            value = std::max(value + kind.step * direction, kind.low);
            if (!kind.openTop) value = std::min(value, kind.high);
            break;
        case StepRule::Set:
            value = direction > 0 ? kind.high : kind.low;
            break;
        case StepRule::None:
            break;
    }
}

int Note::getValue() {
    return value;
}

void Note::setValue(int v) {
    value = v;
}

std::string Note::getDesc() {
    return desc;
}

int Note::getOption() {
    return option;
}

bool Note::getUpdate() {
    return updated;
}

std::string Note::serverText(int value) {
    char text[24];
    if (value % 10 == 0) {
        std::snprintf(text, sizeof text, "%d", value / 10);
    } else {
        // %d of a negative remainder would print "-7.-5"; the sign belongs to the whole.
        const char* sign = (value < 0 && value / 10 == 0) ? "-" : "";
        std::snprintf(text, sizeof text, "%s%d.%d", sign, value / 10, std::abs(value % 10));
    }
    return text;
}

std::string Note::soundName(int value) {
    return scoreSoundName(value);
}
