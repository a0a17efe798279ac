// The five keyboards as the user types on them: which keys a text takes,
// and the bytes each key transition sends.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace sim {

// The bytes of one key transition (a press or a release).
using KeyTransitionBytes = std::vector<std::uint8_t>;

struct Typing {
    std::vector<KeyTransitionBytes> transitions;
    // The first character the keyboard has no key for; 0 when it has all.
    char missing = 0;
};

// Typing `text` on keyboard type `model`: for each character, the
// press and release of its key, with the shift or layer key held around it
// where the character needs one.
Typing TypeOnKeyboard(std::int32_t model, std::string_view text);

}  // namespace sim
