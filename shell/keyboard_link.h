// The serial link to the keyboard, opened with the selected model's line
// settings.
#pragma once

#include <cstdint>

// The serial port is open for the keyboard.
extern std::uint8_t linkOpen;

void OpenKeyboardLink();
// Only ever called while the link is open.
void CloseKeyboardLink();
