// Where the application registered its name from, on the ribbon or with the
// options module: the loader reads the same buffer through the header, so it
// must be that buffer itself, not a copy of the text.
#pragma once

namespace sim {

// Null until the application registers.
extern const char* registeredApplicationName;

}  // namespace sim
