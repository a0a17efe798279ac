#include "sim/trace.h"

#include <algorithm>
#include <cstdio>

#include "sim/explain.h"
#include "sim/kernel.h"

namespace sim {

namespace {

std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
}

std::FILE* stream = nullptr;
TraceStyle style;

// The run of lines that folding holds back: the same name and arguments at
// ticks first, first + interval, ...; the first line is already written.
struct RepeatRun {
    std::string body;  // the line without its tick
    std::uint32_t firstTick = 0;
    std::uint32_t interval = 0;
    std::uint32_t heldBack = 0;  // lines after the first
};
RepeatRun run;

// Short runs are clearer written out than counted.
constexpr std::uint32_t FoldFrom = 3;

void Write(std::uint32_t tick, const std::string& body) {
    std::string line = std::to_string(tick) + ' ' + body;
    if (style.explain) {
        if (const std::string comment = ExplainTraceLine(line); !comment.empty()) {
            line += " # " + comment;
        }
    }
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

void WriteHeldBack() {
    if (run.heldBack >= FoldFrom) {
        const std::string name = run.body.substr(0, run.body.find(' '));
        std::fprintf(stream, "# \u2026 %u more %s, one every %u ticks\n", run.heldBack, name.c_str(), run.interval);
    } else {
        for (std::uint32_t i = 1; i <= run.heldBack; ++i) {
            Write(run.firstTick + i * run.interval, run.body);
        }
    }
    run.heldBack = 0;
}

void Stream(std::uint32_t tick, std::string body) {
    if (style.foldRepeats && !run.body.empty() && body == run.body) {
        const std::uint32_t interval = tick - (run.firstTick + run.heldBack * run.interval);
        // Lines at one tick are written out: "one every 0 ticks" says nothing.
        if (interval != 0 && (run.heldBack == 0 || interval == run.interval)) {
            run.interval = interval;
            ++run.heldBack;
            return;
        }
    }
    WriteHeldBack();
    Write(tick, body);
    run = RepeatRun{std::move(body), tick, 0, 0};
}

}  // namespace

TraceLine::TraceLine(std::string_view name) : line_(name) {}

TraceLine::~TraceLine() {
    if (stream != nullptr) {
        Stream(CurrentTick(), std::move(line_));
    } else {
        Lines().push_back(std::to_string(CurrentTick()) + ' ' + line_);
    }
}

void StreamTraceTo(std::FILE* output, TraceStyle newStyle) {
    FlushTrace();
    stream = output;
    style = newStyle;
    run = RepeatRun{};
}

void FlushTrace() {
    if (stream != nullptr) {
        WriteHeldBack();
        std::fflush(stream);
    }
}

void TraceComment(std::string_view text) {
    if (stream == nullptr) {
        return;
    }
    WriteHeldBack();
    // A comment ends any run: what follows it is not "more of the same".
    run = RepeatRun{};
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        std::fprintf(stream, "#%s%.*s\n", end > begin ? " " : "", static_cast<int>(end - begin), text.data() + begin);
        begin = end + 1;
    }
}

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
