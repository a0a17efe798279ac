// Each scan table against its grid, written the way the keyboard's layout
// documentation writes it, so that a reader can hold the two side by side.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "keyboards/scan_tables.h"

namespace {

const std::map<std::string, int> namedCodes = {
    {"KeyNone", 0},       {"KeyLeft", 1},        {"KeyRight", 2},      {"KeyUp", 3},       {"KeyDown", 4},
    {"KeyShiftLeft", 5},  {"KeyShiftRight", 6},  {"KeyNumberZero", 7}, {"KeyBackspace", 8}, {"KeyTab", 9},
    {"KeyClick", 11},     {"KeyFunction", 12},   {"KeyEnter", 13},     {"KeyControl", 14}, {"KeyCapsLock", 15},
    {"KeyNumberLayer", 24}, {"KeyAlt", 25},      {"KeyEscape", 27},    {"KeyDelete", 127},
};

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// Cells of one "| a | b | ... |" row.
std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    std::stringstream stream(row);
    std::string cell;
    std::getline(stream, cell, '|');  // before the first bar
    while (std::getline(stream, cell, '|')) {
        cells.push_back(Trim(cell));
    }
    if (!cells.empty() && cells.back().empty()) {
        cells.pop_back();
    }
    return cells;
}

// One grid cell: "x" a character, space, · or a number, "code N", a code name
// in backquotes, or any of those followed by its value in brackets.
int Entry(const std::string& cell) {
    if (cell.size() == 3 && cell.front() == '"' && cell.back() == '"') {
        return static_cast<unsigned char>(cell[1]);
    }
    if (const auto open = cell.find(" ("); open != std::string::npos) {
        return std::stoi(cell.substr(open + 2));
    }
    if (cell == "space") {
        return ' ';
    }
    if (cell == "·") {
        return 0;
    }
    if (cell.rfind("code ", 0) == 0) {
        return std::stoi(cell.substr(5));
    }
    if (const auto name = namedCodes.find(cell.substr(1, cell.size() - 2)); cell.front() == '`' && name != namedCodes.end()) {
        return name->second;
    }
    return std::stoi(cell, nullptr, 0);
}

// A grid whose rows give a first index and one entry per column.
std::vector<int> ColumnGrid(const std::vector<std::string>& rows) {
    std::vector<int> entries;
    for (const std::string& row : rows) {
        const auto cells = Cells(row);
        EXPECT_EQ(std::stoi(cells.front(), nullptr, 0), static_cast<int>(entries.size())) << row;
        for (std::size_t column = 1; column < cells.size(); ++column) {
            if (!cells[column].empty()) {
                entries.push_back(Entry(cells[column]));
            }
        }
    }
    return entries;
}

// A list whose rows give an index range ("9 to 14") and either a string of
// one character per index or one entry for the whole range.
std::vector<int> RangeList(const std::vector<std::string>& rows) {
    std::vector<int> entries;
    for (const std::string& row : rows) {
        const auto cells = Cells(row);
        const auto to = cells[0].find(" to ");
        const int first = std::stoi(cells[0]);
        const int last = to == std::string::npos ? first : std::stoi(cells[0].substr(to + 4));
        EXPECT_EQ(first, static_cast<int>(entries.size())) << row;
        const std::string& what = cells[1];
        const bool isString = what.size() == static_cast<std::size_t>(last - first + 3) && what.front() == '"' &&
                              what.back() == '"' && last > first;
        for (int index = first; index <= last; ++index) {
            entries.push_back(isString ? static_cast<unsigned char>(what[1 + index - first]) : Entry(what));
        }
    }
    return entries;
}

// The block's copy of `table` against the grid.
template <const auto& table>
void ExpectTable(const std::vector<int>& grid) {
    const KeyCode* copy = InScanTableBlock<table>();
    ASSERT_EQ(grid.size(), table.size);
    for (std::size_t index = 0; index < table.size; ++index) {
        EXPECT_EQ(copy[index], grid[index]) << "entry " << index << " (0x" << std::hex << index << ")";
    }
}

