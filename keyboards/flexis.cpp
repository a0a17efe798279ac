#include "keyboards/flexis.h"

#include "keyboards/decoding.h"
#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"
#include "platform/build.h"

namespace {

constexpr bool hasHotKeys = targetBuild != Build::Pager950;

constexpr CodeHandling flexisHandling = {
    .movementKeys = true,
    .capsLock = true,
    .altDelete = false,
    .functionKeyBecomes = KeySwallow,
    // On the 950 pager this key erases instead.
    .escapeExtendedBecomes = targetBuild == Build::Pager950 ? KeyBackspace : KeyEscape,
};

}  // namespace

void DecodeFlexis() {
    DecodeWaitingBytes<ReadFlexisByte>(InScanTableBlock<flexisScanTable>(), [](KeyCode code, KeyTransition transition) {
        if (transition == KeyTransition::Break) {
            HandleCode(code, KeyTransition::Break, flexisHandling);
            return;
        }
        code = HandleCode(code, KeyTransition::Make, flexisHandling);
        // No test for KeyNone: an unassigned key is posted as character 0.
        if (code == KeySwallow) {
            return;
        }
        KeypadMessage.data1 = RimGetTicks();
        if constexpr (hasHotKeys) {
            if (HasStatus(StatusAlt) && RunFlexisHotKey(code)) {
                return;
            }
        }
        code = TranslateIfShifted(code);
        code = HasStatus(StatusCapsLock) ? RaiseLetter(code) : code;
        PostUnderCapsLockRule(code);
    });
}
