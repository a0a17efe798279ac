// What the numbers of a trace line mean, in words, for `clavenet-sim
// --explain`.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// A comment for `line` ("<tick> <Name> <arguments...>"), without the "#";
// empty when the line says all there is.
std::string ExplainTraceLine(std::string_view line);

}  // namespace sim
