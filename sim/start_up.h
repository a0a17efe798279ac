// The application's start-up as the handheld expects it, call by call: from
// the task's entry to its first wait for a message.
#pragma once

#include <string_view>

namespace sim {

// The loader starts the task now: until it first waits, each platform call
// must be the next step of the start-up. A kernel reset forgets it.
void ExpectStartUp();
void ForgetStartUp();

// Every platform call reports itself by name before it takes effect.
void NoteCall(std::string_view call);

}  // namespace sim
