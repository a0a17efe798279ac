#include "keyboards/happy_hacking.h"

#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

namespace {

constexpr std::uint8_t ExtendedPrefix = 0xE0;
constexpr std::uint8_t BreakPrefix = 0xF0;

// Movement codes are posted as plain characters on this keyboard.
constexpr CodeHandling happyHackingHandling = [] {
    CodeHandling handling = standardCodeHandling;
    handling.movementKeys = false;
    return handling;
}();

}  // namespace

void DecodeHappyHacking() {
    for (int received = CommReadChar(); received >= 0; received = CommReadChar()) {
        const auto byte = static_cast<std::uint8_t>(received);
        if (byte == ExtendedPrefix) {
            continue;  // extended keys share the entry of their make code
        }
        if (byte == BreakPrefix) {
            keyRepeatState.releasePending = 1;
            continue;
        }
        if (byte >= scanTableBlock.happyHacking.size) {
            continue;
        }
        const bool released = keyRepeatState.releasePending != 0;
        KeyCode code = HandleCode(scanTableBlock.happyHacking[byte],
                                  released ? KeyTransition::Break : KeyTransition::Make,
                                  happyHackingHandling);
        if (released) {
            keyRepeatState.releasePending = 0;
            continue;
        }
        if (code == KeyNone) {
            continue;
        }
        KeypadMessage.data1 = RimGetTicks();
        code = TranslateIfShifted(code);
        PostKeyMessage(code);
    }
}
