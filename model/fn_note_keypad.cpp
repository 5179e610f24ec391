// The two-key entry of kind 6 reads the keypad and writes the display of the
// program. Those globals are referenced weakly: executables that never score
// such a figure (tools, the server, most tests) need not define them.
#include <wiringPi.h>

#include <cstdio>

#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"

extern RpLcd myLcd __attribute__((weak));
extern RpButton myButton_0 __attribute__((weak));
extern RpButton myButton_1 __attribute__((weak));
extern RpButton myButton_2 __attribute__((weak));
extern RpButton myButton_3 __attribute__((weak));
extern RpButton myButton_4 __attribute__((weak));
extern RpButton myButton_5 __attribute__((weak));
extern RpButton myButton_6 __attribute__((weak));
extern RpButton myButton_7 __attribute__((weak));
extern RpButton myButton_8 __attribute__((weak));
extern RpButton myButton_9 __attribute__((weak));

namespace {

RpButton* digitButton(int n) {
    RpButton* const buttons[10] = {&myButton_0, &myButton_1, &myButton_2, &myButton_3, &myButton_4,
                                   &myButton_5, &myButton_6, &myButton_7, &myButton_8, &myButton_9};
    return buttons[n];
}

bool keypadPresent() {
    if (&myLcd == nullptr) return false;
    for (int n = 0; n <= 9; ++n) {
        if (digitButton(n) == nullptr) return false;
    }
    return true;
}

bool digitShortPressPending() {
    for (int n = 0; n <= 9; ++n) {
        if (digitButton(n)->getValue() == 1) return true;
    }
    return false;
}

// Takes the events of all ten digit buttons; the highest short press wins.
int takeTenth() {
    int tenth = -1;
    for (int n = 0; n <= 9; ++n) {
        if (digitButton(n)->getResetValue() == 1) tenth = n;
    }
    return tenth;
}

}  // namespace

int Note::_readTenth(int whole) {
    if (!keypadPresent()) return 0;
    char text[16];
    std::snprintf(text, sizeof text, "%1d.", whole);
    myLcd.pos(2, 18);
    myLcd.print(text);
    int tenth = -1;
    // A press that vanished between the poll and the read is waited for again.
    while (tenth < 0) {
        while (!digitShortPressPending()) delay(10);
        tenth = takeTenth();
    }
    std::snprintf(text, sizeof text, "%1d.%1d", whole, tenth);
    myLcd.pos(2, 17);
    myLcd.print(text);
    return tenth;
}
