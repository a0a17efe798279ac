// What one byte from a keyboard says before any table is looked at: a key
// went down or came up, or nothing yet. Each model's header reads its own
// bytes with one function of the shape ByteProtocol; the handheld's
// decoders and the Linux host's key mode both go through it.
#pragma once

#include <cstddef>
#include <cstdint>

enum class KeyTransition : std::uint8_t {
    Make,
    Break,
    // RepeatTimer presenting heldKey again: a make that is not a new press.
    TimerRepeat,
};

// A key as the keyboard numbers it. A Happy Hacking key sent behind 0xE0
// carries ExtendedKey on top of its make code.
using KeyNumber = std::uint16_t;
inline constexpr KeyNumber ExtendedKey = 0xE000;
// The byte names no key: a prefix, or a number that is no key of the model.
inline constexpr KeyNumber NoKey = 0xFFFF;

struct KeyEvent {
    KeyNumber key;
    KeyTransition transition;
};

// What a protocol carries from one byte to the next.
struct KeyFraming {
    // A break announced and its key still to come: the Happy Hacking's 0xF0;
    // the Pocketop keeps its last byte's break here. On the handheld one
    // byte serves every model, so a break left by one model carries over to
    // the next while the link stays open.
    std::uint8_t releasePending;
    // 0xE0 seen: the next make code is an extended key's.
    std::uint8_t extendedPending;
};

using ByteProtocol = KeyEvent (*)(std::uint8_t byte, KeyFraming& framing);

// The one-byte protocols: bits 0..6 the key number, bit 7 the transition;
// numbers from `keyCount` on are no keys.
constexpr KeyEvent OneByteKeyEvent(std::uint8_t byte, KeyTransition setHighBit, std::size_t keyCount) {
    const std::uint8_t number = byte & 0x7F;
    const KeyTransition clearHighBit = setHighBit == KeyTransition::Make ? KeyTransition::Break : KeyTransition::Make;
    return {number < keyCount ? KeyNumber{number} : NoKey, (byte & 0x80) != 0 ? setHighBit : clearHighBit};
}
