#include "keyboards/happy_hacking.h"

#include "keyboards/decoding.h"
#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

namespace {

// Movement codes are posted as plain characters on this keyboard.
constexpr CodeHandling happyHackingHandling = [] {
    CodeHandling handling = standardCodeHandling;
    handling.movementKeys = false;
    return handling;
}();

}  // namespace

void DecodeHappyHacking() {
    DecodeWaitingBytes<ReadHappyHackingByte>(InScanTableBlock<happyHackingScanTable>(), [](KeyCode code,
                                                                                          KeyTransition transition) {
        code = HandleCode(code, transition, happyHackingHandling);
        if (transition == KeyTransition::Break || code == KeyNone) {
            return;
        }
        KeypadMessage.data1 = RimGetTicks();
        PostKeyMessage(TranslateIfShifted(code));
    });
}
