// wiringPi's pin numbering on every 40-pin board: wiringPi pin -> Broadcom GPIO.
#include <wiringPi.h>

namespace {

constexpr int kGpioOfWpiPin[] = {17, 18, 27, 22, 23, 24, 25, 4,  2,  3,  8,  7,  10, 9,  11, 14,
                                 15, 28, 29, 30, 31, 5,  6,  13, 19, 26, 12, 16, 20, 21, 0,  1};

}  // namespace

extern "C" int wpiPinToGpio(int wpiPin) {
    constexpr int count = sizeof kGpioOfWpiPin / sizeof kGpioOfWpiPin[0];
    return wpiPin >= 0 && wpiPin < count ? kGpioOfWpiPin[wpiPin] : -1;
}
