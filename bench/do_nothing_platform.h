// What the bench sets up for the do-nothing platform and reads back from it.
#pragma once

#include <cstdint>

namespace bench {

// The bytes waiting at the serial port.
extern const std::uint8_t* portNext;
extern const std::uint8_t* portEnd;
extern std::int32_t tick;
// Whether the decoder has the repeat timer running.
extern bool repeatTimerRunning;

}  // namespace bench
