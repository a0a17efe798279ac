// Key mode behind each model's byte protocol, with the model's keymap and
// lines of a keymap file made of the input: any bytes, with every key let go
// at any point (an unplug, a stop signal, the hold limit). No key is pressed
// twice or released while up, none outside the keys the device declares,
// and once the keyboard has sent the break of every key it made, and again
// after every key is let go, none is down.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "host/key_mode.h"
#include "host/keymap.h"

namespace {

[[noreturn]] void Fail(const char* what, unsigned code) {
    std::fprintf(stderr, "fuzz check failed: %s (key %u)\n", what, code);
    std::abort();
}

class CheckedKeys : public host::KeyOutput {
public:
    explicit CheckedKeys(std::set<std::uint16_t> declared) : declared_(std::move(declared)) {}

    void Key(std::uint16_t code, bool down) override {
        if (!declared_.contains(code)) {
            Fail("a key the device does not declare", code);
        }
        if (down ? !down_.insert(code).second : down_.erase(code) == 0) {
            Fail(down ? "a key pressed while down" : "a key released while up", code);
        }
    }
    void Unmapped(KeyNumber) override {}
    void HandheldOnly(std::string_view) override {}
    void ReleaseAll() override {}

    void ExpectNoneDown(const char* when) const {
        if (!down_.empty()) {
            Fail(when, *down_.begin());
        }
    }

private:
    std::set<std::uint16_t> declared_;
    std::set<std::uint16_t> down_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const KeyboardType model = input.ConsumeIntegralInRange<KeyboardType>(0, KeyboardTypeCount - 1);
    static std::map<KeyboardType, host::Keymap> defaults;
    if (!defaults.contains(model)) {
        defaults[model] = host::DefaultKeymap(model);
    }
    host::Keymap keymap = defaults[model];
    if (input.ConsumeBool()) {
        // A refused file leaves the keymap as it was.
        host::ReadKeymap(input.ConsumeRandomLengthString(512), "fuzzed", model, keymap);
    }
    CheckedKeys keys(host::KeyModeKeys(keymap));
    host::KeyMode keyMode(keymap, keys);
    KeyFraming framing{};
    std::set<KeyNumber> made;
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeIntegralInRange(0, 31) == 0) {
            keyMode.ReleaseAll();
            keys.ExpectNoneDown("a key down after every key was let go");
            continue;
        }
        const KeyEvent event = byteProtocols[model](input.ConsumeIntegral<std::uint8_t>(), framing);
        if (event.key != NoKey && event.transition == KeyTransition::Break) {
            made.erase(event.key);
        } else if (event.key != NoKey) {
            made.insert(event.key);
        }
        keyMode.Handle(event);
    }
    for (const KeyNumber key : made) {
        keyMode.Handle({key, KeyTransition::Break});
    }
    keys.ExpectNoneDown("a key down after the break of every key made");
    keyMode.ReleaseAll();
    keys.ExpectNoneDown("a key down after every key was let go");
    return 0;
}
