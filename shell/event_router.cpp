#include "shell/event_router.h"

#include "shell/keyboard_link.h"
#include "shell/keyboard_models.h"

std::int32_t lastActivityTick;
MainScreen* activeScreen;

namespace {

const KeyboardDecoders* SelectedDecoders() {
    const KeyboardType type = ReadKeyboardType(*activeScreen);
    return type >= 0 && type < KeyboardTypeCount ? &keyboardDecoders[type] : nullptr;
}

void OnTimer(std::int32_t timer) {
    if (linkOpen == 0 || activeScreen == nullptr) {
        return;
    }
    if (timer == RepeatTimer) {
        const KeyboardDecoders* decoders = SelectedDecoders();
        if (decoders != nullptr && decoders->repeatTimer != nullptr) {
            decoders->repeatTimer();
        }
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
    if (const KeyboardDecoders* decoders = SelectedDecoders()) {
        decoders->serialData();
    }
    lastActivityTick = RimGetTicks();
}
