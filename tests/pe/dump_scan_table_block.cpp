// Writes the scan-table block as the program compiles it to standard
// output: the bytes that every PE module must carry unchanged.
#include <cstdio>

#include "keyboards/scan_tables.h"

int main() {
    return std::fwrite(&scanTableBlock, sizeof scanTableBlock, 1, stdout) == 1 ? 0 : 1;
}
