#include "shell/event_router.h"

#include "shell/keyboard_link.h"

std::int32_t lastActivityTick;
MainScreen* activeScreen;

namespace {

void OnTimer(std::int32_t timer) {
    if (linkOpen == 0 || activeScreen == nullptr) {
        return;
    }
    if (timer == RepeatTimer) {
        OnLinkRepeatTimer(ReadKeyboardType(*activeScreen));
    } else if (timer == LinkTimer) {
        RimPagerSetup(0x5A3C96E1, 0);
    }
}

bool LinkIdle() { return TicksBetween(lastActivityTick, RimGetTicks()) >= IdleTimeout; }

}  // namespace

int RIM_CALL OnOsMessage(OsMessage* message) {
    switch (message->device) {
    case SystemDevice:
        if (message->event == CloseLinkEvent && linkOpen != 0) {
            CloseKeyboardLink();
        }
        break;
    case IdleCheckDevice:
        if (message->event == IdleCheckEvent && linkOpen != 0 && LinkIdle()) {
            CloseKeyboardLink();
        }
        break;
    case TimerDevice:
        OnTimer(message->event);
        break;
    case SerialDevice:
        if (message->event == SerialDataEvent && linkOpen != 0) {
            DispatchSerialData();
        }
        break;
    default:
        break;
    }
    return 1;
}

void DispatchSerialData() {
    if (activeScreen == nullptr) {
        return;
    }
    OnLinkSerialData(ReadKeyboardType(*activeScreen));
    lastActivityTick = RimGetTicks();
}
