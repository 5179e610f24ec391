// The serial thermal printer: takes the bytes the program sends, decodes the
// command set of its profile (the driver's own) and lays text out on paper
// lines of the profile's width (32 characters, 16 in double width, for the
// fitted printer). Only completed lines are paper; text still in the print
// buffer is pending until a line feed, a feed command or a wrap.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "printer/printer_profile.h"
#include "sim/devices/trace.h"
#include "sim/snapshot.h"
#include "sim/time_source.h"

namespace sim {

class PrinterModel {
  public:
    struct Fault {
        Micros at = 0;
        std::string what;
    };

    struct Settings {
        int heatDots = 0, heatTime = 0, heatInterval = 0;  // ESC 7
        int density = -1;                                  // DC2 #; -1 until set
        int lineHeight = 0;                                // dots from line to line
        int charset = 0, codePage = 0, charSpacing = 0;
        bool userChars = false;
        int sleepSeconds = -1;  // ESC 8; -1 until set
        bool online = true;
        std::vector<int> tabStops;
    };

    PrinterModel(const TimeSource& time, Trace& trace,
                 const PrinterProfile& profile = kInstalledPrinter);

    // Some commands take other parameters before the profile's newer firmware.
    void setFirmware(float version);

    void put(std::uint8_t byte);
    void put(const std::string& bytes);

    std::vector<PaperLine> takeLines();  // lines completed since the last call
    std::vector<PaperLine> allLines() const;
    std::string pendingText() const;  // in the print buffer, not yet on paper

    int unknownSequences() const;
    std::vector<std::string> unknownList() const;  // "ESC 0x71", "0x05"
    std::vector<Fault> faults() const;             // bytes that must never arrive
    Settings settings() const;
    std::uint64_t bytesReceived() const;
    std::uint64_t bytesDropped() const;  // ignored while offline or cleared by a reset
    int wakeBytes() const;               // 0xFF bytes and the ESCs that follow them

  private:
    struct Style {
        Justify justify = Justify::Left;
        bool bold = false, doubleHeight = false, doubleWidth = false;
        bool inverse = false, upsideDown = false, strike = false, fontB = false;
        int underline = 0;
    };

    void plainByte(std::uint8_t byte);
    const PrinterCommand* pendingCommand() const;  // of the sequence being received
    bool sequenceComplete() const;
    int sequenceLength() const;  // -1: a list ended by 0
    bool listFull() const;
    void execute(const std::vector<std::uint8_t>& seq);
    void apply(PrinterOp op, const std::vector<std::uint8_t>& seq);
    void setSize(std::uint8_t n);
    void printMode(std::uint8_t n);
    Settings powerOnSettings() const;
    void initialise();
    void addChar(std::uint8_t byte);
    void tab();
    void lineFeed();
    void feedLines(int count);
    void feedDots(int dots);
    void printBuffer();  // the pending text goes to paper, if any
    void emit(const std::string& text, const Style& style);
    void unknown(const std::vector<std::uint8_t>& seq);
    int charUnits() const { return style_.doubleWidth ? 2 : 1; }

    const TimeSource& time_;
    Trace& trace_;
    const PrinterProfile& profile_;
    mutable std::mutex mutex_;
    bool newFirmware_;

    std::vector<std::uint8_t> seq_;
    Style style_;
    Settings settings_;

    std::string buffer_;
    Style lineStyle_;  // style taken when the first character entered the buffer
    int usedUnits_ = 0;
    int fedDots_ = 0;

    std::vector<PaperLine> paper_;
    std::size_t taken_ = 0;
    std::vector<std::string> unknown_;
    std::vector<Fault> faults_;
    std::uint64_t received_ = 0, dropped_ = 0;
    int wakes_ = 0;
};

}  // namespace sim
