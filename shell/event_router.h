// The message callback: serial data to the selected model's decoder, the two
// timers, and the events that close the link.
#pragma once

#include <cstdint>

#include "platform/kernel.h"
#include "shell/main_screen.h"

// Tick of "Keyboard on" or of the last serial data handled.
extern std::int32_t lastActivityTick;
// Null until start-up has built the screen.
extern MainScreen* activeScreen;

// The link closes after this long without serial data.
inline constexpr std::int32_t IdleTimeout = 90000;

// Always returns 1.
int RIM_CALL OnOsMessage(OsMessage* message);
void DispatchSerialData();
