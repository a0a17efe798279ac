// GoType: one byte per key transition; bit 7 set is a release, bits 0..6 the
// key number. Key numbers above 102 are not assigned.
#pragma once

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"

// clang-format off
inline constexpr auto goTypeScanTable = MakeScanTable({
//  +0   +1   +2   +3   +4   +5   +6   +7   +8   +9   +10  +11  +12  +13  +14  +15
    0,   '`', '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '-', '=', 8,   9,     //  0
    'q', 'w', 'e', 'r', 't', 'y', 'u', 'i', 'o', 'p', '[', ']', '\\','a', 's', 'd',   // 16
    'f', 'g', 'h', 'j', 'k', 'l', ';', '\'',13,  'z', 'x', 'c', 'v', 'b', 'n', 'm',   // 32
    ',', '.', '/', ' ', 0,   0,   0,   1,   0,   0,   3,   4,   0,   0,   2,   0,     // 48
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,     // 64
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   5,   6,   25,  0,   11,    // 80
    0,   0,   0,   0,   0,   0,   12,                                                 // 96
});
// clang-format on
static_assert(goTypeScanTable.size == 103);

constexpr KeyEvent ReadGoTypeByte(std::uint8_t byte, KeyFraming&) {
    return OneByteKeyEvent(byte, KeyTransition::Break, goTypeScanTable.size);
}

void DecodeGoType();
