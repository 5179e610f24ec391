// Serial thermal receipt printer (ESC/GS command set, 32 characters a line)
// and every report the terminal prints. The printer has no flow control, so
// the driver paces itself: before each write it sleeps for the time the
// previous write is expected to take.
#pragma once

#include <string>
#include <vector>

#include "printer/printer_profile.h"

class Note;

class Pi_Thermal {
  public:
    Pi_Thermal();
    // A printer other than the one fitted to the terminal.
    explicit Pi_Thermal(const PrinterProfile& profile);
    ~Pi_Thermal();

    // Set-up
    void setParam(std::string device, float firmware, int baud);
    void begin(int heatTime);
    void close();
    void reset();
    void setDefault();
    void wake();
    void sleep();
    void sleepAfter(unsigned long seconds);

    // Text
    int write(char ch);
    void print(std::string text);
    void println(std::string text);
    void printlf();

    // Paper movement
    void feed(unsigned char n);
    void feedRows(unsigned char rows);
    void flush();
    void tab();

    // Formatting
    void setPrintMode(unsigned char mask);
    void unsetPrintMode(unsigned char mask);
    void writePrintMode();
    void normal();
    void upsideDownOn();
    void upsideDownOff();
    void boldOn();
    void boldOff();
    void doubleHeightOn();
    void doubleHeightOff();
    void doubleWidthOn();
    void doubleWidthOff();
    void strikeOn();
    void strikeOff();
    void setFontA();
    void setFontB();
    void inverseOn();
    void inverseOff();
    void justify(char value);
    void setSize(char value);
    void underlineOn(unsigned char weight = 1);
    void underlineOff();
    void offline();
    void online();
    void setLineHeight(int height);
    void setMaxChunkHeight(int height);
    void UDcharOn();
    void UDcharOff();
    void setCharset(unsigned char charset);
    void setCodePage(unsigned char codePage);
    void setCharSpacing(unsigned char spacing);

    // Pacing
    void timeoutSet(unsigned long micros);
    void timeoutWait();
    void writeBytes(unsigned char a);
    void writeBytes(unsigned char a, unsigned char b);
    void writeBytes(unsigned char a, unsigned char b, unsigned char c);
    void writeBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d);

    // Reports
    void printticket(int comp, int flight, int judge, int pilot, std::string schedule,
                     std::string lang, int code, std::vector<Note> notes);
    void printparams();
    void printlog();
    void printschedules();
    void printnotsent();
    void test();
    void testPage();

    // State, for the callers that need to know where the paper stands.
    int getFd() const { return fd; }
    unsigned int getByteTime() const { return byteTime; }
    unsigned int getTimeout() const { return timeout; }
    unsigned char getPrintMode() const { return printMode; }
    int getColumn() const { return column; }
    int getMaxColumn() const { return maxColumn; }
    int getCharHeight() const { return charHeight; }
    int getLineSpacing() const { return lineSpacing; }
    int getMaxChunkHeight() const { return maxChunkHeight; }

  private:
    bool _newCommands() const;
    // One command of the profile with its parameters, as one write.
    void _send(PrinterOp op);
    void _send(PrinterOp op, unsigned char n);
    void _send(PrinterOp op, unsigned char a, unsigned char b);
    void _sendTabStops();
    void _printModeChanged();
    void _lineDone();
    void _sendSize(unsigned char size, int height, int columns);
    void _printListing(const std::string& title, const std::string& listing);
    void _printTestLines();
    void _printEntryLabel(const std::string& label);
    void _printEntryValue(const std::string& value);
    void _printTicketCopy(const std::string& dateLine, int comp, int flight, int judge, int pilot,
                          const std::string& schedule, int code, const std::vector<Note>& notes,
                          bool doubleLine);
    void _printDeviceEntries();
    void _printSettingsSection(const std::string& pattern);

    const PrinterProfile* profile = &kInstalledPrinter;
    int fd = -1;
    int baud = 0;
    unsigned int byteTime = 0;
    float firmware = 0.0f;
    std::string device;
    unsigned char printMode = 0;
    unsigned char prevByte = 0;
    int column = 0;
    int maxColumn = 0;
    int charHeight = 0;
    int lineSpacing = 0;
    int maxChunkHeight = 0;
    unsigned int dotPrintTime = 0;
    unsigned int dotFeedTime = 0;
    unsigned int timeout = 0;
};
