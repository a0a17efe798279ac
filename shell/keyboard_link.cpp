#include "shell/keyboard_link.h"

#include "keyboards/link.h"
#include "platform/kernel.h"
#include "shell/event_router.h"
#include "shell/main_screen.h"

namespace {

constexpr std::int32_t LinkTimerPeriod = 500;

}  // namespace

void OpenKeyboardLink() {
    StartLink(activeScreen != nullptr ? ReadKeyboardType(*activeScreen) : -1);
    // Started even when the port failed: its expiries are ignored then.
    lastActivityTick = RimGetTicks();
    RimSetTimer(LinkTimer, LinkTimerPeriod, 1);
}

void CloseKeyboardLink() {
    EndLink();
    RimSetTimer(LinkTimer, 0, 1);
}
