// The host's trace: the same line format as the simulated handheld's,
// "<tick> <Name> <arguments...>", one line per platform call with an effect
// outside the program, and one per burst of received bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// Null: nothing is traced (the default).
void TraceTo(std::FILE* output);

// `arguments` as they follow the name, each with its leading space.
void TraceCall(std::string_view name, std::string_view arguments = {});

// " 1 2 3": signed decimal words, as the trace writes numbers.
std::string TraceNumbers(std::initializer_list<std::int64_t> numbers);
// " 1c f0 1c": bytes as two hex digits each, as a script's "serial" writes them.
std::string HexBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace host
