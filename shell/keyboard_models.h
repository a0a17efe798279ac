// What the link needs of each keyboard model: the line settings to open the
// port with and the decoders to run. Every provider that drives a keyboard
// connects it and reads it through these.
#pragma once

#include <cstdint>

#include "keyboards/flexis.h"
#include "keyboards/gotype.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/key_posting.h"
#include "keyboards/palm_portable.h"
#include "keyboards/pocketop.h"
#include "platform/kernel.h"

// The selected keyboard model: the index of the screen's choice field.
using KeyboardType = std::int32_t;
inline constexpr KeyboardType FlexisKeyboard = 0;
inline constexpr KeyboardType PocketopKeyboard = 1;
inline constexpr KeyboardType GoTypeKeyboard = 2;
inline constexpr KeyboardType HappyHackingKeyboard = 3;
inline constexpr KeyboardType PalmPortableKeyboard = 4;
inline constexpr KeyboardType KeyboardTypeCount = 5;

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
inline constexpr LineSettings lineSettings[KeyboardTypeCount] = {
    /* Flexis        */ {9600, AfterOpen::RaiseDsr},
    /* Pocketop      */ {9600, AfterOpen::RaiseDsrClearLayers},
    /* GoType        */ {2400, AfterOpen::RaiseDsr},
    /* Happy Hacking */ {4800, AfterOpen::RaiseDsr},
    /* Palm Portable */ {9600, AfterOpen::PulseDsr},
};
// clang-format on

using Decoder = void (*)();

struct KeyboardDecoders {
    Decoder serialData;
    Decoder repeatTimer;  // null: the model does not repeat by timer
};

// clang-format off
inline constexpr KeyboardDecoders keyboardDecoders[KeyboardTypeCount] = {
    /* Flexis        */ {DecodeFlexis,       nullptr},
    /* Pocketop      */ {DecodePocketop,     DecodePocketop},
    /* GoType        */ {DecodeGoType,       nullptr},
    /* Happy Hacking */ {DecodeHappyHacking, nullptr},
    /* Palm Portable */ {DecodePalmPortable, DecodePalmPortable},
};
// clang-format on

inline void PrepareKeyboard(AfterOpen afterOpen) {
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

// What a new link starts from: the keypad message cleared and no break
// half received (a Pocketop's last break or a cut-off 0xF0 would otherwise
// eat the first key of the next keyboard).
inline void ResetKeyboardState() {
    ClearKeypadMessage();
    keyRepeatState.releasePending = 0;
}

// Opens the port with the line settings of model `type` (0..4) and readies
// the keyboard. Whether the port opened.
inline bool OpenKeyboardPort(KeyboardType type) {
    if (type < 0 || type >= KeyboardTypeCount) {
        return false;
    }
    const LineSettings& settings = lineSettings[type];
    constexpr std::int32_t dataBits = 8;
    constexpr std::int32_t noParity = 0;
    constexpr std::int32_t stopBits = 1;
    if (CommOpenPort(settings.baud, dataBits, noParity, stopBits, 1, 1) == 0) {
        return false;
    }
    PrepareKeyboard(settings.afterOpen);
    return true;
}

// DSR low, the port closed. The caller then stops the repeat.
inline void CloseKeyboardPort() {
    CommSetDsr(0);
    CommClosePort();
}
