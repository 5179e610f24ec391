#pragma once

#include <cstdint>

namespace sim {

using Micros = std::uint64_t;

// Virtual time in microseconds since the board was powered.
class TimeSource {
public:
    virtual ~TimeSource() = default;
    virtual Micros now() const = 0;
};

}  // namespace sim
