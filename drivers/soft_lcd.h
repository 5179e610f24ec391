// HD44780 4x20 character display in 4-bit mode behind a PCF8574 expander on
// the soft I2C bus. Keeps a shadow of the glass so that a screen can be saved
// and put back around a pop-up. Every public operation is serialised: the
// POWER prompt draws from an interrupt thread.
#pragma once

#include <string>

#include "drivers/reentrant_lock.h"
#include "drivers/soft_i2c.h"

class RpLcd {
  public:
    static constexpr int kRows = 4;
    static constexpr int kCols = 20;

    RpLcd();
    virtual ~RpLcd();
    RpLcd(const RpLcd&) = delete;
    RpLcd& operator=(const RpLcd&) = delete;

    // Set-up
    bool setParam(int scl, int sda, int addr, int rows, int cols);
    void reset();
    void init();
    void reconfig();
    void reconfig_fcn();
    void reconfig_cursor();
    void reconfig_display();
    void reconfig_entrymode();

    // Display commands
    void clear();
    void home();
    void on();
    void off();
    void backlight(bool on);
    void cursor(bool on);
    void blink(bool on);
    void pos(int row, int col);
    void pos_raw(int address);
    void raw(int rs, int value);
    void create_char(int slot, const unsigned char* bitmap);
    void backlight_dim(float level);

    // Reading back
    int read_raw(int rs);
    int read_pos_raw();
    int read_data();
    void row_col(int& first, int& second);  // column into first, row into second

    // Text output
    void printc(const char* text);
    void print(const std::string& text);
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void lcdPrintc(const char* text, int row, int align, bool clearLine);
    void lcdPrint(const std::string& text, int row, int align, bool clearLine);
    void lcdPrint(int value, int row, int align, bool clearLine);
    void lcdPrintML(const std::string& text);
    static char* _replace_UTF8_chars(const char* text);  // malloc'ed, the caller frees it

    // Shadow and backup
    void backup();
    void restore();
    void setSnapshot(int row, int col, char ch);
    void displayBackup();

    // Holding the display across several operations (a pop-up drawn as one piece).
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

    // State, for the screens and for tests
    char shadowAt(int row, int col) const;
    std::string shadowRow(int row) const;  // the 20 cells as they are
    bool hasFailed() const { return failed; }
    int address() const { return addr; }

  private:
    void _nextline();
    void _pcf8574_put(int value);
    int _pcf8574_get(int rs);
    static bool _pcf8574_check(i2c_t bus, int addr);
    void command(int value) { raw(0, value); }
    bool hasBus() const { return bus.scl >= 0 && bus.sda >= 0; }
    bool hasRow(int row) const { return row >= 0 && row < kRows && row < rows; }
    static bool inShadow(int row, int col) {
        return row >= 0 && row < kRows && col >= 0 && col < kCols;
    }

    int pinScl = -1, pinSda = -1;
    int addr = 0;
    int rows = kRows;
    int cols = kCols;
    char screen[kRows][kCols];
    int row = 0, col = 0;
    char saved[kRows][kCols] = {};
    int savedPos = 0;
    int fcnFlags = 0;
    int cursorFlags = 0;
    int displayFlags = 0;
    int entryFlags = 0;
    int backlightBit = 0;
    bool failed = false;
    float dimLevel = -1.0f;
    i2c_t bus{-1, -1};
    bool configured = false;  // setParam found the expander
    ReentrantLock mutex_;
};
