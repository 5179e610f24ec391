// Bit-banged I2C master on two GPIO pins (open drain emulated: a line is
// only ever pulled low or released to its pull-up). Single master, the
// caller builds the 7-bit address byte.
#pragma once

struct i2c_t {
    int scl;
    int sda;
};

// Line control
void _i2c_pull(int pin);
int _i2c_release(int pin);
void _i2c_release_wait(int pin);

i2c_t i2c_init(int scl, int sda);
i2c_t i2c_alt0(int scl, int sda);

void i2c_start(i2c_t bus);
void i2c_stop(i2c_t bus);
void i2c_reset(i2c_t bus);

void i2c_send_bit(i2c_t bus, int bit);
int i2c_read_bit(i2c_t bus);
// Returns 0 when the slave acknowledged, 1 when not.
int i2c_send_byte(i2c_t bus, unsigned char byte);
// Sends no acknowledge: the caller ends with i2c_send_bit (1 after the last byte).
unsigned char i2c_read_byte(i2c_t bus);
