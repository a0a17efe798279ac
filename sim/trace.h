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

// How streamed lines are written for people.
struct TraceStyle {
    // A comment after each line that names what its numbers mean.
    bool explain = false;
    // A run of lines that differ only in their tick, at a steady interval,
    // is shown as its first line and one comment that counts the rest.
    bool foldRepeats = false;
};

// From now on, lines go straight to `output` instead of being kept; null:
// keep them again.
void StreamTraceTo(std::FILE* output, TraceStyle style = {});
// Writes what a fold still holds back; call before anything else is written
// to the terminal, and at the end.
void FlushTrace();
// A picture or a note for people: written as it is, each line a comment.
void TraceComment(std::string_view text);

const std::vector<std::string>& TraceLines();
// Hands over the lines traced so far and starts an empty trace.
std::vector<std::string> TakeTrace();
void ClearTrace();

// Quotes text the way the trace shows strings: \" and \\ escaped, any byte
// outside 32..126 as \xHH.
std::string QuoteForTrace(std::string_view text);

}  // namespace sim
