#include "host/us_layout.h"

#include <linux/input-event-codes.h>

namespace host {

namespace {

struct UsKey {
    std::uint16_t code;
    char plain;
    char shifted;
};

// clang-format off
constexpr UsKey usLayout[] = {
    {KEY_GRAVE, '`', '~'}, {KEY_1, '1', '!'}, {KEY_2, '2', '@'}, {KEY_3, '3', '#'}, {KEY_4, '4', '$'},
    {KEY_5, '5', '%'}, {KEY_6, '6', '^'}, {KEY_7, '7', '&'}, {KEY_8, '8', '*'}, {KEY_9, '9', '('},
    {KEY_0, '0', ')'}, {KEY_MINUS, '-', '_'}, {KEY_EQUAL, '=', '+'},
    {KEY_Q, 'q', 'Q'}, {KEY_W, 'w', 'W'}, {KEY_E, 'e', 'E'}, {KEY_R, 'r', 'R'}, {KEY_T, 't', 'T'},
    {KEY_Y, 'y', 'Y'}, {KEY_U, 'u', 'U'}, {KEY_I, 'i', 'I'}, {KEY_O, 'o', 'O'}, {KEY_P, 'p', 'P'},
    {KEY_LEFTBRACE, '[', '{'}, {KEY_RIGHTBRACE, ']', '}'}, {KEY_BACKSLASH, '\\', '|'},
    {KEY_A, 'a', 'A'}, {KEY_S, 's', 'S'}, {KEY_D, 'd', 'D'}, {KEY_F, 'f', 'F'}, {KEY_G, 'g', 'G'},
    {KEY_H, 'h', 'H'}, {KEY_J, 'j', 'J'}, {KEY_K, 'k', 'K'}, {KEY_L, 'l', 'L'},
    {KEY_SEMICOLON, ';', ':'}, {KEY_APOSTROPHE, '\'', '"'},
    {KEY_Z, 'z', 'Z'}, {KEY_X, 'x', 'X'}, {KEY_C, 'c', 'C'}, {KEY_V, 'v', 'V'}, {KEY_B, 'b', 'B'},
    {KEY_N, 'n', 'N'}, {KEY_M, 'm', 'M'}, {KEY_COMMA, ',', '<'}, {KEY_DOT, '.', '>'}, {KEY_SLASH, '/', '?'},
    {KEY_SPACE, ' ', ' '},
};
// clang-format on

}  // namespace

std::optional<UsKeyStroke> UsKeyFor(char character) {
    for (const UsKey& key : usLayout) {
        if (key.plain == character || key.shifted == character) {
            return UsKeyStroke{key.code, key.plain != character};
        }
    }
    return std::nullopt;
}

std::optional<char> UsCharacter(std::uint16_t code, bool shift) {
    for (const UsKey& key : usLayout) {
        if (key.code == code) {
            return shift ? key.shifted : key.plain;
        }
    }
    return std::nullopt;
}

std::vector<std::uint16_t> UsLayoutCodes() {
    std::vector<std::uint16_t> codes;
    for (const UsKey& key : usLayout) {
        codes.push_back(key.code);
    }
    return codes;
}

}  // namespace host
