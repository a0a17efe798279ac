#include "sim/platform_fault.h"

#include <cstdio>
#include <cstdlib>

#include "sim/trace.h"

namespace sim {

namespace {

std::string faultLocation;

}  // namespace

void SetFaultLocation(std::string location) { faultLocation = std::move(location); }

void PlatformFault(std::string_view what, std::string_view expected, std::string_view got) {
    // The trace up to the refused call stays in front of the message.
    FlushTrace();
    const std::string line = (faultLocation.empty() ? "" : faultLocation + ": ") + "platform fault: " +
                             std::string(what) + " (expected " + std::string(expected) + ", got " +
                             std::string(got) + ")\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    std::exit(platformFaultStatus);
}

void CheckArgument(std::string_view what, std::int64_t expected, std::int64_t got) {
    if (got != expected) {
        PlatformFault(what, std::to_string(expected), std::to_string(got));
    }
}

void CheckText(std::string_view what, std::string_view expected, const char* got) {
    if (got == nullptr) {
        PlatformFault(what, QuoteForTrace(expected), "null");
    }
    if (got != expected) {
        PlatformFault(what, QuoteForTrace(expected), QuoteForTrace(got));
    }
}

}  // namespace sim
