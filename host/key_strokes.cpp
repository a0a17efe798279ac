#include "host/key_strokes.h"

#include <linux/input-event-codes.h>

#include "host/us_layout.h"
#include "keyboards/key_codes.h"

namespace host {

namespace {

// The key codes that are no characters. The Happy Hacking posts its arrows
// as characters 1 to 4 and its F1 to F10, Home, End, Page Up and Page Down
// as 128 to 137, 139, 140, 17 and 18; the Palm Portable's 128 to 131 come
// out as F1 to F4 as well. The Pocketop's four keys 20 to 23 have no
// counterpart: they become the programmable keys a desktop can bind.
struct NamedKey {
    KeyCode key;
    std::uint16_t code;
};

// clang-format off
constexpr NamedKey namedKeys[] = {
    {KeyLeft, KEY_LEFT},           {KeyRight, KEY_RIGHT},
    {KeyUp, KEY_UP},               {KeyDown, KEY_DOWN},
    {KeyBackspace, KEY_BACKSPACE}, {KeyTab, KEY_TAB},
    {KeyClick, KEY_COMPOSE},       {KeyEnter, KEY_ENTER},
    {17, KEY_PAGEUP},              {18, KEY_PAGEDOWN},
    {20, KEY_PROG1},               {21, KEY_PROG2},
    {22, KEY_PROG3},               {23, KEY_PROG4},
    {KeyEscape, KEY_ESC},          {KeyDelete, KEY_DELETE},
    {128, KEY_F1}, {129, KEY_F2}, {130, KEY_F3}, {131, KEY_F4}, {132, KEY_F5},
    {133, KEY_F6}, {134, KEY_F7}, {135, KEY_F8}, {136, KEY_F9}, {137, KEY_F10},
    {139, KEY_HOME},               {140, KEY_END},
};
// clang-format on

std::optional<HostKey> NamedHostKey(KeyCode code) {
    for (const NamedKey& key : namedKeys) {
        if (key.key == code) {
            return HostKey{key.code, false};
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
        if (const auto stroke = UsKeyFor(static_cast<char>(*key))) {
            return HostKey{stroke->code, stroke->shift};
        }
        return std::nullopt;
    }
    return NamedHostKey(*key);
}

std::vector<std::uint16_t> HostKeyCodes() {
    std::vector<std::uint16_t> codes = UsLayoutCodes();
    codes.push_back(KEY_LEFTSHIFT);
    for (const NamedKey& key : namedKeys) {
        codes.push_back(key.code);
    }
    return codes;
}

std::vector<KeyTransitionEvent> StrokeTransitions(const HostKey& key) {
    std::vector<KeyTransitionEvent> transitions;
    if (key.shift) {
        transitions.push_back({KEY_LEFTSHIFT, true});
    }
    transitions.push_back({key.code, true});
    transitions.push_back({key.code, false});
    if (key.shift) {
        transitions.push_back({KEY_LEFTSHIFT, false});
    }
    return transitions;
}

}  // namespace host
