// Feeds each decoder a fixed mixed stream of 1 MiB on a do-nothing platform:
// the keyboard's own key transitions for a stretch of text, with a stray
// byte now and then, one serial event a transition, one tick between
// events, and the repeat timer's calls wherever the decoder keeps it
// running.
//
//   bench-decoders MODEL            decode once (run it under callgrind with
//                                   --toggle-collect='Decode*')
//   bench-decoders --allocations MODEL
//                                   print the heap allocations made while
//                                   decoding
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "bench/do_nothing_platform.h"
#include "keyboards/flexis.h"
#include "keyboards/gotype.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/palm_portable.h"
#include "keyboards/pocketop.h"
#include "sim/keyboards.h"

namespace {

constexpr std::size_t streamSize = 1 << 20;
constexpr std::int32_t repeatPeriod = 5;

constexpr std::string_view sampleText =
    "The quick brown fox jumps over the lazy dog, 0123456789 times; "
    "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS! (a-b=c) 'x' \"y\" [z] / ? ";

using Decoder = void (*)();
constexpr Decoder decoders[] = {DecodeFlexis, DecodePocketop, DecodeGoType, DecodeHappyHacking, DecodePalmPortable};

struct Event {
    std::uint32_t first;
    std::uint32_t count;
};

struct Stream {
    std::vector<std::uint8_t> bytes;
    std::vector<Event> events;
};

// Deterministic, so that every run decodes the same bytes.
std::uint32_t NextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// The text's key transitions on this keyboard, leaving out the characters
// it has no key for.
std::vector<sim::KeyTransitionBytes> TypeSample(std::int32_t model) {
    std::vector<sim::KeyTransitionBytes> transitions;
    for (const char character : sampleText) {
        const sim::Typing typing = sim::TypeOnKeyboard(model, std::string_view(&character, 1));
        if (typing.missing == 0) {
            transitions.insert(transitions.end(), typing.transitions.begin(), typing.transitions.end());
        }
    }
    return transitions;
}

Stream MakeStream(std::int32_t model) {
    const sim::Typing typing{TypeSample(model)};
    Stream stream;
    std::uint32_t random = 0x2545F491;
    for (std::size_t i = 0; stream.bytes.size() < streamSize; i = (i + 1) % typing.transitions.size()) {
        const Event event{static_cast<std::uint32_t>(stream.bytes.size()), 0};
        stream.bytes.insert(stream.bytes.end(), typing.transitions[i].begin(), typing.transitions[i].end());
        if (NextRandom(random) % 16 == 0) {
            stream.bytes.push_back(static_cast<std::uint8_t>(NextRandom(random)));
        }
        stream.events.push_back({event.first, static_cast<std::uint32_t>(stream.bytes.size()) - event.first});
    }
    stream.bytes.resize(streamSize);
    stream.events.back().count = static_cast<std::uint32_t>(streamSize) - stream.events.back().first;
    return stream;
}

bool countingAllocations = false;
std::size_t allocations = 0;

}  // namespace

// One serial event a transition, as the kernel would deliver them.
void Decode(Decoder decode, const Stream& stream) {
    for (const Event& event : stream.events) {
        bench::portNext = stream.bytes.data() + event.first;
        bench::portEnd = bench::portNext + event.count;
        decode();
        ++bench::tick;
        if (bench::repeatTimerRunning && bench::tick % repeatPeriod == 0) {
            decode();
        }
    }
}

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);

void* malloc(std::size_t size) {
    allocations += countingAllocations ? 1 : 0;
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    allocations += countingAllocations ? 1 : 0;
    return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) {
    allocations += countingAllocations ? 1 : 0;
    return __libc_realloc(block, size);
}
}

int main(int argc, char** argv) {
    const bool countOnly = argc == 3 && std::strcmp(argv[1], "--allocations") == 0;
    if (argc != 2 && !countOnly) {
        std::fputs("usage: bench-decoders [--allocations] MODEL (0..4)\n", stderr);
        return 2;
    }
    const int model = std::atoi(argv[argc - 1]);
    if (model < 0 || model > 4) {
        std::fputs("bench-decoders: MODEL is 0..4\n", stderr);
        return 2;
    }
    const Stream stream = MakeStream(model);
    countingAllocations = countOnly;
    Decode(decoders[model], stream);
    countingAllocations = false;
    if (countOnly) {
        std::printf("%zu\n", allocations);
    } else {
        std::printf("%s %zu bytes %zu events\n", sim::KeyboardName(model), stream.bytes.size(), stream.events.size());
    }
    return 0;
}
