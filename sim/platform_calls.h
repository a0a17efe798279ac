// Every call of the simulated platform reports itself here by name before it
// takes effect. Here the handheld holds the application's start-up to its
// order, call by call, from the task's entry to its first wait for a message;
// and a harness may watch the calls go by.
#pragma once

#include <string_view>

namespace sim {

// The loader starts the task now: until it first waits, each platform call
// must be the next step of the start-up. A kernel reset forgets it.
void ExpectStartUp();
void ForgetStartUp();

void NoteCall(std::string_view call);

// Called with the name of each platform call as it is made; null: nobody
// watches.
using CallObserver = void (*)(std::string_view call);
void ObserveCalls(CallObserver observer);

}  // namespace sim
