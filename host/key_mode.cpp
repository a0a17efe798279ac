#include "host/key_mode.h"

#include <linux/input-event-codes.h>

namespace host {

std::set<std::uint16_t> WithKeyboardKeys(std::set<std::uint16_t> keys) {
    for (std::uint16_t code = KEY_ESC; code <= KEY_S; ++code) {
        keys.insert(code);
    }
    return keys;
}

std::set<std::uint16_t> KeyModeKeys(const Keymap& keymap) {
    std::set<std::uint16_t> keys = keymap.Codes();
    keys.insert(KEY_LEFTSHIFT);  // for a layer's shifted symbols
    return WithKeyboardKeys(keys);
}

void KeyMode::Handle(KeyEvent event) {
    if (event.key == NoKey) {
        return;
    }
    if (event.transition == KeyTransition::Break) {
        Break(event.key);
    } else {
        Make(event.key);
    }
}

void KeyMode::Make(KeyNumber key) {
    if (pressed_.contains(key)) {
        return;
    }
    const KeymapEntry* entry = keymap_.Find(key);
    KeyAction action = entry != nullptr ? entry->base : KeyAction{};
    if (entry != nullptr && action.kind != KeyAction::Kind::LayerKey) {
        for (int layer = 0; layer < LayerCount; ++layer) {
            if (layerHolders_[layer] > 0 && entry->layers[layer].kind != KeyAction::Kind::None) {
                action = entry->layers[layer];
                break;
            }
        }
    }
    bool addedShift = false;
    switch (action.kind) {
    case KeyAction::Kind::None:
        output_.Unmapped(key);
        return;
    case KeyAction::Kind::LayerKey:
        ++layerHolders_[static_cast<int>(action.layer)];
        break;
    case KeyAction::Kind::Key:
        addedShift = action.shift && !ShiftDown();
        if (addedShift) {
            Press(KEY_LEFTSHIFT);
        }
        Press(action.code);
        break;
    }
    pressed_[key] = {action, addedShift};
}

void KeyMode::Break(KeyNumber key) {
    const auto pressed = pressed_.find(key);
    if (pressed == pressed_.end()) {
        return;
    }
    const auto [action, addedShift] = pressed->second;
    pressed_.erase(pressed);
    if (action.kind == KeyAction::Kind::LayerKey) {
        --layerHolders_[static_cast<int>(action.layer)];
        return;
    }
    Release(action.code);
    if (addedShift) {
        Release(KEY_LEFTSHIFT);
    }
}

void KeyMode::Press(std::uint16_t code) {
    if (holders_[code]++ == 0) {
        output_.Key(code, true);
    }
}

void KeyMode::Release(std::uint16_t code) {
    const auto holders = holders_.find(code);
    if (holders != holders_.end() && --holders->second == 0) {
        holders_.erase(holders);
        output_.Key(code, false);
    }
}

bool KeyMode::ShiftDown() const { return holders_.contains(KEY_LEFTSHIFT) || holders_.contains(KEY_RIGHTSHIFT); }

void KeyMode::ReleaseAll() {
    const std::map<std::uint16_t, int> holders = holders_;
    holders_.clear();
    pressed_.clear();
    for (int& layer : layerHolders_) {
        layer = 0;
    }
    for (const auto& [code, count] : holders) {
        output_.Key(code, false);
    }
}

std::vector<std::uint16_t> KeyMode::KeysDown() const {
    std::vector<std::uint16_t> codes;
    for (const auto& [code, count] : holders_) {
        codes.push_back(code);
    }
    return codes;
}

}  // namespace host
