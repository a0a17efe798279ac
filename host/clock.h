// The host's clock and timers. A tick is 10 ms of the monotonic clock,
// counted from the start of the program, so the decoders' delays become a
// first repeat after 250 ms, then one every 100 ms, with RepeatTimer
// firing every 50 ms.
//
// The program sees one tick per event, as on the handheld: the tick an event
// is handled at stands still while the program handles it, and a timer
// expiry is handled at the tick it fell due, however late the host wakes.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace host {

inline constexpr std::chrono::milliseconds TickLength{10};

// Ticks the monotonic clock has counted since the start.
std::uint64_t ClockTicks();
// The tick the program sees now.
std::uint64_t CurrentTick();
// Moves the program's tick on to `tick` (never back).
void AdvanceTo(std::uint64_t tick);

// The running timer due first, at or before `tick` (equal ticks: the lower
// id): the program's tick moves to when it fell due, its next expiry is set,
// and its id is returned. None: no timer is due by then.
std::optional<std::int32_t> TakeDueTimer(std::uint64_t tick);
// When the next timer falls due; none while no timer runs.
std::optional<std::uint64_t> NextTimerDue();
// How long from now until the clock reaches `tick` (0 if it has).
std::chrono::milliseconds TimeUntil(std::uint64_t tick);

}  // namespace host
