#include "shell/keyboard_link.h"

#include "keyboards/key_posting.h"
#include "keyboards/pocketop.h"
#include "platform/kernel.h"
#include "shell/event_router.h"
#include "shell/main_screen.h"

std::uint8_t linkOpen;

namespace {

enum class AfterOpen : std::uint8_t {
    RaiseDsr,
    RaiseDsrClearLayers,
    // The Palm Portable wakes up on a pulse on DSR.
    PulseDsr,
};

struct LineSettings {
    std::int32_t baud;
    AfterOpen afterOpen;
};

// clang-format off
constexpr LineSettings lineSettings[KeyboardTypeCount] = {
    /* Flexis        */ {9600, AfterOpen::RaiseDsr},
    /* Pocketop      */ {9600, AfterOpen::RaiseDsrClearLayers},
    /* GoType        */ {2400, AfterOpen::RaiseDsr},
    /* Happy Hacking */ {4800, AfterOpen::RaiseDsr},
    /* Palm Portable */ {9600, AfterOpen::PulseDsr},
};
// clang-format on

constexpr std::int32_t DataBits = 8;
constexpr std::int32_t NoParity = 0;
constexpr std::int32_t StopBits = 1;
constexpr std::int32_t LinkTimerPeriod = 500;

void PrepareKeyboard(AfterOpen afterOpen) {
    CommSetDsr(1);
    switch (afterOpen) {
    case AfterOpen::RaiseDsr:
        break;
    case AfterOpen::RaiseDsrClearLayers:
        LayerFlags = 0;
        break;
    case AfterOpen::PulseDsr:
        RimSleep(50);
        CommSetDsr(0);
        RimSleep(15);
        CommSetDsr(1);
        break;
    }
}

}  // namespace

void OpenKeyboardLink() {
    ClearKeypadMessage();
    // A new link has no break half received: a Pocketop's last break or a
    // cut-off 0xF0 would otherwise eat the first key of the next keyboard.
    keyRepeatState.releasePending = 0;
    const KeyboardType type = activeScreen != nullptr ? ReadKeyboardType(*activeScreen) : -1;
    if (type >= 0 && type < KeyboardTypeCount) {
        const LineSettings& settings = lineSettings[type];
        if (CommOpenPort(settings.baud, DataBits, NoParity, StopBits, 1, 1) != 0) {
            PrepareKeyboard(settings.afterOpen);
            linkOpen = 1;
        }
    }
    // Started even when the port failed: its expiries are ignored then.
    lastActivityTick = RimGetTicks();
    RimSetTimer(LinkTimer, LinkTimerPeriod, 1);
}

void CloseKeyboardLink() {
    CommSetDsr(0);
    CommClosePort();
    linkOpen = 0;
    StopRepeatTimer();
    RimSetTimer(LinkTimer, 0, 1);
}
