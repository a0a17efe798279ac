// Linux's key codes by the names linux/input-event-codes.h gives them
// (KEY_A, KEY_LEFTCTRL), as keymaps write them, and as --print shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// The code of KEY_... `name`; none for a name the header does not define.
std::optional<std::uint16_t> LinuxKeyCode(std::string_view name);
// The first name the header gives `code`; empty for a code it names not.
std::string_view LinuxKeyName(std::uint16_t code);
// What --print calls a key that types no character: "Escape", "F11",
// "PageUp", or the header's name without KEY_ ("VOLUMEUP").
std::string KeyLabel(std::uint16_t code);

}  // namespace host
