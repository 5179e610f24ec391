// The volume dialog: the encoder sets the output level while REPEAT is held.
#include <wiringPi.h>

#include <cstdio>
#include <string>

#include "app/fn_utils.h"
#include "app/settings.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "platform/platform.h"

namespace {

constexpr int kLowest = typeLimits(kParamVolume).lowest;
constexpr int kHighest = typeLimits(kParamVolume).highest;
constexpr int kStep = 2;
constexpr unsigned int kRedrawMicros = 125000;
constexpr unsigned int kStillMicros = 1500000;
const char* const kScale = "60       80      100";

int stepVolume(int volume, bool up) {
    volume += up ? kStep : -kStep;
    if (volume < kLowest) return kLowest;
    if (volume > kHighest) return kHighest;
    return volume;
}

void setMixer(int volume) {
    char command[64];
    std::snprintf(command, sizeof(command), "sudo amixer cset numid=1 %d%%", volume);
    platform::shell(command);
}

void drawBar(int volume) {
    myLcd.lcdPrint(std::string((volume - kLowest) / kStep, '*'), 2, 0, true);
    platform::shell("aplay -q " + shellWord(platform::path("/home/pi/TADA.WAV")) + " &");
}

void drawDialog() {
    myLcd.lcdPrint("", 0, 0, true);
    myLcd.lcdPrint(myTrans.tr(Text::VolumeTitle).substr(0, 20), 1, 1, true);
    myLcd.lcdPrint("", 2, 0, true);
    myLcd.lcdPrint(kScale, 3, 1, true);
}

// Waits up to 1.5 s for the encoder to leave `reading`; returns its value then.
int nextMovement(int reading) {
    const unsigned int start = micros();
    while (myEncoder.getValue() == reading && micros() - start < kStillMicros) delay(10);
    return myEncoder.getValue();
}

}  // namespace

void displayVolume(bool up) {
    drawDialog();
    int volume = db.get_param_int(keyOf(SettingId::Volume));
    unsigned int lastDraw = micros();
    int reading = 0;
    int moved = 0;
    do {
        delay(10);
        volume = stepVolume(volume, up);
        setMixer(volume);
        if (micros() - lastDraw > kRedrawMicros) {
            lastDraw = micros();
            drawBar(volume);
        }
        reading = myEncoder.getValue();
        moved = nextMovement(reading);
        up = moved > reading;
    } while (moved != reading);
    db.write_param(keyOf(SettingId::Volume), volume);
}
