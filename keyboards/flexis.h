// Flexis: one byte per key transition; bit 7 set is a press (the reverse of
// the GoType), bits 0..6 the key number.
#pragma once

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"

// clang-format off
inline constexpr auto flexisScanTable = MakeScanTable({
//  +0   +1   +2   +3   +4   +5   +6   +7   +8   +9   +A   +B   +C   +D   +E   +F
    'a', 's', 'd', 'f', 'h', 'g', 'z', 'x', 'c', 'v', 138, 'b', 'q', 'w', 'e', 'r',   // 0x00
    'y', 't', '1', '2', '3', '4', '6', '5', '=', '9', '7', '-', '8', '0', ']', 'o',   // 0x10
    'u', '[', 'i', 'p', 13,  'l', 'j', '\'','k', ';', '\\',',', '/', 'n', 'm', '.',   // 0x20
    9,   ' ', '`', 8,   0,   0,   0,   12,  5,   15,  25,  14,  0,   11,  0,   6,     // 0x30
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,     // 0x40
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,     // 0x50
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,     // 0x60
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   127, 1,   2,   4,   3,   0,     // 0x70
});
// clang-format on
static_assert(flexisScanTable.size == 128);

// A break left pending by another model makes even a press byte a release.
constexpr KeyEvent ReadFlexisByte(std::uint8_t byte, KeyFraming& framing) {
    const KeyNumber key = byte & 0x7F;
    if ((byte & 0x80) == 0 || framing.releasePending != 0) {
        framing.releasePending = 0;
        return {key, KeyTransition::Break};
    }
    return {key, KeyTransition::Make};
}

void DecodeFlexis();

// With Alt held, these keys open applications or power off instead of typing:
// OS 2.x builds only. Returns whether `code` was a hot key.
bool RunFlexisHotKey(KeyCode code);
