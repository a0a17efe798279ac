// Key mode: each key of the keyboard a Linux key, pressed at its make and
// released at its break, as its keymap says, the layer keys resolved here.
// A make of a key already down (the keyboard's own repeat) presses nothing
// again: the kernel repeats a held key itself. A break of a key that is not
// down is dropped. Keys that share a Linux key (two space bars) hold it
// until the last of them is up.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "host/key_output.h"
#include "host/keymap.h"
#include "keyboards/byte_protocol.h"

namespace host {

// `keys` with those a keyboard must have for udev to take it for one
// (KEY_ESC to KEY_S).
std::set<std::uint16_t> WithKeyboardKeys(std::set<std::uint16_t> keys);
// Every Linux key key mode may send with `keymap`, with the keyboard's.
std::set<std::uint16_t> KeyModeKeys(const Keymap& keymap);

class KeyMode {
public:
    KeyMode(const Keymap& keymap, KeyOutput& output) : keymap_(keymap), output_(output) {}

    void Handle(KeyEvent event);
    // Every key up and every layer off.
    void ReleaseAll();
    // The Linux keys down now.
    std::vector<std::uint16_t> KeysDown() const;

private:
    struct Pressed {
        KeyAction action;  // what the make pressed, whatever the layers do meanwhile
        bool addedShift;
    };

    void Make(KeyNumber key);
    void Break(KeyNumber key);
    void Press(std::uint16_t code);
    void Release(std::uint16_t code);
    bool ShiftDown() const;

    const Keymap& keymap_;
    KeyOutput& output_;
    std::map<KeyNumber, Pressed> pressed_;
    std::map<std::uint16_t, int> holders_;  // Linux key -> the keys holding it
    int layerHolders_[LayerCount] = {};
};

}  // namespace host
