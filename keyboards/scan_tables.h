// All scan tables and the shifted-digit row as one constant block, laid out
// the same in every build.
#pragma once

#include "keyboards/flexis.h"
#include "keyboards/gotype.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/key_codes.h"
#include "keyboards/palm_portable.h"
#include "keyboards/pocketop.h"

struct ScanTableBlock {
    alignas(4) ScanTable<palmPortableScanTable.size> palmPortable;
    alignas(4) ScanTable<pocketopScanTable.size> pocketop;
    alignas(4) ScanTable<flexisScanTable.size> flexis;
    alignas(4) ScanTable<goTypeScanTable.size> goType;
    alignas(4) ScanTable<happyHackingScanTable.size> happyHacking;
    // What shift makes of the digits 0..9.
    alignas(4) ScanTable<10> shiftedDigits;
};
static_assert(sizeof(ScanTableBlock) == 600);

extern const ScanTableBlock scanTableBlock;
