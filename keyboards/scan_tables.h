// Every model's scan table, in the models' order, and the shifted-digit row
// as one constant block, laid out the same in every build. The decoders
// read their tables here.
#pragma once

#include <cstddef>

#include "keyboards/key_codes.h"
#include "keyboards/keyboard_models.h"

inline constexpr std::size_t ScanTableAlignment = 4;

// Where model `type`'s table starts in the block; for KeyboardTypeCount,
// where the shifted-digit row does.
constexpr std::size_t ScanTableBlockOffset(KeyboardType type) {
    std::size_t offset = 0;
    for (KeyboardType model = 0; model < type; ++model) {
        const std::size_t size = scanTables[model].size;
        offset += (size + ScanTableAlignment - 1) / ScanTableAlignment * ScanTableAlignment;
    }
    return offset;
}

inline constexpr std::size_t ShiftedDigitsOffset = ScanTableBlockOffset(KeyboardTypeCount);
// What shift makes of the digits 0..9.
inline constexpr char shiftedDigitRow[] = ")!@#$%^&*(";

struct ScanTableBlock {
    alignas(ScanTableAlignment) KeyCode codes[ShiftedDigitsOffset + sizeof shiftedDigitRow - 1];
};

extern const ScanTableBlock scanTableBlock;

// The block's copy of `table`, one of the models' scan tables.
template <const auto& table>
inline const KeyCode* InScanTableBlock() {
    constexpr std::size_t offset = ScanTableBlockOffset(KeyboardTypeWithScanTable(table.codes));
    return scanTableBlock.codes + offset;
}

// What shift makes of the digit `digit` ('0'..'9').
inline KeyCode ShiftedDigit(KeyCode digit) { return scanTableBlock.codes[ShiftedDigitsOffset + (digit - '0')]; }
