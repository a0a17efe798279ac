// The link to a keyboard as every provider runs it: the port opened with the
// model's line settings and the keyboard readied, its serial data and
// RepeatTimer expiries handed to the model's decoders, the port closed. The
// handheld's shell adds the choice field, the idle rule, LinkTimer and the
// menu; clavenet-attach adds its event loop, signals and replug.
#pragma once

#include <cstdint>

#include "keyboards/keyboard_models.h"

// The serial port is open for the keyboard.
extern std::uint8_t linkOpen;

// A new link for model `type`: the keypad message cleared and no break half
// received, then the port opened and the keyboard readied. A type that is no
// model, or a port that does not open, leaves the link closed.
void StartLink(KeyboardType type);
// Serial data has arrived: model `type`'s decoder reads it.
void OnLinkSerialData(KeyboardType type);
// RepeatTimer expired: the decoder of a model that repeats by timer runs.
void OnLinkRepeatTimer(KeyboardType type);
// DSR low, the port closed, the link closed, the repeat stopped.
void EndLink();
