// The terminal's wiring, written once: each key with its wiringPi pin and
// interrupt edge, in the order in which the program constructs the buttons
// (the first one sets wiringPi up), and the pins of the encoder and of the
// display's bus. The program's buttons and handlers, the virtual board's
// keypad, the script runner's and front panel's key names and the README's
// wiring table all come from here. Broadcom numbers are wiringPi's own
// numbering (wpiPinToGpio), not written again.
#pragma once

#include <cstddef>

// KEY(id, wiringPi pin, edge): button myButton_<id> named "<id>", handler
// myISR_<id>; edge BOTH or FALLING.
#define KV_BOARD_KEYS(KEY) \
    KEY(R_C, 22, BOTH)     \
    KEY(PLUS, 28, BOTH)    \
    KEY(MINUS, 24, BOTH)   \
    KEY(VALID, 27, BOTH)   \
    KEY(REPEAT, 29, BOTH)  \
    KEY(NO, 25, BOTH)      \
    KEY(10, 11, BOTH)      \
    KEY(9, 10, BOTH)       \
    KEY(8, 6, BOTH)        \
    KEY(7, 3, BOTH)        \
    KEY(6, 4, BOTH)        \
    KEY(5, 0, BOTH)        \
    KEY(4, 14, BOTH)       \
    KEY(3, 21, BOTH)       \
    KEY(2, 13, BOTH)       \
    KEY(1, 12, BOTH)       \
    KEY(0, 7, BOTH)        \
    KEY(POWER, 2, FALLING)

namespace wiring {

struct Key {
    const char* name;
    int pin;
    bool fallingEdge;  // else both edges
};

constexpr bool kFallingEdge_BOTH = false;
constexpr bool kFallingEdge_FALLING = true;

constexpr Key kKeys[] = {
#define KV_BOARD_KEY_ENTRY(id, pin, edge) {#id, pin, kFallingEdge_##edge},
    KV_BOARD_KEYS(KV_BOARD_KEY_ENTRY)
#undef KV_BOARD_KEY_ENTRY
};
constexpr std::size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

// The score keys "0" to "10".
constexpr int kHighestDigit = 10;

constexpr int kEncoderPinA = 5;
constexpr int kEncoderPinB = 26;
constexpr int kDisplayClockPin = 9;  // SCL of the soft I2C bus
constexpr int kDisplayDataPin = 8;   // SDA

constexpr bool sameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

// Position of a key in kKeys, -1 for an unknown name.
constexpr int keyIndex(const char* name) {
    for (std::size_t i = 0; i < kKeyCount; ++i)
        if (sameText(kKeys[i].name, name)) return static_cast<int>(i);
    return -1;
}

// wiringPi pin of a key, -1 for an unknown name.
constexpr int pinOf(const char* name) {
    return keyIndex(name) < 0 ? -1 : kKeys[keyIndex(name)].pin;
}

// Score value of a key ("0" .. "10"), -1 for the function keys.
constexpr int digitOf(const char* name) {
    int value = 0;
    if (*name == '\0') return -1;
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9') return -1;
        value = value * 10 + (*name - '0');
    }
    return value <= kHighestDigit ? value : -1;
}

// Position in kKeys of the key that scores `digit`, -1 for none.
constexpr int digitKeyIndex(int digit) {
    for (std::size_t i = 0; i < kKeyCount; ++i)
        if (digitOf(kKeys[i].name) == digit) return static_cast<int>(i);
    return -1;
}

constexpr bool everyDigitHasAKey() {
    for (int digit = 0; digit <= kHighestDigit; ++digit)
        if (digitKeyIndex(digit) < 0) return false;
    return true;
}
static_assert(everyDigitHasAKey(), "a score key is missing from the board table");

constexpr std::size_t fallingEdgeKeys() {
    std::size_t count = 0;
    for (const Key& key : kKeys) count += key.fallingEdge ? 1 : 0;
    return count;
}
static_assert(fallingEdgeKeys() == 1 && kKeys[kKeyCount - 1].fallingEdge,
              "POWER, the one key on a falling edge, is constructed last");

}  // namespace wiring
