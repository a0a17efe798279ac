#include "keyboards/gotype.h"

#include "keyboards/key_posting.h"
#include "keyboards/scan_tables.h"

void DecodeGoType() {
    for (int received = CommReadChar(); received >= 0; received = CommReadChar()) {
        const auto byte = static_cast<std::uint8_t>(received);
        const std::uint8_t keyNumber = byte & 0x7F;
        if (keyNumber >= scanTableBlock.goType.size) {
            continue;
        }
        const KeyTransition transition = (byte & 0x80) != 0 ? KeyTransition::Break : KeyTransition::Make;
        HandleGatedKey(scanTableBlock.goType[keyNumber], transition);
    }
}
