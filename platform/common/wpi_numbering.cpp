// wiringPi's pin numbering on every 40-pin board: wiringPi pin -> Broadcom
// GPIO, and header pin -> Broadcom GPIO.
#include <wiringPi.h>

namespace {

constexpr int kGpioOfWpiPin[] = {17, 18, 27, 22, 23, 24, 25, 4,  2,  3,  8,  7,  10, 9,  11, 14,
                                 15, 28, 29, 30, 31, 5,  6,  13, 19, 26, 12, 16, 20, 21, 0,  1};

// Header pins 1 to 40; -1 for supply and ground pins.
constexpr int kGpioOfPhysPin[] = {-1, -1, -1, 2,  -1, 3,  -1, 4,  14, -1, 15, 17, 18, 27,
                                  -1, 22, 23, -1, 24, 10, -1, 9,  25, 11, 8,  -1, 7,  0,
                                  1,  5,  -1, 6,  12, 13, -1, 19, 16, 26, 20, -1, 21};

}  // namespace

extern "C" int wpiPinToGpio(int wpiPin) {
    constexpr int count = sizeof kGpioOfWpiPin / sizeof kGpioOfWpiPin[0];
    return wpiPin >= 0 && wpiPin < count ? kGpioOfWpiPin[wpiPin] : -1;
}

extern "C" int physPinToGpio(int physPin) {
    constexpr int count = sizeof kGpioOfPhysPin / sizeof kGpioOfPhysPin[0];
    return physPin >= 1 && physPin < count ? kGpioOfPhysPin[physPin] : -1;
}
