#include "keyboards/pocketop.h"

#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

std::int32_t LayerFlags;

namespace {

constexpr auto functionLayerRow = MakeKeyRow<pocketopFunctionLayer>();
constexpr auto numberLayerRow = MakeKeyRow<pocketopNumberLayer>();

// A key that the layer does not hold keeps its code, in the case it has.
template <typename LayerRow>
KeyCode MapThroughLayer(const LayerRow& layer, KeyCode code) {
    return layer.Map(RaiseLetter(code), code);
}

// This keyboard's own, reduced shift translation.
constexpr KeyMapping pocketopShiftedPunctuation[] = {{',', '<'}, {'-', '_'}, {'.', '>'}, {';', ':'}};
constexpr auto pocketopShiftedPunctuationRow = MakeKeyRow<pocketopShiftedPunctuation>();

KeyCode TranslatePocketopShift(KeyCode code) {
    if (HasStatus(StatusShift | StatusCapsLock)) {
        code = RaiseLetter(code);
    }
    return HasStatus(StatusShift) ? pocketopShiftedPunctuationRow.Map(code, code) : code;
}

bool LayerOn(std::int32_t layer) { return (LayerFlags & layer) != 0; }

constexpr CodeHandling pocketopHandling = [] {
    CodeHandling handling = standardCodeHandling;
    handling.capsLock = true;
    return handling;
}();

// Under the number layer the arrows are digits' neighbours, not movement.
constexpr CodeHandling numberLayerHandling = [] {
    CodeHandling handling = pocketopHandling;
    handling.movementKeys = false;
    return handling;
}();

}  // namespace

void DecodePocketop() {
    bool handled = false;
    for (;;) {
        const int received = CommReadChar();
        KeyTransition transition = KeyTransition::TimerRepeat;
        KeyCode code = keyRepeatState.heldKey;
        if (received >= 0) {
            const auto byte = static_cast<std::uint8_t>(received);
            transition = TakeRepeatingTransition(byte);
            keyRepeatState.releasePending = transition == KeyTransition::Break ? 1 : 0;
            code = scanTableBlock.pocketop[byte & 0x7F];
        } else if (!RepeatsHeldKey(handled)) {
            return;
        }
        handled = true;
        const bool released = transition == KeyTransition::Break;
        switch (code) {
        case KeyFunction:
        case KeyNumberLayer:
            // A layer key posts nothing and never becomes heldKey.
            SetFlags(LayerFlags, code == KeyFunction ? FunctionLayer : NumberLayer, !released);
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
        code = HandleCode(code, transition, LayerOn(NumberLayer) ? numberLayerHandling : pocketopHandling);
        if (!PassRepeatGate(code, transition)) {
            continue;
        }
        code = TranslatePocketopShift(code);
        if (LayerOn(FunctionLayer)) {
            code = MapThroughLayer(functionLayerRow, code);
        }
        if (LayerOn(NumberLayer)) {
            code = MapThroughLayer(numberLayerRow, code);
        }
        PostUnderCapsLockRule(code);
        keyRepeatState.lastPostTick = RimGetTicks();
        NoteRepeatPost();
    }
}
