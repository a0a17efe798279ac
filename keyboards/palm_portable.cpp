#include "keyboards/palm_portable.h"

#include "keyboards/decoding.h"
#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

void DecodePalmPortable() {
    DecodeWaitingBytesRepeatingHeldKey<ReadPalmPortableByte>(InScanTableBlock<palmPortableScanTable>(),
                                                             [](KeyCode code, KeyTransition transition) {
                                                                 if (HandleGatedKey(code, transition)) {
                                                                     NoteRepeatPost();
                                                                 }
                                                             });
}
