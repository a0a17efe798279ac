#include "host/clock.h"

#include <thread>

#include "host/trace.h"
#include "platform/kernel.h"
#include "provider/timers.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

const Clock::time_point clockStart = Clock::now();
std::uint64_t programTick = 0;
provider::TimerTable timers;

}  // namespace

std::uint64_t ClockTicks() { return static_cast<std::uint64_t>((Clock::now() - clockStart) / TickLength); }

std::uint64_t CurrentTick() { return programTick; }

void AdvanceTo(std::uint64_t tick) { programTick = std::max(programTick, tick); }

std::optional<std::int32_t> TakeDueTimer(std::uint64_t tick) {
    const auto expiry = timers.TakeDue(tick);
    if (!expiry) {
        return std::nullopt;
    }
    AdvanceTo(expiry->due);
    return expiry->id;
}

std::optional<std::uint64_t> NextTimerDue() { return timers.NextDue(); }

std::chrono::milliseconds TimeUntil(std::uint64_t tick) {
    const auto when = clockStart + static_cast<std::int64_t>(tick) * TickLength;
    const auto now = Clock::now();
    return when > now ? std::chrono::ceil<std::chrono::milliseconds>(when - now) : std::chrono::milliseconds{0};
}

}  // namespace host

extern "C" {

std::int32_t RIM_CALL RimGetTicks() {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(host::CurrentTick()));
}

void RIM_CALL RimSetTimer(std::int32_t timer, std::int32_t interval, std::int32_t flag) {
    host::TraceCall("RimSetTimer", host::TraceNumbers({timer, interval, flag}));
    host::timers.Set(timer, interval, host::CurrentTick());
}

// Real time passes, but the program's tick stands still until its next
// event, as while the handheld's task sleeps inside one.
void RIM_CALL RimSleep(std::int32_t units) {
    host::TraceCall("RimSleep", host::TraceNumbers({units}));
    std::this_thread::sleep_for(std::max(units, 0) * host::TickLength);
}

// One task, one flow of control: there is nobody to yield to.
void RIM_CALL RimTaskYield() {}

}  // extern "C"
