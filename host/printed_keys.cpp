#include "host/key_output.h"

#include <linux/input-event-codes.h>

#include <cstdio>
#include <string>

#include "host/keymap.h"
#include "host/linux_keys.h"
#include "host/us_layout.h"

namespace host {

namespace {

void Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

constexpr std::uint16_t modifierKeys[] = {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT,
                                          KEY_RIGHTALT,  KEY_LEFTMETA,   KEY_RIGHTMETA, KEY_CAPSLOCK};

bool IsModifier(std::uint16_t code) {
    for (const std::uint16_t modifier : modifierKeys) {
        if (modifier == code) {
            return true;
        }
    }
    return false;
}

bool IsLetter(std::uint16_t code) {
    const std::optional<char> character = UsCharacter(code, false);
    return character && *character >= 'a' && *character <= 'z';
}

}  // namespace

PrintedKeys::PrintedKeys(Writer write) : write_(write ? std::move(write) : Writer(Print)) {}

bool PrintedKeys::Down(std::uint16_t left, std::uint16_t right) const {
    return down_.contains(left) || down_.contains(right);
}

void PrintedKeys::Key(std::uint16_t code, bool down) {
    if (!down) {
        down_.erase(code);
        return;
    }
    if (!down_.insert(code).second) {
        return;
    }
    if (code == KEY_CAPSLOCK) {
        capsLock_ = !capsLock_;
    }
    if (IsModifier(code)) {
        return;
    }
    const bool shift = Down(KEY_LEFTSHIFT, KEY_RIGHTSHIFT);
    std::string chord;
    chord += Down(KEY_LEFTCTRL, KEY_RIGHTCTRL) ? "Ctrl+" : "";
    chord += Down(KEY_LEFTALT, KEY_RIGHTALT) ? "Alt+" : "";
    chord += Down(KEY_LEFTMETA, KEY_RIGHTMETA) ? "Super+" : "";
    if (chord.empty()) {
        if (const std::optional<char> character = UsCharacter(code, shift != (capsLock_ && IsLetter(code)))) {
            write_(std::string(1, *character));
            return;
        }
        if (code == KEY_ENTER) {
            write_("\n");
            return;
        }
    }
    chord += shift ? "Shift+" : "";
    const std::optional<char> plain = UsCharacter(code, false);
    write_("<" + chord + (plain && *plain != ' ' ? std::string(1, *plain) : KeyLabel(code)) + ">");
}

void PrintedKeys::Unmapped(KeyNumber key) { write_("<key " + KeyNumberText(key) + ">"); }

void PrintedKeys::HandheldOnly(std::string_view name) { write_("<" + std::string(name) + ">"); }

void PrintedKeys::ReleaseAll() { down_.clear(); }

}  // namespace host
