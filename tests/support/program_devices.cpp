// The keypad, encoder, display and printer of the program, in the program's
// construction order: the first button sets wiringPi up for all the others.
#include <wiringPi.h>

#include <atomic>

#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "printer/Pi_Thermal.h"
#include "tests/support/program_globals.h"

void myISR_R_C();
void myISR_PLUS();
void myISR_MINUS();
void myISR_VALID();
void myISR_REPEAT();
void myISR_NO();
void myISR_10();
void myISR_9();
void myISR_8();
void myISR_7();
void myISR_6();
void myISR_5();
void myISR_4();
void myISR_3();
void myISR_2();
void myISR_1();
void myISR_0();
void myISR_POWER();
void myISR_ENCODER();

RpButton myButton_R_C("R_C", 22, INT_EDGE_BOTH, myISR_R_C);
RpButton myButton_PLUS("PLUS", 28, INT_EDGE_BOTH, myISR_PLUS);
RpButton myButton_MINUS("MINUS", 24, INT_EDGE_BOTH, myISR_MINUS);
RpButton myButton_VALID("VALID", 27, INT_EDGE_BOTH, myISR_VALID);
RpButton myButton_REPEAT("REPEAT", 29, INT_EDGE_BOTH, myISR_REPEAT);
RpButton myButton_NO("NO", 25, INT_EDGE_BOTH, myISR_NO);
RpButton myButton_10("10", 11, INT_EDGE_BOTH, myISR_10);
RpButton myButton_9("9", 10, INT_EDGE_BOTH, myISR_9);
RpButton myButton_8("8", 6, INT_EDGE_BOTH, myISR_8);
RpButton myButton_7("7", 3, INT_EDGE_BOTH, myISR_7);
RpButton myButton_6("6", 4, INT_EDGE_BOTH, myISR_6);
RpButton myButton_5("5", 0, INT_EDGE_BOTH, myISR_5);
RpButton myButton_4("4", 14, INT_EDGE_BOTH, myISR_4);
RpButton myButton_3("3", 21, INT_EDGE_BOTH, myISR_3);
RpButton myButton_2("2", 13, INT_EDGE_BOTH, myISR_2);
RpButton myButton_1("1", 12, INT_EDGE_BOTH, myISR_1);
RpButton myButton_0("0", 7, INT_EDGE_BOTH, myISR_0);
RpButton myButton_POWER("POWER", 2, INT_EDGE_FALLING, myISR_POWER);
RpEncoder myEncoder("R_C", 5, 26, myISR_ENCODER);
RpLcd myLcd;
Pi_Thermal printer;

std::atomic<bool> bAllowScore{true};
std::atomic<unsigned int> gPowerTime{0};
int old_pos_raw = 0;

void myISR_R_C() {
    myButton_R_C.mngt();
}
void myISR_PLUS() {
    myButton_PLUS.mngt();
}
void myISR_MINUS() {
    myButton_MINUS.mngt();
}
void myISR_VALID() {
    myButton_VALID.mngt();
}
void myISR_REPEAT() {
    myButton_REPEAT.mngt();
}
void myISR_NO() {
    myButton_NO.mngt();
}
void myISR_10() {
    myButton_10.mngt();
}
void myISR_9() {
    myButton_9.mngt();
}
void myISR_8() {
    myButton_8.mngt();
}
void myISR_7() {
    myButton_7.mngt();
}
void myISR_6() {
    myButton_6.mngt();
}
void myISR_5() {
    myButton_5.mngt();
}
void myISR_4() {
    myButton_4.mngt();
}
void myISR_3() {
    myButton_3.mngt();
}
void myISR_2() {
    myButton_2.mngt();
}
void myISR_1() {
    myButton_1.mngt();
}
void myISR_0() {
    myButton_0.mngt();
}
void myISR_POWER() {
    myButton_POWER.mngt();
}
void myISR_ENCODER() {
    myEncoder.mngt();
}

namespace {
struct Key {
    RpButton* button;
    void (*isr)();
};
const Key kKeys[] = {
    {&myButton_R_C, myISR_R_C},       {&myButton_PLUS, myISR_PLUS},
    {&myButton_MINUS, myISR_MINUS},   {&myButton_VALID, myISR_VALID},
    {&myButton_REPEAT, myISR_REPEAT}, {&myButton_NO, myISR_NO},
    {&myButton_10, myISR_10},         {&myButton_9, myISR_9},
    {&myButton_8, myISR_8},           {&myButton_7, myISR_7},
    {&myButton_6, myISR_6},           {&myButton_5, myISR_5},
    {&myButton_4, myISR_4},           {&myButton_3, myISR_3},
    {&myButton_2, myISR_2},           {&myButton_1, myISR_1},
    {&myButton_0, myISR_0},           {&myButton_POWER, myISR_POWER},
};
}  // namespace

namespace kv_test {

void attachKeypad() {
    for (const Key& key : kKeys) {
        key.button->set(key.button->getPin());
        key.button->ISR(key.isr);
        key.button->resetValue();
    }
    bAllowScore = true;
    gPowerTime = 0;
}

}  // namespace kv_test
