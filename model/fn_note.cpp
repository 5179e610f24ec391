#include "model/fn_note.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

int clampTo(int v, int low, int high) {
    return std::min(std::max(v, low), high);
}

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

int Note::initialValue(int option) {
    // Kinds 4 (penalty) and 5 (open-ended bonus) count up from nothing; every
    // other kind, unknown ones included, starts at a full 10 that the judge confirms.
    return (option == 4 || option == 5) ? 0 : 100;
}

void Note::update(int key) {
    updated = true;
    if (option == 6 && isDigitKey(key)) {
        // A whole part of 10 leaves no room for tenths.
        value = std::min(key * 10 + _readTenth(key), 100);
        return;
    }
    if (key == kKeyLongZero) {
        value = kBp;
    } else if (key == kKeyNo) {
        value = kNo;
    } else if (isDigitKey(key)) {
        applyDigit(key);
    } else if (key == kKeyMinus) {
        applyStep(-1);
    } else if (key == kKeyPlus) {
        applyStep(1);
    }
}

void Note::applyDigit(int key) {
    switch (option) {
        case 3:
            value = key <= 4 ? 0 : 100;
            break;
        case 4:
            if (key == 0) value = 0;
            break;
        case 1:
        case 7:
            // The same digit again toggles the half point.
            value = (value == key * 10 && value != 100) ? value + 5 : key * 10;
            break;
        default:
            value = key * 10;
    }
}

void Note::applyStep(int step) {
    switch (option) {
        case 0:
            value = clampTo(value + 10 * step, 0, 100);
            break;
        case 1:
        case 7:
            value = clampTo(value + 5 * step, 0, 100);
            break;
        case 2:
            value = clampTo(value + 50 * step, -50, 50);
            break;
        case 3:
            value = step > 0 ? 100 : 0;
            break;
        case 4:
            value = step > 0 ? 0 : -100;
            break;
        case 5:
            value = std::max(value + 10 * step, 0);
            break;
        case 6:
            value = clampTo(value + step, 0, 100);
            break;
        default:
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
    if (value == kNo) return "NO";
    if (value == kBp) return "BP";
    char text[24];
    if (value % 10 == 0) {
        std::snprintf(text, sizeof text, "%d", value / 10);
    } else {
        std::snprintf(text, sizeof text, "%d_5", value / 10);
    }
    return text;
}
