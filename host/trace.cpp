#include "host/trace.h"

#include "host/clock.h"

namespace host {

namespace {

std::FILE* traceOutput = nullptr;

}  // namespace

void TraceTo(std::FILE* output) { traceOutput = output; }

void TraceCall(std::string_view name, std::string_view arguments) {
    if (traceOutput == nullptr) {
        return;
    }
    std::fprintf(traceOutput, "%u %.*s%.*s\n", static_cast<std::uint32_t>(CurrentTick()),
                 static_cast<int>(name.size()), name.data(), static_cast<int>(arguments.size()), arguments.data());
    std::fflush(traceOutput);
}

std::string TraceNumbers(std::initializer_list<std::int64_t> numbers) {
    std::string text;
    for (const std::int64_t number : numbers) {
        text += ' ';
        text += std::to_string(number);
    }
    return text;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        text += hex;
    }
    return text;
}

}  // namespace host