TEST(ScanTable, PalmPortableMatchesItsLayout) {
    ExpectTable<palmPortableScanTable>(RangeList({
        R"(| 0 to 7 | "123z4567" |)",
        R"(| 8 | `KeyClick` (11) |)",
        R"(| 9 to 14 | "qwerty" |)",
        R"(| 15 | backquote (96) |)",
        R"(| 16 to 22 | "xasdfgh" |)",
        R"(| 23 | space (32) |)",
        R"(| 24 | `KeyCapsLock` (15) |)",
        R"(| 25 | `KeyTab` (9) |)",
        R"(| 26 | `KeyControl` (14) |)",
        R"(| 27 to 33 | `KeyNone` (0) |)",
        R"(| 34 | `KeyFunction` (12) |)",
        R"(| 35 | `KeyAlt` (25) |)",
        R"(| 36 to 43 | `KeyNone` (0) |)",
        R"(| 44 to 49 | "cvbn-=" |)",
        R"(| 50 | `KeyBackspace` (8) |)",
        R"(| 51 | code 128 |)",
        R"(| 52 to 54 | "890" |)",
        R"(| 55 | space (32) |)",
        R"(| 56 to 57 | "[]" |)",
        R"(| 58 | backslash (92) |)",
        R"(| 59 | code 129 |)",
        R"(| 60 to 64 | "uiop'" |)",
        R"(| 65 | `KeyEnter` (13) |)",
        R"(| 66 | code 130 |)",
        R"(| 67 | `KeyNone` (0) |)",
        R"(| 68 to 72 | "jkl;/" |)",
        R"(| 73 | `KeyUp` (3) |)",
        R"(| 74 | code 131 |)",
        R"(| 75 | `KeyNone` (0) |)",
        R"(| 76 to 78 | "m,." |)",
        R"(| 79 | `KeyEnter` (13) |)",
        R"(| 80 | `KeyDelete` (127) |)",
        R"(| 81 | `KeyLeft` (1) |)",
        R"(| 82 | `KeyDown` (4) |)",
        R"(| 83 | `KeyRight` (2) |)",
        R"(| 84 to 87 | `KeyNone` (0) |)",
        R"(| 88 | `KeyShiftLeft` (5) |)",
        R"(| 89 | `KeyShiftRight` (6) |)",
    }));
}

TEST(ScanTable, PocketopMatchesItsGrid) {
    ExpectTable<pocketopScanTable>(ColumnGrid({
        R"(| 0 | · | "q" | · | "z" | · | · | · | "a" |)",
        R"(| 8 | · | "w" | · | "x" | · | · | · | "s" |)",
        R"(| 16 | · | "e" | · | "c" | · | · | · | "d" |)",
        R"(| 24 | · | "r" | · | "v" | · | · | · | "f" |)",
        R"(| 32 | · | "t" | · | "b" | · | · | · | "g" |)",
        R"(| 40 | · | "y" | · | space | · | · | · | "h" |)",
        R"(| 48 | · | "u" | "j" | "n" | space | · | · | · |)",
        R"(| 56 | · | "i" | "k" | "m" | `KeyNumberZero` | · | · | · |)",
        R"(| 64 | code 20 | "o" | "l" | "," | `KeyLeft` | · | · | · |)",
        R"(| 72 | code 21 | "p" | ";" | "." | `KeyDown` | · | · | · |)",
        R"(| 80 | code 22 | "-" | "'" | `KeyUp` | `KeyRight` | · | · | · |)",
        R"(| 88 | code 23 | `KeyBackspace` | `KeyEnter` | `KeyDelete` | · | · | · | · |)",
        R"(| 96 | · | · | · | · | · | `KeyShiftLeft` | `KeyAlt` | · |)",
        R"(| 104 | · | `KeyEscape` | · | · | · | `KeyControl` | `KeyNumberLayer` | · |)",
        R"(| 112 | · | · | · | · | · | `KeyClick` | `KeyFunction` | `KeyCapsLock` |)",
        R"(| 120 | · | · | · | · | · | `KeyShiftRight` | · | · |)",
    }));
}

