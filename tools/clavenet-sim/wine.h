// The PE runner: the chosen build's real PE module, started by the
// handheld's loader under Wine on the platform modules of its generation.
#pragma once

#include <string>

#include "sim/scenario.h"

// Plays `script` there, with the trace on standard output. Never returns:
// exits with the scenario's status, or 1 when the module cannot be started.
[[noreturn]] void RunUnderWine(const std::string& build, const std::string& scriptName, const std::string& script,
                               const sim::ScenarioOptions& options);
