// The keypad road: what a keypad message that the decoders post becomes on a
// Linux host with a US layout: one key pressed and released, with Shift held
// around it where the character needs it, or nothing. No key is ever held
// from one message to the next, since the keyboards post no message when a
// key goes up.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/kernel.h"

namespace host {

struct HostKey {
    std::uint16_t code;  // a Linux KEY_ code
    bool shift;
};

std::optional<HostKey> HostKeyFor(const OsMessage& message);

// Every KEY_ code that HostKeyFor may give, Shift included.
std::vector<std::uint16_t> HostKeyCodes();

struct KeyTransitionEvent {
    std::uint16_t code;
    bool down;
};

// The transitions of one key stroke: Shift down, the key down, the key up,
// Shift up.
std::vector<KeyTransitionEvent> StrokeTransitions(const HostKey& key);

}  // namespace host
