#include "shell/keyboard_link.h"

#include "platform/kernel.h"
#include "shell/event_router.h"
#include "shell/keyboard_models.h"
#include "shell/main_screen.h"

std::uint8_t linkOpen;

namespace {

constexpr std::int32_t LinkTimerPeriod = 500;

}  // namespace

void OpenKeyboardLink() {
    ResetKeyboardState();
    const KeyboardType type = activeScreen != nullptr ? ReadKeyboardType(*activeScreen) : -1;
    if (OpenKeyboardPort(type)) {
        linkOpen = 1;
    }
    // Started even when the port failed: its expiries are ignored then.
    lastActivityTick = RimGetTicks();
    RimSetTimer(LinkTimer, LinkTimerPeriod, 1);
}

void CloseKeyboardLink() {
    CloseKeyboardPort();
    linkOpen = 0;
    StopRepeatTimer();
    RimSetTimer(LinkTimer, 0, 1);
}
