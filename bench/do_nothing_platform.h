// What the bench sets up for the do-nothing platform and reads back from it.
#pragma once

#include <cstdint>

namespace bench {

// The bytes waiting at the serial port.
extern const std::uint8_t* portNext;
extern const std::uint8_t* portEnd;
extern std::int32_t tick;
// The repeat timer as the decoder set it: its interval, 0 while stopped,
// and the tick of its next expiry.
extern std::int32_t repeatTimerInterval;
extern std::int32_t repeatTimerDue;

}  // namespace bench
