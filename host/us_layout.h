// The keys of a US layout and the characters on their legends: what the
// keypad road types a character with, and what --print shows a key as.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace host {

struct UsKeyStroke {
    std::uint16_t code;  // a Linux KEY_ code
    bool shift;
};

// The key that types `character` (32..126), and whether with Shift.
std::optional<UsKeyStroke> UsKeyFor(char character);
// The character key `code` types, with Shift or without; none for a key
// that types no character.
std::optional<char> UsCharacter(std::uint16_t code, bool shift);
// Every key of the layout.
std::vector<std::uint16_t> UsLayoutCodes();

}  // namespace host
