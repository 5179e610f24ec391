// A readable, time-stamped log of what the device models saw: bus conditions,
// addresses and bytes, the expander's port writes, the controller's commands
// and data. Counters are kept even when the text log is capped or disabled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/time_source.h"

namespace sim {

// A byte as the trace writes it: "0x3f".
std::string hex2(unsigned value);

class Trace {
  public:
    struct Counters {
        std::uint64_t transactions = 0;  // start conditions, repeated ones included
        std::uint64_t bytes = 0;         // bytes transferred after an address match
        std::uint64_t nacks = 0;         // address or data bytes left unacknowledged
        std::uint64_t portWrites = 0;    // bytes the expander latched onto its port
        std::uint64_t portReads = 0;     // bytes the expander returned
        std::uint64_t commands = 0;      // controller instructions executed
        std::uint64_t dataWrites = 0;    // characters or glyph rows written
        std::uint64_t dataReads = 0;
        std::uint64_t violations = 0;  // accesses while the controller was busy
    };

    struct Entry {
        Micros at = 0;
        std::string text;
    };

    // Keeps at most `cap` entries, dropping the oldest; 0 keeps none.
    explicit Trace(std::size_t cap = 20000);

    void log(Micros at, const std::string& text);
    void setEnabled(bool on);  // false: counters only, no text (for long runs)
    bool enabled() const;
    void setCap(std::size_t cap);

    // Counter updates; `log` does not count anything by itself.
    void countTransaction();
    void countByte();
    void countNack();
    void countPortWrite();
    void countPortRead();
    void countCommand();
    void countDataWrite();
    void countDataRead();
    void countViolation();

    Counters counters() const;
    std::vector<Entry> entries() const;
    std::vector<std::string> lines() const;  // "[   0.001234] i2c start"
    std::size_t dropped() const;             // entries lost to the cap
    // Lines containing `needle`, for tests and the runner.
    std::vector<std::string> grep(const std::string& needle) const;
    void clear();  // entries and counters

    static std::string format(const Entry& entry);

  private:
    mutable std::mutex mutex_;
    std::deque<Entry> entries_;
    std::size_t cap_;
    std::size_t dropped_ = 0;
    bool enabled_ = true;
    Counters counters_;
};

}  // namespace sim
