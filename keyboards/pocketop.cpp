#include "keyboards/pocketop.h"

#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

std::int32_t LayerFlags;

namespace {

struct LayerKey {
    KeyCode key;  // letters as capitals: layers ignore letter case
    KeyCode gives;
};

// clang-format off
constexpr LayerKey functionLayer[] = {
    {'\'', '='}, {'J', '{'},
    {'-', '+'},  {'K', '}'},
    {';', '|'},  {'L', '\\'},
    {'A', '`'},  {'O', '('},
    {'D', '/'},  {'P', ')'},
    {'E', '#'},  {'Q', '!'},
    {'F', '?'},  {'R', '$'},
    {'G', '['},  {'S', '~'},
    {'H', ']'},  {'T', '%'},
    {'I', '*'},  {'U', '&'},
    {'W', '@'},  {'Y', '^'},
};

constexpr LayerKey numberLayer[] = {
    {'Q', '1'},           {'M', '1'},
    {'W', '2'},           {',', '2'},
    {'E', '3'},           {'.', '3'},
    {'R', '4'},           {'J', '4'},
    {'T', '5'},           {'K', '5'},
    {'Y', '6'},           {'L', '6'},
    {'U', '7'},           {'I', '8'},
    {'O', '9'},           {'P', '0'},
    {KeyNumberZero, '0'}, {'-', '/'},
    {';', '*'},           {KeyLeft, '.'},
    {KeyRight, '='},      {KeyUp, '-'},
    {KeyDown, '+'},
};
// clang-format on

template <std::size_t Size>
KeyCode MapThroughLayer(const LayerKey (&layer)[Size], KeyCode code) {
    const KeyCode folded = RaiseLetter(code);
    for (const LayerKey& entry : layer) {
        if (entry.key == folded) {
            return entry.gives;
        }
    }
    return code;
}

// This keyboard's own, reduced shift translation.
KeyCode TranslatePocketopShift(KeyCode code) {
    if (HasStatus(StatusShift | StatusCapsLock)) {
        code = RaiseLetter(code);
    }
    if (!HasStatus(StatusShift)) {
        return code;
    }
    switch (code) {
    case ',': return '<';
    case '-': return '_';
    case '.': return '>';
    case ';': return ':';
    default: return code;
    }
}

bool LayerOn(std::int32_t layer) { return (LayerFlags & layer) != 0; }

void SetLayer(std::int32_t layer, bool on) {
    if (on) {
        LayerFlags |= layer;
    } else {
        LayerFlags &= ~layer;
    }
}

}  // namespace

void DecodePocketop() {
    bool handled = false;
    RepeatingRead read;
    while (ReadRepeatingKey(handled, read)) {
        KeyCode code = keyRepeatState.heldKey;
        if (read.transition != KeyTransition::TimerRepeat) {
            keyRepeatState.releasePending = read.transition == KeyTransition::Break ? 1 : 0;
            code = scanTableBlock.pocketop[read.index];
        }
        handled = true;
        const bool released = read.transition == KeyTransition::Break;
        switch (code) {
        case KeyFunction:
        case KeyNumberLayer:
            // A layer key posts nothing and never becomes heldKey.
            SetLayer(code == KeyFunction ? FunctionLayer : NumberLayer, !released);
            if (!released) {
                continue;
            }
            code = KeySwallow;
            break;
        case KeyNumberZero:
            if (!LayerOn(NumberLayer)) {
                if (!released) {
                    continue;
                }
                code = KeySwallow;
            }
            break;
        default:
            break;
        }
        const CodeHandling handling = {
            .movementKeys = !LayerOn(NumberLayer),
            .capsLock = true,
            .altDelete = true,
            .functionKeyBecomes = KeyNone,
            .escapeExtendedBecomes = KeyEscape,
        };
        code = HandleCode(code, read.transition, handling);
        if (!PassRepeatGate(code, read.transition)) {
            continue;
        }
        code = TranslatePocketopShift(code);
        if (LayerOn(FunctionLayer)) {
            code = MapThroughLayer(functionLayer, code);
        }
        if (LayerOn(NumberLayer)) {
            code = MapThroughLayer(numberLayer, code);
        }
        PostUnderCapsLockRule(code);
        keyRepeatState.lastPostTick = RimGetTicks();
        NoteRepeatPost();
    }
}
