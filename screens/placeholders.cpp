// Screens that are not built yet: each shows its name and gives the keys
// back to the screen loop at the next long press of R_C.
#include <wiringPi.h>

#include "app/fn_utils.h"
#include "drivers/fn_rotary.h"
#include "screens/fn_screen_param.h"
#include "screens/fn_screen_sd.h"
#include "screens/fn_screen_shortcuts.h"
#include "screens/fn_screen_test.h"

static int waitForMenuKey(const char* title) {
    ErrorScreen(title);
    while (myButton_R_C.getValue() != 2) delay(10);
    return 0;
}

int screen_shortcuts() { return waitForMenuKey("Shortcuts"); }
int screen_param() { return waitForMenuKey("Param"); }
int screen_test() { return waitForMenuKey("Test"); }
int screen_sd() { return waitForMenuKey("SD"); }
