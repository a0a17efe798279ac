// Feeds each decoder what its keyboard sends while a person types, about
// 1 MiB of it, on a do-nothing platform (a tick taken as 10 ms):
// - one serial event a key transition. A character is its key's press and,
//   8 ticks later, its release; the next character follows 8 ticks after
//   that. A shift or layer key that the character needs goes down 4 ticks
//   before its key and up 4 ticks after it.
// - About one character in 50 is held for a second. The Flexis, GoType and
//   Happy Hacking keyboards repeat it themselves: its press again 50 ticks
//   after it went down, then every 10 ticks. The Palm Portable and Pocketop
//   keyboards do not; their decoders repeat it by timer.
// - The repeat timer fires 5 ticks after the decoder set it and every 5
//   ticks after that until it is stopped, as the kernel's does.
// - A stray byte comes with about one transition in 32: any byte but the
//   press of a key that would stay in force for the rest of the stream (a
//   modifier, a layer key, caps lock).
//
//   bench-decoders MODEL            decode once and print what the stream
//                                   held (run it under callgrind with
//                                   --toggle-collect='Decode*')
//   bench-decoders --allocations MODEL
//                                   print the heap allocations made while
//                                   the stream was made, then those made
//                                   while decoding
//   bench-decoders --models         the models' names, MODEL 0 first
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "bench/do_nothing_platform.h"
#include "keyboards/keyboard_models.h"
#include "sim/keyboards.h"

namespace {

constexpr std::size_t streamSize = 1 << 20;

constexpr std::string_view sampleText =
    "The quick brown fox jumps over the lazy dog, 0123456789 times; "
    "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS! (a-b=c) 'x' \"y\" [z] / ? ";

constexpr std::int32_t keyDownTicks = 8;
constexpr std::int32_t betweenKeysTicks = 8;
constexpr std::int32_t modifierLeadTicks = 4;
constexpr std::uint32_t oneHeldIn = 50;
constexpr std::int32_t heldKeyTicks = 100;
constexpr std::int32_t keyboardRepeatDelay = 50;
constexpr std::int32_t keyboardRepeatPeriod = 10;
constexpr std::uint32_t oneStrayIn = 32;

struct SerialEvent {
    std::int32_t tick;
    std::uint32_t first;
    std::uint32_t count;
};

struct Stream {
    std::vector<std::uint8_t> bytes;
    std::vector<SerialEvent> events;

    void Add(std::int32_t tick, const sim::KeyTransitionBytes& transition) {
        events.push_back({tick, static_cast<std::uint32_t>(bytes.size()), static_cast<std::uint32_t>(transition.size())});
        bytes.insert(bytes.end(), transition.begin(), transition.end());
    }
};

// Deterministic, so that every run decodes the same bytes.
std::uint32_t NextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// The keyboards that repeat a held key themselves are those whose decoders
// do not repeat it by timer.
bool KeyboardRepeatsHeldKeys(KeyboardType model) { return keyboardDecoders[model].repeatTimer == nullptr; }

// The code of the key that `byte` presses when it arrives on its own.
std::optional<KeyCode> PressedCode(KeyboardType model, std::uint8_t byte) {
    KeyFraming framing{};
    const KeyEvent event = byteProtocols[model](byte, framing);
    if (event.key == NoKey || event.transition != KeyTransition::Make) {
        return std::nullopt;
    }
    return scanTables[model].codes[event.key & 0xFF];
}

bool PressesLastingKey(KeyboardType model, std::uint8_t byte) {
    switch (PressedCode(model, byte).value_or(KeyNone)) {
    case KeyLeft:
    case KeyRight:
    case KeyShiftLeft:
    case KeyShiftRight:
    case KeyAlt:
    case KeyDelete:
    case KeyCapsLock:
    case KeyFunction:
    case KeyNumberLayer: return true;
    default: return false;
    }
}

class StreamWriter {
public:
    explicit StreamWriter(KeyboardType model) : model_(model) {}

