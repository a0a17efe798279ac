#include "keyboards/pocketop.h"

#include "keyboards/decoding.h"
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
    DecodeWaitingBytesRepeatingHeldKey<ReadPocketopByte>(InScanTableBlock<pocketopScanTable>(), [](KeyCode code,
                                                                                                  KeyTransition transition) {
        const bool released = transition == KeyTransition::Break;
        switch (code) {
        case KeyFunction:
        case KeyNumberLayer:
            // A layer key posts nothing and never becomes heldKey.
            SetFlags(LayerFlags, code == KeyFunction ? FunctionLayer : NumberLayer, !released);
            if (!released) {
                return;
            }
            code = KeySwallow;
            break;
        case KeyNumberZero:
            if (!LayerOn(NumberLayer)) {
                if (!released) {
                    return;
                }
                code = KeySwallow;
            }
            break;
        default:
            break;
        }
        code = HandleCode(code, transition, LayerOn(NumberLayer) ? numberLayerHandling : pocketopHandling);
        if (!PassRepeatGate(code, transition)) {
            return;
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
    });
}
