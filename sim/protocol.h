// The wire between the runner and the program's board: frames of a 32-bit
// length and a payload of plain fixed-width fields and length-prefixed
// strings. Both ends run on the same machine, so host byte order is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/snapshot.h"

namespace sim {
namespace wire {

enum class InputKind : std::uint8_t { KeyDown = 0, KeyUp = 1, Detent = 2 };

struct Input {
    InputKind kind = InputKind::KeyDown;
    Micros at = 0;
    std::string key;
    bool forward = true;
    Micros duration = 0;
};

// Runner to program: apply these inputs, then run until the horizon.
struct RunRequest {
    Micros horizon = 0;
    std::vector<Input> inputs;
};

// Program to runner: what changed; `exiting` when sent on the way out.
struct RunReply {
    Snapshot snapshot;
    long long wallOffset = 0;
};

class Writer {
  public:
    void u8(std::uint8_t value) { raw(&value, sizeof value); }
    void u32(std::uint32_t value) { raw(&value, sizeof value); }
    void u64(std::uint64_t value) { raw(&value, sizeof value); }
    void i64(std::int64_t value) { raw(&value, sizeof value); }
    void str(const std::string& value);
    const std::string& bytes() const { return bytes_; }

  private:
    void raw(const void* data, std::size_t size);
    std::string bytes_;
};

// Reads fields in order; a short or malformed payload sets failed().
class Reader {
  public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    std::uint8_t u8() { return value<std::uint8_t>(); }
    std::uint32_t u32() { return value<std::uint32_t>(); }
    std::uint64_t u64() { return value<std::uint64_t>(); }
    std::int64_t i64() { return value<std::int64_t>(); }
    std::string str();
    bool failed() const { return failed_; }
    bool done() const { return offset_ == bytes_.size(); }

  private:
    bool raw(void* data, std::size_t size);
    // A failed read gives 0 and marks the reader failed.
    template <typename T>
    T value() {
        T result;
        raw(&result, sizeof result);
        return result;
    }
    const std::string& bytes_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

std::string encode(const RunRequest& request);
bool decode(const std::string& bytes, RunRequest& request);
std::string encode(const RunReply& reply);
bool decode(const std::string& bytes, RunReply& reply);

// Whole frames over a stream socket; false on end of file or error.
bool sendFrame(int fd, const std::string& payload);
bool receiveFrame(int fd, std::string& payload);

}  // namespace wire
}  // namespace sim
