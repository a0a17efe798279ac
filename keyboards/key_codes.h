// The vocabulary that every scan table is written in, and the status and
// events that keypad messages carry.
#pragma once

#include <cstddef>
#include <cstdint>

// A scan-table entry: an ASCII character (32..126) or one of the codes below.
// The tables also hold codes without a name, posted as characters of their
// value: 17 and 18 (Happy Hacking), 20 to 23 (Pocketop) and the extended
// keys 128 to 140 (KeyEscapeExtended among them).
using KeyCode = std::uint8_t;

inline constexpr KeyCode KeyNone = 0;
inline constexpr KeyCode KeyLeft = 1;
inline constexpr KeyCode KeyRight = 2;
inline constexpr KeyCode KeyUp = 3;
inline constexpr KeyCode KeyDown = 4;
inline constexpr KeyCode KeyShiftLeft = 5;
inline constexpr KeyCode KeyShiftRight = 6;
inline constexpr KeyCode KeyNumberZero = 7;
inline constexpr KeyCode KeyBackspace = 8;
inline constexpr KeyCode KeyTab = 9;
inline constexpr KeyCode KeyClick = 11;
inline constexpr KeyCode KeyFunction = 12;
inline constexpr KeyCode KeyEnter = 13;
inline constexpr KeyCode KeyControl = 14;
inline constexpr KeyCode KeyCapsLock = 15;
inline constexpr KeyCode KeyNumberLayer = 24;
inline constexpr KeyCode KeyAlt = 25;
inline constexpr KeyCode KeyEscape = 27;
inline constexpr KeyCode KeyDelete = 127;
inline constexpr KeyCode KeyEscapeExtended = 138;
// Never in a table: a decoder turns a code into it to post nothing.
inline constexpr KeyCode KeySwallow = 255;

// Events of the keypad messages that the decoders post (device 2).
inline constexpr std::int32_t KeyCharEvent = 513;
inline constexpr std::int32_t KeyClickEvent = 516;
inline constexpr std::int32_t KeyMoveUpEvent = 518;
inline constexpr std::int32_t KeyMoveDownEvent = 519;
inline constexpr std::int32_t KeyStatusEvent = 520;

// StatusBits: data word 0 of every keypad message.
inline constexpr std::int32_t StatusAlt = 1;
inline constexpr std::int32_t StatusShift = 2;
inline constexpr std::int32_t StatusCapsLock = 4;

// Sets or clears `bits` in a word of flags.
constexpr void SetFlags(std::int32_t& word, std::int32_t bits, bool on) {
    word = on ? (word | bits) : (word & ~bits);
}

// One key that a translation or a layer turns into another.
struct KeyMapping {
    KeyCode from;
    KeyCode to;
};

// Mappings as a row indexed by key, from the lowest key they map to the
// highest: a lookup rather than a search.
template <KeyCode First, KeyCode Last>
struct KeyRow {
    KeyCode codes[Last - First + 1];  // KeyNone: not mapped

    // What the row turns `key` into, or `unmapped` when it holds no such key.
    constexpr KeyCode Map(KeyCode key, KeyCode unmapped) const {
        const KeyCode mapped = key >= First && key <= Last ? codes[key - First] : KeyNone;
        return mapped != KeyNone ? mapped : unmapped;
    }
};

// The lowest and the highest key that mappings map.
struct KeyRange {
    KeyCode first;
    KeyCode last;
};

template <std::size_t Size>
constexpr KeyRange KeysMapped(const KeyMapping (&mappings)[Size]) {
    KeyRange range{mappings[0].from, mappings[0].from};
    for (const KeyMapping& mapping : mappings) {
        range.first = mapping.from < range.first ? mapping.from : range.first;
        range.last = mapping.from > range.last ? mapping.from : range.last;
    }
    return range;
}

// Each key once, and none to KeyNone, which marks a key that a row lacks.
template <std::size_t Size>
constexpr bool MapsEachKeyOnce(const KeyMapping (&mappings)[Size]) {
    for (std::size_t i = 0; i < Size; ++i) {
        for (std::size_t j = i + 1; j < Size; ++j) {
            if (mappings[i].from == mappings[j].from) {
                return false;
            }
        }
        if (mappings[i].to == KeyNone) {
            return false;
        }
    }
    return true;
}

template <const auto& mappings>
constexpr auto MakeKeyRow() {
    static_assert(MapsEachKeyOnce(mappings));
    constexpr KeyRange range = KeysMapped(mappings);
    KeyRow<range.first, range.last> row{};
    for (const KeyMapping& mapping : mappings) {
        row.codes[mapping.from - range.first] = mapping.to;
    }
    return row;
}

template <std::size_t Size>
struct ScanTable {
    KeyCode codes[Size];

    static constexpr std::size_t size = Size;
    constexpr KeyCode operator[](std::size_t index) const { return codes[index]; }
};

// Sizes the table from its written entries, so that a grid with an entry too
// few or too many fails to build rather than being padded with zeros.
template <std::size_t Size>
constexpr ScanTable<Size> MakeScanTable(const KeyCode (&codes)[Size]) {
    ScanTable<Size> table{};
    for (std::size_t index = 0; index < Size; ++index) {
        table.codes[index] = codes[index];
    }
    return table;
}
