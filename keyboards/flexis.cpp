#include "keyboards/flexis.h"

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
    for (int received = CommReadChar(); received >= 0; received = CommReadChar()) {
        const auto byte = static_cast<std::uint8_t>(received);
        bool released = keyRepeatState.releasePending != 0;
        if ((byte & 0x80) == 0) {
            keyRepeatState.releasePending = 1;
            released = true;
        }
        KeyCode code = HandleCode(scanTableBlock.flexis[byte & 0x7F],
                                  released ? KeyTransition::Break : KeyTransition::Make,
                                  flexisHandling);
        if (released) {
            keyRepeatState.releasePending = 0;
            continue;
        }
        // No test for KeyNone: an unassigned key is posted as character 0.
        if (code == KeySwallow) {
            continue;
        }
        KeypadMessage.data1 = RimGetTicks();
        if constexpr (hasHotKeys) {
            if (HasStatus(StatusAlt) && RunFlexisHotKey(code)) {
                continue;
            }
        }
        code = TranslateIfShifted(code);
        code = HasStatus(StatusCapsLock) ? RaiseLetter(code) : code;
        PostUnderCapsLockRule(code);
    }
}
