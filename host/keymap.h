// What each key of a keyboard is on Linux, as data: per key number the Linux
// key it presses (with Shift where the US layout needs it for the legend),
// or a layer key, and what it is while a layer key is held. Each model has a
// default keymap (host/keymaps/); a keymap file given with --keymap replaces
// the lines of the keys it lists (docs/attach.md, "Keymaps").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "keyboards/byte_protocol.h"
#include "keyboards/keyboard_models.h"

namespace host {

enum class Layer : std::uint8_t { Fn, Num };
inline constexpr int LayerCount = 2;

struct KeyAction {
    enum class Kind : std::uint8_t {
        None,
        Key,
        // Held: the layer is on while the key is down.
        LayerKey,
    };
    Kind kind = Kind::None;
    std::uint16_t code = 0;  // Key: a Linux KEY_ code
    bool shift = false;      // Key: typed with Shift
    Layer layer = Layer::Fn;  // LayerKey
};

struct KeymapEntry {
    KeyAction base;
    KeyAction layers[LayerCount];  // None: the base action under that layer too
    std::string comment;           // what followed the line's '#', as written
};

struct Keymap {
    std::map<KeyNumber, KeymapEntry> entries;

    const KeymapEntry* Find(KeyNumber key) const;
    // Every Linux key an entry may press, Shift included where one needs it.
    std::set<std::uint16_t> Codes() const;
};

// Every key number model `type`'s byte protocol can name.
std::set<KeyNumber> KeysOf(KeyboardType type);

// Reads `text` as a keymap file for model `type`, its lines replacing those
// keys' entries in `keymap`. On a fault, "NAME:LINE: what is wrong" and
// `keymap` as it was.
std::optional<std::string> ReadKeymap(std::string_view text, std::string_view name, KeyboardType type,
                                      Keymap& keymap);

// Model `type`'s default keymap.
Keymap DefaultKeymap(KeyboardType type);

// `keymap` in the file format, as --print-keymap writes it.
std::string WriteKeymap(const Keymap& keymap, KeyboardType type);

// "0x1c", or "0xe075" for an extended key.
std::string KeyNumberText(KeyNumber key);

}  // namespace host
