// How a simulated text field takes a keypad message: printable characters
// are appended, Backspace takes the last one back, everything else is ignored.
#pragma once

#include <cstddef>
#include <string>

#include "keyboards/key_codes.h"
#include "platform/kernel.h"

namespace sim {

inline void TypeInto(std::string& text, const OsMessage& message, std::size_t capacity = std::string::npos) {
    if (message.event != KeyCharEvent) {
        return;
    }
    const std::int32_t character = message.subMessage;
    if (character >= 32 && character <= 126 && text.size() < capacity) {
        text.push_back(static_cast<char>(character));
    } else if (character == KeyBackspace && !text.empty()) {
        text.pop_back();
    }
}

}  // namespace sim
