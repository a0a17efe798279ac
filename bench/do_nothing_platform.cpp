// The platform as the decoders call it, doing nothing beyond what decoding
// needs: the port hands out the bench's stream, the clock is the bench's,
// posts go nowhere. Its cost is counted with the decoder's.
#include "bench/do_nothing_platform.h"

#include "platform/kernel.h"
#include "platform/ribbon.h"

namespace bench {

const std::uint8_t* portNext = nullptr;
const std::uint8_t* portEnd = nullptr;
std::int32_t tick = 0;
std::int32_t repeatTimerInterval = 0;
std::int32_t repeatTimerDue = 0;

}  // namespace bench

extern "C" {

int RIM_CALL CommReadChar() { return bench::portNext != bench::portEnd ? *bench::portNext++ : -1; }
std::int32_t RIM_CALL RimGetTicks() { return bench::tick; }
TaskId RIM_CALL RimGetForegroundApp() { return 2; }
int RIM_CALL RimPostMessage(TaskId, OsMessage*) { return 1; }
void RIM_CALL RimTaskYield() {}
void RIM_CALL RimSetTimer(std::int32_t timer, std::int32_t interval, std::int32_t) {
    if (timer == RepeatTimer) {
        bench::repeatTimerInterval = interval;
        bench::repeatTimerDue = bench::tick + interval;
    }
}
void RIM_CALL RibbonSelect(const char*) {}
void RIM_CALL RibbonSwitch() {}
void RIM_CALL RimRequestPowerOff() {}

}  // extern "C"
