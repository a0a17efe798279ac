#include "keyboards/palm_portable.h"

#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

void DecodePalmPortable() {
    bool handled = false;
    RepeatingRead read{};
    while (ReadRepeatingKey(handled, read)) {
        KeyCode code = keyRepeatState.heldKey;
        if (read.transition != KeyTransition::TimerRepeat) {
            if (read.index >= scanTableBlock.palmPortable.size) {
                continue;
            }
            code = scanTableBlock.palmPortable[read.index];
        }
        handled = true;
        code = HandleCode(code, read.transition, standardCodeHandling);
        if (!PassRepeatGate(code, read.transition)) {
            continue;
        }
        code = TranslateIfShifted(code);
        PostGatedKey(code);
        NoteRepeatPost();
    }
}
