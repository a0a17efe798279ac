#include "keyboards/key_posting.h"

#include "keyboards/scan_tables.h"

OsMessage KeypadMessage;
KeyRepeatState keyRepeatState;

namespace {

void UpdateStatus(std::int32_t bit, bool set) { SetFlags(KeypadMessage.data0, bit, set); }

constexpr KeyMapping shiftedPunctuation[] = {
    {'\'', '"'}, {';', ':'},
    {',', '<'},  {'=', '+'},
    {'-', '_'},  {'[', '{'},
    {'.', '>'},  {'\\', '|'},
    {'/', '?'},  {']', '}'},
    {'`', '~'},
};
constexpr auto shiftedPunctuationRow = MakeKeyRow<shiftedPunctuation>();

}  // namespace

void ClearKeypadMessage() {
    KeypadMessage = OsMessage{};
    KeypadMessage.device = KeypadDevice;
}

KeyCode HandleSpecialCode(KeyCode code, KeyTransition transition, const CodeHandling& handling) {
    const bool down = transition != KeyTransition::Break;
    switch (code) {
    case KeyLeft:
    case KeyRight:
        if (handling.movementKeys) {
            KeypadMessage.event = code == KeyLeft ? KeyMoveUpEvent : KeyMoveDownEvent;
            UpdateStatus(StatusAlt, down);
        }
        return code;
    case KeyUp:
    case KeyDown:
        if (handling.movementKeys) {
            KeypadMessage.event = code == KeyUp ? KeyMoveUpEvent : KeyMoveDownEvent;
        }
        return code;
    case KeyShiftLeft:
    case KeyShiftRight:
        KeypadMessage.event = KeyStatusEvent;
        UpdateStatus(StatusShift, down);
        return code;
    case KeyClick:
        KeypadMessage.event = KeyClickEvent;
        return code;
    case KeyAlt:
        KeypadMessage.event = KeyStatusEvent;
        UpdateStatus(StatusAlt, down);
        return code;
    case KeyFunction:
        return handling.functionKeyBecomes;
    case KeyDelete:
        if (!handling.altDelete) {
            return code;
        }
        UpdateStatus(StatusAlt, down);
        return KeyBackspace;
    case KeyCapsLock:
        if (handling.capsLock) {
            KeypadMessage.event = KeyStatusEvent;
            // Only a real press toggles: a held key presented again by the
            // repeat timer must not make caps lock flicker.
            if (transition == KeyTransition::Make) {
                KeypadMessage.data0 ^= StatusCapsLock;
            }
        }
        return code;
    case KeyEscapeExtended:
        return handling.escapeExtendedBecomes;
    default:
        return code;
    }
}

KeyCode TranslateShifted(KeyCode code) {
    if (code >= '0' && code <= '9') {
        return ShiftedDigit(code);
    }
    return shiftedPunctuationRow.Map(code, RaiseLetter(code));
}

KeyCode TranslateIfShifted(KeyCode code) { return HasStatus(StatusShift) ? TranslateShifted(code) : code; }

void PostKeyMessage(KeyCode code) {
    if (KeypadMessage.event == KeyCharEvent) {
        KeypadMessage.subMessage = code;
    } else if (KeypadMessage.event == KeyMoveUpEvent || KeypadMessage.event == KeyMoveDownEvent) {
        KeypadMessage.subMessage = 1;
    }
    const TaskId foreground = RimGetForegroundApp();
    if (foreground != 0) {
        RimPostMessage(foreground, &KeypadMessage);
    }
    RimTaskYield();
}

void PostUnderCapsLockRule(KeyCode code) {
    const std::int32_t stored = KeypadMessage.data0;
    const bool capsLock = HasStatus(StatusCapsLock);
    if (capsLock) {
        KeypadMessage.data0 = stored | StatusShift;
    }
    PostKeyMessage(code);
    if (capsLock) {
        KeypadMessage.data0 = stored;
    }
}

bool HandleGatedKey(KeyCode code, KeyTransition transition) {
    code = HandleCode(code, transition, standardCodeHandling);
    if (!PassRepeatGate(code, transition)) {
        return false;
    }
    PostKeyMessage(TranslateIfShifted(code));
    keyRepeatState.lastPostTick = RimGetTicks();
    return true;
}

void NoteRepeatPost() {
    if (!keyRepeatState.repeatTimerRunning) {
        RimSetTimer(RepeatTimer, RepeatTimerPeriod, 1);
        keyRepeatState.repeatPostCount = 0;
        keyRepeatState.repeatTimerRunning = 1;
    }
    keyRepeatState.repeatPostCount += 1;
    if (keyRepeatState.repeatPostCount >= MaxPostsPerRepeatRun) {
        StopRepeatTimer();
    }
}

void StopRepeatTimer() {
    RimSetTimer(RepeatTimer, 0, 1);
    keyRepeatState.repeatTimerRunning = 0;
}
