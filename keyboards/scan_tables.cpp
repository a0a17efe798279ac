#include "keyboards/scan_tables.h"

namespace {

constexpr ScanTableBlock MakeScanTableBlock() {
    ScanTableBlock block{};
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        const ScanTableEntries& table = scanTables[type];
        for (std::size_t index = 0; index < table.size; ++index) {
            block.codes[ScanTableBlockOffset(type) + index] = table.codes[index];
        }
    }
    for (std::size_t digit = 0; digit < sizeof shiftedDigitRow - 1; ++digit) {
        block.codes[ShiftedDigitsOffset + digit] = static_cast<KeyCode>(shiftedDigitRow[digit]);
    }
    return block;
}

}  // namespace

constinit const ScanTableBlock scanTableBlock = MakeScanTableBlock();
