// The trace of the simulated handheld: one line per platform call that has
// an effect outside the program, "<tick> <Name> <arguments...>".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Starts a line stamped with the current tick; arguments are appended with
// the helpers below and the line ends with EndTraceLine.
class TraceLine {
public:
    explicit TraceLine(std::string_view name);
    ~TraceLine();
    TraceLine(const TraceLine&) = delete;
    TraceLine& operator=(const TraceLine&) = delete;

    TraceLine& Number(std::int64_t value);
    TraceLine& Word(std::string_view word);
    TraceLine& Quoted(std::string_view text);

private:
    std::string line_;
};

// From now on, lines go straight to `output` instead of being kept; null:
// keep them again.
void StreamTraceTo(std::FILE* output);

const std::vector<std::string>& TraceLines();
// Hands over the lines traced so far and starts an empty trace.
std::vector<std::string> TakeTrace();
void ClearTrace();

// Quotes text the way the trace shows strings: \" and \\ escaped, any byte
// outside 32..126 as \xHH.
std::string QuoteForTrace(std::string_view text);

}  // namespace sim
