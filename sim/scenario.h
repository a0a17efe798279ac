// Runs a scenario script on the simulated handheld: the script language and
// trace of the handheld's scenario format, plus two commands of our own
// (`note TEXT`, `app`).
#pragma once

#include <string>

#include "platform/kernel.h"

namespace sim {

using ApplicationEntry = void(RIM_CALL*)();

// How the trace is written for people (the plain trace is for tools).
struct ScenarioOptions {
    bool explain = false;      // a comment on each line that names its numbers
    bool foldRepeats = false;  // long runs of the same line counted, not written
};

// Starts the program at `entry` when the script says so and plays the rest
// of the script whenever the program's task waits for a message. The trace
// goes to standard output, a bad line's message to standard error. Never
// returns: exits 0 when the whole script ran, 2 at a bad line, 3 at a
// platform fault.
[[noreturn]] void RunScenario(const std::string& scriptName, const std::string& script, ApplicationEntry entry,
                              const ScenarioOptions& options = {});

}  // namespace sim
