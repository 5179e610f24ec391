// The subset of wiringPi that the terminal uses, with wiringPi's names,
// signatures and constants. On the Pi it is served by libwiringPi; on the
// virtual board by the sim backend.
#ifndef KALVENTRIX_WIRINGPI_H
#define KALVENTRIX_WIRINGPI_H

// Pin modes
#define INPUT 0
#define OUTPUT 1
#define PWM_OUTPUT 2
#define GPIO_CLOCK 3
#define SOFT_PWM_OUTPUT 4
#define SOFT_TONE_OUTPUT 5
#define PWM_TONE_OUTPUT 6

#define LOW 0
#define HIGH 1

// Pull up/down/none
#define PUD_OFF 0
#define PUD_DOWN 1
#define PUD_UP 2

// Interrupt levels
#define INT_EDGE_SETUP 0
#define INT_EDGE_FALLING 1
#define INT_EDGE_RISING 2
#define INT_EDGE_BOTH 3

#define PI_THREAD(X) void* X(void* dummy)

#ifdef __cplusplus
extern "C" {
#endif

int wiringPiSetup(void);
void pinMode(int pin, int mode);
void pullUpDnControl(int pin, int pud);
int digitalRead(int pin);
void digitalWrite(int pin, int value);
void pwmWrite(int pin, int value);
void pwmSetRange(unsigned int range);
void pwmSetClock(int divisor);
int wiringPiISR(int pin, int mode, void (*function)(void));
int piThreadCreate(void* (*fn)(void*));
void delay(unsigned int howLong);
void delayMicroseconds(unsigned int howLong);
unsigned int millis(void);
unsigned int micros(void);
// Broadcom GPIO number of a wiringPi pin (-1 for a pin wiringPi does not number).
int wpiPinToGpio(int wpiPin);
// Broadcom GPIO number on a pin of the 40-pin header (-1 for supply and ground).
int physPinToGpio(int physPin);

#ifdef __cplusplus
}
#endif

#endif
