// Which keyboard is on the line: what a run of bytes types, read through
// each model's byte protocol and default keymap, and which models it spells
// a given word for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keyboards/keyboard_models.h"

namespace host {

// The word --detect asks for: letters every model has keys for.
inline constexpr std::string_view detectionWord = "clavenet";

// What `bytes` type on model `type`, in key mode with its default keymap.
std::string TypedOn(KeyboardType type, const std::vector<std::uint8_t>& bytes);

// The models at `baud` for which `bytes` type `word`.
std::vector<KeyboardType> ModelsTyping(std::string_view word, const std::vector<std::uint8_t>& bytes,
                                       std::int32_t baud);

// Every baud rate a model uses, in the models' order.
std::vector<std::int32_t> ModelBauds();

}  // namespace host
