// Pocketop: one byte per key event; bit 7 set is a break, bits 0..6 the scan
// index. Digits and most symbols come from two layer keys.
#pragma once

#include <cstdint>

#include "keyboards/byte_protocol.h"
#include "keyboards/key_codes.h"

// clang-format off
inline constexpr auto pocketopScanTable = MakeScanTable({
//  +0  +1              +2            +3            +4              +5             +6              +7
    0,  'q',            0,            'z',          0,              0,             0,              'a',          //   0
    0,  'w',            0,            'x',          0,              0,             0,              's',          //   8
    0,  'e',            0,            'c',          0,              0,             0,              'd',          //  16
    0,  'r',            0,            'v',          0,              0,             0,              'f',          //  24
    0,  't',            0,            'b',          0,              0,             0,              'g',          //  32
    0,  'y',            0,            ' ',          0,              0,             0,              'h',          //  40
    0,  'u',            'j',          'n',          ' ',            0,             0,              0,            //  48
    0,  'i',            'k',          'm',          KeyNumberZero,  0,             0,              0,            //  56
    20, 'o',            'l',          ',',          KeyLeft,        0,             0,              0,            //  64
    21, 'p',            ';',          '.',          KeyDown,        0,             0,              0,            //  72
    22, '-',            '\'',         KeyUp,        KeyRight,       0,             0,              0,            //  80
    23, KeyBackspace,   KeyEnter,     KeyDelete,    0,              0,             0,              0,            //  88
    0,  0,              0,            0,            0,              KeyShiftLeft,  KeyAlt,         0,            //  96
    0,  KeyEscape,      0,            0,            0,              KeyControl,    KeyNumberLayer, 0,            // 104
    0,  0,              0,            0,            0,              KeyClick,      KeyFunction,    KeyCapsLock,  // 112
    0,  0,              0,            0,            0,              KeyShiftRight, 0,              0,            // 120
});
// clang-format on
static_assert(pocketopScanTable.size == 128);

// Each byte leaves its own transition behind as the pending break.
constexpr KeyEvent ReadPocketopByte(std::uint8_t byte, KeyFraming& framing) {
    const KeyEvent event = OneByteKeyEvent(byte, KeyTransition::Break, pocketopScanTable.size);
    framing.releasePending = event.transition == KeyTransition::Break ? 1 : 0;
    return event;
}

// The two layers, as bits of LayerFlags.
inline constexpr std::int32_t FunctionLayer = 1;
inline constexpr std::int32_t NumberLayer = 2;
extern std::int32_t LayerFlags;

// Letters stand as capitals: the layers ignore letter case.
// clang-format off
inline constexpr KeyMapping pocketopFunctionLayer[] = {
    {'\'', '='}, {'J', '{'},
    {'-', '+'},  {'K', '}'},
    {';', '|'},  {'L', '\\'},
    {'A', '`'},  {'O', '('},
    {'D', '/'},  {'P', ')'},
    {'E', '#'},  {'Q', '!'},
    {'F', '?'},  {'R', '$'},
    {'G', '['},  {'S', '~'},
    {'H', ']'},  {'T', '%'},
    {'I', '*'},  {'U', '&'},
    {'W', '@'},  {'Y', '^'},
};

inline constexpr KeyMapping pocketopNumberLayer[] = {
    {'Q', '1'},           {'M', '1'},
    {'W', '2'},           {',', '2'},
    {'E', '3'},           {'.', '3'},
    {'R', '4'},           {'J', '4'},
    {'T', '5'},           {'K', '5'},
    {'Y', '6'},           {'L', '6'},
    {'U', '7'},           {'I', '8'},
    {'O', '9'},           {'P', '0'},
    {KeyNumberZero, '0'}, {'-', '/'},
    {';', '*'},           {KeyLeft, '.'},
    {KeyRight, '='},      {KeyUp, '-'},
    {KeyDown, '+'},
};
// clang-format on

void DecodePocketop();
