// The keypad's two dialogs that run from below the screens: the POWER
// prompt, drawn from the POWER key's interrupt thread, and the tenth key of
// a two-key score entry.
#include <wiringPi.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "platform/platform.h"

namespace {

constexpr unsigned int kPromptSettleMillis = 50;
constexpr unsigned int kShutdownWaitMillis = 100000;
constexpr unsigned int kKeyPollMillis = 10;

class ProgramPowerPrompt : public PowerPrompt {
  public:
    bool showing() const override { return gPowerTime != 0; }

    void show() override {
        const unsigned int now = micros();
        gPowerTime = now != 0 ? now : 1;  // 0 means no prompt
        delay(kPromptSettleMillis);
        bAllowScore = false;
        std::lock_guard<RpLcd> drawing(myLcd);
        myLcd.backup();
        ErrorScreen("Hold the button", "to Power OFF");
    }

    void cancel() override {
        myLcd.restore();
        ClrButtons();
        bAllowScore = true;
        gPowerTime = 0;
    }

    void powerOff() override {
        const std::string command = hostnameCommand(mySerialNum);
        std::printf("myCmd : %s\n", command.c_str());
        platform::shell(command);
        ErrorScreen("Powering OFF...");
        platform::shell("sudo shutdown -h now");
        delay(kShutdownWaitMillis);
    }
};

bool digitShortPressPending() {
    for (int n = 0; n <= 9; ++n)
        if (digitButton(n).getValue() == 1) return true;
    return false;
}

// Takes the events of all ten digit buttons; the highest short press wins.
int takeTenth() {
    int tenth = -1;
    for (int n = 0; n <= 9; ++n)
        if (digitButton(n).getResetValue() == 1) tenth = n;
    return tenth;
}

}  // namespace

PowerPrompt& powerPrompt() {
    static ProgramPowerPrompt prompt;
    return prompt;
}

int readTenthFromKeypad(int whole) {
    char text[16];
    std::snprintf(text, sizeof text, "%1d.", whole);
    myLcd.pos(2, 18);
    myLcd.print(text);
    int tenth = -1;
    // A press that vanished between the poll and the read is waited for again.
    while (tenth < 0) {
        while (!digitShortPressPending()) delay(kKeyPollMillis);
        tenth = takeTenth();
    }
    std::snprintf(text, sizeof text, "%1d.%1d", whole, tenth);
    myLcd.pos(2, 17);
    myLcd.print(text);
    return tenth;
}
