#include "host/linux_keys.h"

#include <linux/input-event-codes.h>

namespace host {

namespace {

struct NamedKeyCode {
    const char* name;
    std::uint16_t code;
};

constexpr NamedKeyCode linuxKeyCodes[] =
#include "linux_key_codes.inc"
    ;

// The keys a user knows by another name than the header's.
constexpr NamedKeyCode keyLabels[] = {
    {"Escape", KEY_ESC},       {"Tab", KEY_TAB},         {"Backspace", KEY_BACKSPACE}, {"Enter", KEY_ENTER},
    {"Space", KEY_SPACE},      {"Delete", KEY_DELETE},   {"Insert", KEY_INSERT},       {"Home", KEY_HOME},
    {"End", KEY_END},          {"PageUp", KEY_PAGEUP},   {"PageDown", KEY_PAGEDOWN},   {"Left", KEY_LEFT},
    {"Right", KEY_RIGHT},      {"Up", KEY_UP},           {"Down", KEY_DOWN},           {"Menu", KEY_COMPOSE},
    {"PrintScreen", KEY_SYSRQ}, {"Pause", KEY_PAUSE},    {"CapsLock", KEY_CAPSLOCK},   {"NumLock", KEY_NUMLOCK},
    {"ScrollLock", KEY_SCROLLLOCK}, {"Prog1", KEY_PROG1}, {"Prog2", KEY_PROG2},        {"Prog3", KEY_PROG3},
    {"Prog4", KEY_PROG4},
};

}  // namespace

std::optional<std::uint16_t> LinuxKeyCode(std::string_view name) {
    for (const NamedKeyCode& key : linuxKeyCodes) {
        if (name == key.name) {
            return key.code;
        }
    }
    return std::nullopt;
}

std::string_view LinuxKeyName(std::uint16_t code) {
    for (const NamedKeyCode& key : linuxKeyCodes) {
        if (key.code == code) {
            return key.name;
        }
    }
    return {};
}

std::string KeyLabel(std::uint16_t code) {
    for (const NamedKeyCode& label : keyLabels) {
        if (label.code == code) {
            return label.name;
        }
    }
    if (code >= KEY_F1 && code <= KEY_F10) {
        return "F" + std::to_string(code - KEY_F1 + 1);
    }
    constexpr std::string_view prefix = "KEY_";
    const std::string_view name = LinuxKeyName(code);
    if (name.starts_with(prefix)) {
        return std::string(name.substr(prefix.size()));
    }
    return "key " + std::to_string(code);
}

}  // namespace host
