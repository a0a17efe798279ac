// What every decoder shares once it has a key code: the code's handling, the
// repeat gate, shift translation, the post, and the timer-driven repeat.
#pragma once

#include <cstdint>

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"
#include "platform/kernel.h"

// The one keypad message that every decoder fills and posts.
extern OsMessage KeypadMessage;

// With it the byte protocols' framing, one for every model: its break byte
// is the one the Pocketop, Happy Hacking and Flexis decoders share.
struct KeyRepeatState : KeyFraming {
    std::uint8_t heldKey;  // last admitted make, untranslated; 0: none
    std::int32_t lastPostTick;
    std::int32_t repeatThreshold;  // 25 after a new key, 10 after a repeat
    std::uint8_t repeatTimerRunning;
    std::int32_t repeatPostCount;  // posts since RepeatTimer last started
};
extern KeyRepeatState keyRepeatState;

inline constexpr std::int32_t FirstRepeatDelay = 25;
inline constexpr std::int32_t RepeatInterval = 10;
inline constexpr std::int32_t RepeatTimerPeriod = 5;
inline constexpr std::int32_t MaxPostsPerRepeatRun = 32;

// How one model treats the codes whose handling differs between models.
struct CodeHandling {
    bool movementKeys;  // 1..4 move; otherwise posted as characters
    bool capsLock;      // 15 toggles StatusCapsLock; otherwise a character
    bool altDelete;     // 127 is Backspace with StatusAlt; otherwise posted as is
    KeyCode functionKeyBecomes;
    KeyCode escapeExtendedBecomes;
};

// The handling that a model gets unless it says otherwise.
inline constexpr CodeHandling standardCodeHandling = {
    .movementKeys = true,
    .capsLock = false,
    .altDelete = true,
    .functionKeyBecomes = KeyNone,
    .escapeExtendedBecomes = KeyEscape,
};

inline bool HasStatus(std::int32_t bit) { return (KeypadMessage.data0 & bit) != 0; }

// Zeroes the message and makes it a keypad message again.
void ClearKeypadMessage();

// HandleCode for the codes that are not characters.
KeyCode HandleSpecialCode(KeyCode code, KeyTransition transition, const CodeHandling& handling);

// Sets the event to the code's event, updates StatusBits, and returns the
// code that the rest of the decoding works with.
inline KeyCode HandleCode(KeyCode code, KeyTransition transition, const CodeHandling& handling) {
    KeypadMessage.event = KeyCharEvent;
    // Characters, most of what is typed, need nothing more.
    if (code > KeyAlt && code < KeyDelete) {
        return code;
    }
    return HandleSpecialCode(code, transition, handling);
}

// The repeat gate: whether a make of `code` at tick `now` may be posted.
inline bool AdmitKey(KeyCode code, std::int32_t now) {
    if (code == keyRepeatState.heldKey) {
        if (TicksBetween(keyRepeatState.lastPostTick, now) < keyRepeatState.repeatThreshold) {
            return false;
        }
        keyRepeatState.repeatThreshold = RepeatInterval;
    } else {
        keyRepeatState.repeatThreshold = FirstRepeatDelay;
    }
    keyRepeatState.heldKey = code;
    KeypadMessage.data1 = now;
    return true;
}

// A break releases heldKey; a make of a real key is read the tick and
// offered to the gate. True when a make was admitted.
inline bool PassRepeatGate(KeyCode code, KeyTransition transition) {
    if (transition == KeyTransition::Break) {
        if (code == keyRepeatState.heldKey) {
            keyRepeatState.heldKey = KeyNone;
        }
        return false;
    }
    const std::int32_t now = RimGetTicks();
    if (code == KeyNone || code == KeySwallow) {
        return false;
    }
    return AdmitKey(code, now);
}

KeyCode TranslateShifted(KeyCode code);
// TranslateShifted while a shift key is held; the code as it is otherwise.
KeyCode TranslateIfShifted(KeyCode code);
inline KeyCode RaiseLetter(KeyCode code) {
    return code >= 'a' && code <= 'z' ? static_cast<KeyCode>(code - ('a' - 'A')) : code;
}

// Posts to the foreground application, if any, then yields.
void PostKeyMessage(KeyCode code);
// With caps lock on, the message carries StatusShift while the stored status
// keeps what the shift keys made of it.
void PostUnderCapsLockRule(KeyCode code);
// A key of a keyboard with the standard handling and the repeat gate: on a
// make that the gate admits, its shift translation and the post. Returns
// whether it was posted.
bool HandleGatedKey(KeyCode code, KeyTransition transition);

void NoteRepeatPost();
void StopRepeatTimer();
