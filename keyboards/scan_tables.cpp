#include "keyboards/scan_tables.h"

constinit const ScanTableBlock scanTableBlock = {
    palmPortableScanTable,
    pocketopScanTable,
    flexisScanTable,
    goTypeScanTable,
    happyHackingScanTable,
    MakeScanTable({')', '!', '@', '#', '$', '%', '^', '&', '*', '('}),
};
