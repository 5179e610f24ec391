// The keypad, encoder, display and printer of the program, in construction
// order: the first button sets wiringPi up for all the others. The buttons
// and their handlers come from the board table.
#include <wiringPi.h>

#include <cstdio>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "platform/wiring.h"
#include "printer/Pi_Thermal.h"

namespace {

constexpr int kEdge_BOTH = INT_EDGE_BOTH;
constexpr int kEdge_FALLING = INT_EDGE_FALLING;

// The prompt and the keypad dialog of the two-key entry are in place before
// the first handler can run.
struct KeypadDialogs {
    KeypadDialogs() {
        RpButton::usePowerPrompt(&powerPrompt());
        Note::useTenthReader(readTenthFromKeypad);
    }
} keypadDialogs;

}  // namespace

#define KV_DEFINE_BUTTON(id, pin, edge) RpButton myButton_##id(#id, pin, kEdge_##edge, myISR_##id);
KV_BOARD_KEYS(KV_DEFINE_BUTTON)
#undef KV_DEFINE_BUTTON
RpEncoder myEncoder("R_C", wiring::kEncoderPinA, wiring::kEncoderPinB, myISR_ENCODER);
RpLcd myLcd;
Pi_Thermal printer;

#define KV_DEFINE_ISR(id, pin, edge) \
    void myISR_##id() {              \
        myButton_##id.mngt();        \
    }
KV_BOARD_KEYS(KV_DEFINE_ISR)
#undef KV_DEFINE_ISR
void myISR_ENCODER() {
    myEncoder.mngt();
}

namespace {

RpButton* const kButtons[] = {
#define KV_BUTTON_ENTRY(id, pin, edge) &myButton_##id,
    KV_BOARD_KEYS(KV_BUTTON_ENTRY)
#undef KV_BUTTON_ENTRY
};

}  // namespace

#define KV_KEYPAD_ENTRY_BOTH(id) &myButton_##id,
#define KV_KEYPAD_ENTRY_FALLING(id)
#define KV_KEYPAD_ENTRY(id, pin, edge) KV_KEYPAD_ENTRY_##edge(id)
RpButton* const aKeypad[kKeypadSize] = {KV_BOARD_KEYS(KV_KEYPAD_ENTRY)};
#undef KV_KEYPAD_ENTRY
#undef KV_KEYPAD_ENTRY_FALLING
#undef KV_KEYPAD_ENTRY_BOTH

RpButton& digitButton(int value) {
    return *kButtons[wiring::digitKeyIndex(value)];
}