    // One character's transitions: [press, release] or, with a shift or
    // layer key around it, [its press, press, release, its release].
    void Type(const std::vector<sim::KeyTransitionBytes>& transitions) {
        const bool modified = transitions.size() == 4;
        const sim::KeyTransitionBytes& press = transitions[modified ? 1 : 0];
        const sim::KeyTransitionBytes& release = transitions[modified ? 2 : 1];
        const bool held = NextRandom(random_) % oneHeldIn == 0;
        if (modified) {
            Send(transitions[0]);
            tick_ += modifierLeadTicks;
        }
        const std::int32_t down = tick_;
        Send(press);
        const std::int32_t up = down + (held ? heldKeyTicks : keyDownTicks);
        if (held && KeyboardRepeatsHeldKeys(model_)) {
            for (tick_ = down + keyboardRepeatDelay; tick_ < up; tick_ += keyboardRepeatPeriod) {
                Send(press);
            }
        }
        tick_ = up;
        Send(release);
        if (modified) {
            tick_ += modifierLeadTicks;
            Send(transitions[3]);
        }
        tick_ += betweenKeysTicks;
    }

    Stream& stream() { return stream_; }

private:
    void Send(const sim::KeyTransitionBytes& transition) {
        stream_.Add(tick_, transition);
        if (NextRandom(random_) % oneStrayIn != 0) {
            return;
        }
        std::uint8_t stray;
        do {
            stray = static_cast<std::uint8_t>(NextRandom(random_));
        } while (PressesLastingKey(model_, stray));
        stream_.bytes.push_back(stray);
        ++stream_.events.back().count;
    }

    KeyboardType model_;
    std::uint32_t random_ = 0x2545F491;
    std::int32_t tick_ = 0;
    Stream stream_;
};

Stream MakeStream(KeyboardType model) {
    StreamWriter writer(model);
    for (std::size_t i = 0; writer.stream().bytes.size() < streamSize; i = (i + 1) % sampleText.size()) {
        // Characters that the keyboard has no key for are left out.
        const sim::Typing typing = sim::TypeOnKeyboard(model, sampleText.substr(i, 1));
        if (typing.missing == 0) {
            writer.Type(typing.transitions);
        }
    }
    return std::move(writer.stream());
}

// The serial events in their order, with the repeat timer's expiries
// between them; returns how many expiries there were.
std::size_t Decode(const KeyboardDecoders& decoders, const Stream& stream) {
    std::size_t expiries = 0;
    for (const SerialEvent& event : stream.events) {
        while (bench::repeatTimerInterval != 0 && bench::repeatTimerDue <= event.tick) {
            bench::tick = bench::repeatTimerDue;
            bench::repeatTimerDue += bench::repeatTimerInterval;
            decoders.repeatTimer();
            ++expiries;
        }
        bench::tick = event.tick;
        bench::portNext = stream.bytes.data() + event.first;
        bench::portEnd = bench::portNext + event.count;
        decoders.serialData();
    }
    return expiries;
}

std::size_t allocations = 0;

}  // namespace

// Linked with --wrap for each, so that every allocation in the program,
// the C++ library's included, comes through here.
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t size) {
    ++allocations;
    return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
    ++allocations;
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
    ++allocations;
    return __real_realloc(block, size);
}
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--models") == 0) {
        for (const char* name : keyboardNames) {
            std::printf("%s\n", name);
        }
        return 0;
    }
    const bool countOnly = argc == 3 && std::strcmp(argv[1], "--allocations") == 0;
    if (argc != 2 && !countOnly) {
        std::fprintf(stderr, "usage: bench-decoders [--allocations] MODEL (0..%d)\n", KeyboardTypeCount - 1);
        return 2;
    }
    const int model = std::atoi(argv[argc - 1]);
    if (model < 0 || model >= KeyboardTypeCount) {
        std::fprintf(stderr, "bench-decoders: MODEL is 0..%d\n", KeyboardTypeCount - 1);
        return 2;
    }
    const Stream stream = MakeStream(model);
    // Making the stream allocates: a count of 0 there would mean the
    // counter sees nothing.
    const std::size_t makingTheStream = allocations;
    const std::size_t expiries = Decode(keyboardDecoders[model], stream);
    if (countOnly) {
        std::printf("%zu %zu\n", makingTheStream, allocations - makingTheStream);
    } else {
        std::printf("%s: %zu bytes, %zu serial events, %zu repeat timer events, %d ticks\n", keyboardNames[model],
                    stream.bytes.size(), stream.events.size(), expiries, stream.events.back().tick);
    }
    return 0;
}
