#include "sim/trace.h"

#include <cstdio>

#include "sim/kernel.h"

namespace sim {

namespace {

std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
}

std::FILE* stream = nullptr;

}  // namespace

TraceLine::TraceLine(std::string_view name) : line_(std::to_string(CurrentTick())) {
    line_ += ' ';
    line_ += name;
}

TraceLine::~TraceLine() {
    if (stream != nullptr) {
        std::fputs(line_.c_str(), stream);
        std::fputc('\n', stream);
    } else {
        Lines().push_back(std::move(line_));
    }
}

void StreamTraceTo(std::FILE* output) { stream = output; }

TraceLine& TraceLine::Number(std::int64_t value) {
    line_ += ' ';
    line_ += std::to_string(value);
    return *this;
}

TraceLine& TraceLine::Word(std::string_view word) {
    line_ += ' ';
    line_ += word;
    return *this;
}

TraceLine& TraceLine::Quoted(std::string_view text) {
    line_ += ' ';
    line_ += QuoteForTrace(text);
    return *this;
}

const std::vector<std::string>& TraceLines() { return Lines(); }

std::vector<std::string> TakeTrace() {
    std::vector<std::string> taken;
    taken.swap(Lines());
    return taken;
}

void ClearTrace() { Lines().clear(); }

std::string QuoteForTrace(std::string_view text) {
    std::string quoted = "\"";
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += character;
        } else if (byte < 32 || byte > 126) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            quoted += escaped;
        } else {
            quoted += character;
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace sim
