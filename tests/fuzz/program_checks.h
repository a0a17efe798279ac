// What must hold of the program for any input, checked as the fuzz targets
// play their steps. A check that fails ends the run with the input kept.
#pragma once

#include <initializer_list>

#include "shell/main_screen.h"

namespace fuzz {

[[noreturn]] void Fail(const char* what);

// From a freshly reset kernel on, checks every post and port read as it is
// made and counts the posts of each RepeatTimer run. heldKey may hold a code
// of the tables of `models` that use the repeat gate, or none.
void WatchProgram(std::initializer_list<KeyboardType> models);

// The checks of the state in between two steps.
void CheckProgramState();

}  // namespace fuzz
