// Palm Portable: one byte per key event; bit 7 set is a break, bits 0..6 the
// scan index. Indexes 90 and up are no keys.
#pragma once

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"

// clang-format off
inline constexpr auto palmPortableScanTable = MakeScanTable({
    '1', '2', '3', 'z', '4', '5', '6', '7',            //  0..7
    KeyClick,                                          //  8
    'q', 'w', 'e', 'r', 't', 'y',                      //  9..14
    '`',                                               // 15
    'x', 'a', 's', 'd', 'f', 'g', 'h',                 // 16..22
    ' ',                                               // 23
    KeyCapsLock,                                       // 24
    KeyTab,                                            // 25
    KeyControl,                                        // 26
    KeyNone, KeyNone, KeyNone, KeyNone, KeyNone, KeyNone, KeyNone,           // 27..33
    KeyFunction,                                       // 34
    KeyAlt,                                            // 35
    KeyNone, KeyNone, KeyNone, KeyNone, KeyNone, KeyNone, KeyNone, KeyNone,  // 36..43
    'c', 'v', 'b', 'n', '-', '=',                      // 44..49
    KeyBackspace,                                      // 50
    128,                                               // 51
    '8', '9', '0',                                     // 52..54
    ' ',                                               // 55
    '[', ']',                                          // 56..57
    '\\',                                              // 58
    129,                                               // 59
    'u', 'i', 'o', 'p', '\'',                          // 60..64
    KeyEnter,                                          // 65
    130,                                               // 66
    KeyNone,                                           // 67
    'j', 'k', 'l', ';', '/',                           // 68..72
    KeyUp,                                             // 73
    131,                                               // 74
    KeyNone,                                           // 75
    'm', ',', '.',                                     // 76..78
    KeyEnter,                                          // 79
    KeyDelete,                                         // 80
    KeyLeft,                                           // 81
    KeyDown,                                           // 82
    KeyRight,                                          // 83
    KeyNone, KeyNone, KeyNone, KeyNone,                // 84..87
    KeyShiftLeft,                                      // 88
    KeyShiftRight,                                     // 89
});
// clang-format on
static_assert(palmPortableScanTable.size == 90);

constexpr KeyEvent ReadPalmPortableByte(std::uint8_t byte, KeyFraming&) {
    return OneByteKeyEvent(byte, KeyTransition::Break, palmPortableScanTable.size);
}

// What the keyboard answers to its wake-up pulse. The decoder drops both
// bytes: their indexes lie beyond the table.
inline constexpr std::uint8_t palmPortableWakeReply[] = {0xFA, 0xFD};

void DecodePalmPortable();
