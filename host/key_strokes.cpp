#include "host/key_strokes.h"

#include <linux/input-event-codes.h>

#include "keyboards/key_codes.h"

namespace host {

namespace {

// A key of the US layout with its two legends.
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

// The key codes that are no characters. The Happy Hacking posts its arrows
// as characters 1 to 4 and its F1 to F10, Home, End, Page Up and Page Down
// as 128 to 137, 139, 140, 17 and 18; the Palm Portable's 128 to 131 come
// out as F1 to F4 as well. The Pocketop's four keys 20 to 23 have no
// counterpart: they become the programmable keys a desktop can bind.
struct NamedKey {
    KeyCode key;
    std::uint16_t code;
    const char* name;
};

// clang-format off
constexpr NamedKey namedKeys[] = {
    {KeyLeft, KEY_LEFT, "Left"},           {KeyRight, KEY_RIGHT, "Right"},
    {KeyUp, KEY_UP, "Up"},                 {KeyDown, KEY_DOWN, "Down"},
    {KeyBackspace, KEY_BACKSPACE, "Backspace"},
    {KeyTab, KEY_TAB, "Tab"},              {KeyClick, KEY_COMPOSE, "Click"},
    {KeyEnter, KEY_ENTER, "Enter"},        {17, KEY_PAGEUP, "PageUp"},
    {18, KEY_PAGEDOWN, "PageDown"},        {20, KEY_PROG1, "Prog1"},
    {21, KEY_PROG2, "Prog2"},              {22, KEY_PROG3, "Prog3"},
    {23, KEY_PROG4, "Prog4"},              {KeyEscape, KEY_ESC, "Escape"},
    {KeyDelete, KEY_DELETE, "Delete"},
    {128, KEY_F1, "F1"}, {129, KEY_F2, "F2"}, {130, KEY_F3, "F3"}, {131, KEY_F4, "F4"}, {132, KEY_F5, "F5"},
    {133, KEY_F6, "F6"}, {134, KEY_F7, "F7"}, {135, KEY_F8, "F8"}, {136, KEY_F9, "F9"}, {137, KEY_F10, "F10"},
    {139, KEY_HOME, "Home"},               {140, KEY_END, "End"},
};
// clang-format on

std::optional<HostKey> CharacterKey(char character) {
    for (const UsKey& key : usLayout) {
        if (key.plain == character || key.shifted == character) {
            return HostKey{key.code, key.plain != character, std::string(1, character)};
        }
    }
    return std::nullopt;
}

std::optional<HostKey> NamedHostKey(KeyCode code) {
    for (const NamedKey& key : namedKeys) {
        if (key.key == code) {
            return HostKey{key.code, false, code == KeyEnter ? "\n" : "<" + std::string(key.name) + ">"};
        }
    }
    return std::nullopt;
}

// The key code a message stands for. StatusAlt tells the movement events
// apart (Left and Right from Up and Down) and makes Backspace the Delete key;
// it is not passed on as a held Alt: the keyboards post nothing when Alt goes
// up, and a break byte lost to line noise would leave it held for good.
std::optional<KeyCode> KeyOfMessage(const OsMessage& message) {
    if (message.device != KeypadDevice) {
        return std::nullopt;
    }
    const bool alt = (message.data0 & StatusAlt) != 0;
    switch (message.event) {
    case KeyCharEvent:
        if (message.subMessage < 0 || message.subMessage > 255) {
            return std::nullopt;
        }
        if (message.subMessage == KeyBackspace && alt) {
            return KeyDelete;
        }
        return static_cast<KeyCode>(message.subMessage);
    case KeyClickEvent: return KeyClick;
    case KeyMoveUpEvent: return alt ? KeyLeft : KeyUp;
    case KeyMoveDownEvent: return alt ? KeyRight : KeyDown;
    // A change of modifiers alone types nothing.
    default: return std::nullopt;
    }
}

}  // namespace

std::optional<HostKey> HostKeyFor(const OsMessage& message) {
    const std::optional<KeyCode> key = KeyOfMessage(message);
    if (!key) {
        return std::nullopt;
    }
    if (*key >= 32 && *key <= 126) {
        return CharacterKey(static_cast<char>(*key));
    }
    return NamedHostKey(*key);
}

std::vector<std::uint16_t> HostKeyCodes() {
    std::vector<std::uint16_t> codes{KEY_LEFTSHIFT};
    for (const UsKey& key : usLayout) {
        codes.push_back(key.code);
    }
    for (const NamedKey& key : namedKeys) {
        codes.push_back(key.code);
    }
    return codes;
}

std::vector<InputEvent> StrokeEvents(const HostKey& key) {
    std::vector<InputEvent> events;
    const auto transition = [&events](std::uint16_t code, bool down) {
        events.push_back({EV_KEY, code, down ? 1 : 0});
        events.push_back({EV_SYN, SYN_REPORT, 0});
    };
    if (key.shift) {
        transition(KEY_LEFTSHIFT, true);
    }
    transition(key.code, true);
    transition(key.code, false);
    if (key.shift) {
        transition(KEY_LEFTSHIFT, false);
    }
    return events;
}

}  // namespace host
