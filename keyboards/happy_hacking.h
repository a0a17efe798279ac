// Happy Hacking: scan code set 2. A press sends the make code; a release sends
// 0xF0 and then the make code; extended keys put 0xE0 in front of either.
#pragma once

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"

// clang-format off
inline constexpr auto happyHackingScanTable = MakeScanTable({
//  +0   +1   +2   +3   +4   +5   +6   +7   +8   +9   +A   +B   +C   +D   +E   +F
    0,   136, 0,   132, 130, 128, 129, 0,   0,   137, 135, 133, 131, 9,   '`', 0,     // 0x00
    0,   0,   5,   0,   14,  'q', '1', 0,   0,   0,   'z', 's', 'a', 'w', '2', 11,    // 0x10
    0,   'c', 'x', 'd', 'e', '4', '3', 0,   0,   ' ', 'v', 'f', 't', 'r', '5', 25,    // 0x20
    0,   'n', 'b', 'h', 'g', 'y', '6', 0,   0,   0,   'm', 'j', 'u', '7', '8', 0,     // 0x30
    0,   ',', 'k', 'i', 'o', '0', '9', 0,   0,   '.', '/', 'l', ';', 'p', '-', 0,     // 0x40
    0,   0,   '\'',0,   '[', '=', 0,   0,   15,  6,   13,  ']', 0,   '\\',0,   0,     // 0x50
    0,   0,   0,   0,   0,   0,   8,   0,   0,   140, 0,   1,   139, 0,   0,   0,     // 0x60
    0,   127, 4,   0,   2,   3,   4,   0,   0,   0,   18,  0,   0,   17,  0,   0,     // 0x70
    0,   0,   0,   134, 0,   0,   0,   0,                                             // 0x80
});
// clang-format on
static_assert(happyHackingScanTable.size == 136);

inline constexpr std::uint8_t ExtendedPrefix = 0xE0;
inline constexpr std::uint8_t BreakPrefix = 0xF0;

// The prefixes wait in `framing` for the make code they belong to; other
// bytes beyond the table are no keys.
constexpr KeyEvent ReadHappyHackingByte(std::uint8_t byte, KeyFraming& framing) {
    if (byte >= happyHackingScanTable.size) {
        if (byte == BreakPrefix) {
            framing.releasePending = 1;
        } else if (byte == ExtendedPrefix) {
            framing.extendedPending = 1;
        }
        return {NoKey, KeyTransition::Make};
    }
    const KeyEvent event = {static_cast<KeyNumber>(byte | (framing.extendedPending != 0 ? ExtendedKey : 0)),
                            framing.releasePending != 0 ? KeyTransition::Break : KeyTransition::Make};
    framing = {};
    return event;
}

void DecodeHappyHacking();
