// A decoder's read loop, the same for every model: each byte waiting at the
// port read through the model's byte protocol, and each key it names handed
// on with its code from the model's scan table.
#pragma once

#include <cstdint>

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"
#include "keyboards/key_posting.h"
#include "platform/kernel.h"

// The handheld folds an extended key onto the key with its make code.
inline KeyCode CodeOfKey(const KeyCode* scanTable, KeyNumber key) { return scanTable[key & 0xFF]; }

// Calls handleKey(code, transition) for each key the waiting bytes name.
template <ByteProtocol readByte, typename HandleKey>
inline void DecodeWaitingBytes(const KeyCode* scanTable, HandleKey handleKey) {
    for (int received = CommReadChar(); received >= 0; received = CommReadChar()) {
        const KeyEvent event = readByte(static_cast<std::uint8_t>(received), keyRepeatState);
        if (event.key != NoKey) {
            handleKey(CodeOfKey(scanTable, event.key), event.transition);
        }
    }
}

// The same for a keyboard whose held key repeats by timer: any break byte
// stops the repeat at once, even one that names no key, and a call that
// finds no byte while RepeatTimer runs presents heldKey once more, as a
// TimerRepeat.
template <ByteProtocol readByte, typename HandleKey>
inline void DecodeWaitingBytesRepeatingHeldKey(const KeyCode* scanTable, HandleKey handleKey) {
    bool handled = false;
    for (;;) {
        const int received = CommReadChar();
        // A whole word: it goes on to the handler in a register.
        unsigned code = keyRepeatState.heldKey;
        KeyTransition transition = KeyTransition::TimerRepeat;
        if (received >= 0) {
            const KeyEvent event = readByte(static_cast<std::uint8_t>(received), keyRepeatState);
            transition = event.transition;
            if (transition == KeyTransition::Break && keyRepeatState.repeatTimerRunning) {
                StopRepeatTimer();
            }
            if (event.key == NoKey) {
                continue;
            }
            code = CodeOfKey(scanTable, event.key);
        } else if (!keyRepeatState.repeatTimerRunning || handled) {
            return;
        }
        handled = true;
        handleKey(static_cast<KeyCode>(code), transition);
    }
}
