#include "keyboards/link.h"

#include "keyboards/key_posting.h"
#include "keyboards/pocketop.h"
#include "platform/kernel.h"

std::uint8_t linkOpen;

namespace {

bool IsModel(KeyboardType type) { return type >= 0 && type < KeyboardTypeCount; }

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

void StartLink(KeyboardType type) {
    // A Pocketop's last break or a cut-off 0xF0 would otherwise eat the
    // first key of the next keyboard.
    ClearKeypadMessage();
    static_cast<KeyFraming&>(keyRepeatState) = {};
    if (!IsModel(type)) {
        return;
    }
    const LineSettings& settings = lineSettings[type];
    constexpr std::int32_t dataBits = 8;
    constexpr std::int32_t noParity = 0;
    constexpr std::int32_t stopBits = 1;
    if (CommOpenPort(settings.baud, dataBits, noParity, stopBits, 1, 1) == 0) {
        return;
    }
    PrepareKeyboard(settings.afterOpen);
    linkOpen = 1;
}

void OnLinkSerialData(KeyboardType type) {
    if (IsModel(type)) {
        keyboardDecoders[type].serialData();
    }
}

void OnLinkRepeatTimer(KeyboardType type) {
    if (IsModel(type) && keyboardDecoders[type].repeatTimer != nullptr) {
        keyboardDecoders[type].repeatTimer();
    }
}

void EndLink() {
    CommSetDsr(0);
    CommClosePort();
    linkOpen = 0;
    StopRepeatTimer();
}
