// A call that the handheld would refuse or misdraw ends the run: one line on
// standard error, "FILE:LINE: platform fault: WHAT (expected X, got Y)", and
// exit status 3.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

inline constexpr int platformFaultStatus = 3;

// The script line whose effects are running, as "FILE:LINE"; empty while the
// application starts, before the script has a say.
void SetFaultLocation(std::string location);

[[noreturn]] void PlatformFault(std::string_view what, std::string_view expected, std::string_view got);

// A fault unless `got` is `expected`.
void CheckArgument(std::string_view what, std::int64_t expected, std::int64_t got);
// Texts are shown quoted; null is a fault of its own.
void CheckText(std::string_view what, std::string_view expected, const char* got);

}  // namespace sim