TEST(ScanTable, FlexisMatchesItsGrid) {
    ExpectTable<flexisScanTable>(ColumnGrid({
        R"(| 0x00 | "a" | "s" | "d" | "f" | "h" | "g" | "z" | "x" | "c" | "v" | 138 | "b" | "q" | "w" | "e" | "r" |)",
        R"(| 0x10 | "y" | "t" | "1" | "2" | "3" | "4" | "6" | "5" | "=" | "9" | "7" | "-" | "8" | "0" | "]" | "o" |)",
        R"(| 0x20 | "u" | "[" | "i" | "p" | 13 | "l" | "j" | "'" | "k" | ";" | "\" | "," | "/" | "n" | "m" | "." |)",
        R"(| 0x30 | 9 | space | "`" | 8 | 0 | 0 | 0 | 12 | 5 | 15 | 25 | 14 | 0 | 11 | 0 | 6 |)",
        R"(| 0x40 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |)",
        R"(| 0x50 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |)",
        R"(| 0x60 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |)",
        R"(| 0x70 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 127 | 1 | 2 | 4 | 3 | 0 |)",
    }));
}

TEST(ScanTable, GoTypeMatchesItsGrid) {
    ExpectTable<goTypeScanTable>(ColumnGrid({
        R"(| 0 | 0 | "`" | "1" | "2" | "3" | "4" | "5" | "6" | "7" | "8" | "9" | "0" | "-" | "=" | 8 | 9 |)",
        R"(| 16 | "q" | "w" | "e" | "r" | "t" | "y" | "u" | "i" | "o" | "p" | "[" | "]" | "\" | "a" | "s" | "d" |)",
        R"(| 32 | "f" | "g" | "h" | "j" | "k" | "l" | ";" | "'" | 13 | "z" | "x" | "c" | "v" | "b" | "n" | "m" |)",
        R"(| 48 | "," | "." | "/" | space | 0 | 0 | 0 | 1 | 0 | 0 | 3 | 4 | 0 | 0 | 2 | 0 |)",
        R"(| 64 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |)",
        R"(| 80 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 5 | 6 | 25 | 0 | 11 |)",
        R"(| 96 | 0 | 0 | 0 | 0 | 0 | 0 | 12 | | | | | | | | | |)",
    }));
}

TEST(ScanTable, HappyHackingMatchesItsGrid) {
    ExpectTable<happyHackingScanTable>(ColumnGrid({
        R"(| 0x00 | 0 | 136 | 0 | 132 | 130 | 128 | 129 | 0 | 0 | 137 | 135 | 133 | 131 | 9 | "`" | 0 |)",
        R"(| 0x10 | 0 | 0 | 5 | 0 | 14 | "q" | "1" | 0 | 0 | 0 | "z" | "s" | "a" | "w" | "2" | 11 |)",
        R"(| 0x20 | 0 | "c" | "x" | "d" | "e" | "4" | "3" | 0 | 0 | space | "v" | "f" | "t" | "r" | "5" | 25 |)",
        R"(| 0x30 | 0 | "n" | "b" | "h" | "g" | "y" | "6" | 0 | 0 | 0 | "m" | "j" | "u" | "7" | "8" | 0 |)",
        R"(| 0x40 | 0 | "," | "k" | "i" | "o" | "0" | "9" | 0 | 0 | "." | "/" | "l" | ";" | "p" | "-" | 0 |)",
        R"(| 0x50 | 0 | 0 | "'" | 0 | "[" | "=" | 0 | 0 | 15 | 6 | 13 | "]" | 0 | "\" | 0 | 0 |)",
        R"(| 0x60 | 0 | 0 | 0 | 0 | 0 | 0 | 8 | 0 | 0 | 140 | 0 | 1 | 139 | 0 | 0 | 0 |)",
        R"(| 0x70 | 0 | 127 | 4 | 0 | 2 | 3 | 4 | 0 | 0 | 0 | 18 | 0 | 0 | 17 | 0 | 0 |)",
        R"(| 0x80 | 0 | 0 | 0 | 134 | 0 | 0 | 0 | 0 | | | | | | | | |)",
    }));
}

TEST(ScanTable, ShiftedDigitsRowGivesTheSymbolsAboveTheDigits) {
    const std::string row = ")!@#$%^&*(";
    for (std::size_t digit = 0; digit < row.size(); ++digit) {
        EXPECT_EQ(ShiftedDigit(static_cast<KeyCode>('0' + digit)), static_cast<unsigned char>(row[digit])) << digit;
    }
}

// The block is one contiguous constant, the models' tables in their order,
// every table starting on a 4-byte boundary, in the same layout whatever the
// build.
TEST(ScanTable, BlockIsOneContiguousRunOf600Bytes) {
    EXPECT_EQ(sizeof(ScanTableBlock), 600u);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&scanTableBlock);
    EXPECT_EQ(InScanTableBlock<flexisScanTable>() - bytes, 0);
    EXPECT_EQ(InScanTableBlock<pocketopScanTable>() - bytes, 128);
    EXPECT_EQ(InScanTableBlock<goTypeScanTable>() - bytes, 256);
    EXPECT_EQ(InScanTableBlock<happyHackingScanTable>() - bytes, 360);
    EXPECT_EQ(InScanTableBlock<palmPortableScanTable>() - bytes, 496);
    EXPECT_EQ(ShiftedDigitsOffset, 588u);
    for (const std::size_t padding : {359u, 586u, 587u, 598u, 599u}) {
        EXPECT_EQ(bytes[padding], 0) << padding;
    }
}

}  // namespace
