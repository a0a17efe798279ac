#include "keyboards/palm_portable.h"

#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

void DecodePalmPortable() {
    bool handled = false;
    for (;;) {
        const int received = CommReadChar();
        KeyTransition transition = KeyTransition::TimerRepeat;
        KeyCode code = keyRepeatState.heldKey;
        if (received >= 0) {
            const auto byte = static_cast<std::uint8_t>(received);
            transition = TakeRepeatingTransition(byte);
            const std::uint8_t index = byte & 0x7F;
            if (index >= scanTableBlock.palmPortable.size) {
                continue;
            }
            code = scanTableBlock.palmPortable[index];
        } else if (!RepeatsHeldKey(handled)) {
            return;
        }
        handled = true;
        if (HandleGatedKey(code, transition)) {
            NoteRepeatPost();
        }
    }
}
