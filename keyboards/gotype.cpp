#include "keyboards/gotype.h"

#include "keyboards/decoding.h"
#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

void DecodeGoType() {
    DecodeWaitingBytes<ReadGoTypeByte>(InScanTableBlock<goTypeScanTable>(),
                                       [](KeyCode code, KeyTransition transition) { HandleGatedKey(code, transition); });
}
