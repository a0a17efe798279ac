#include "host/detect.h"

#include <algorithm>

#include "host/key_mode.h"
#include "host/keymap.h"
#include "host/us_layout.h"

namespace host {

namespace {

// Keeps the characters of the keys key mode presses.
class TypedText : public KeyOutput {
public:
    void Key(std::uint16_t code, bool down) override {
        const std::optional<char> character = UsCharacter(code, false);
        if (down && character && *character != ' ') {
            text += *character;
        }
    }
    void Unmapped(KeyNumber) override {}
    void HandheldOnly(std::string_view) override {}
    void ReleaseAll() override {}

    std::string text;
};

}  // namespace

std::string TypedOn(KeyboardType type, const std::vector<std::uint8_t>& bytes) {
    const Keymap keymap = DefaultKeymap(type);
    TypedText typed;
    KeyMode keyMode(keymap, typed);
    KeyFraming framing{};
    for (const std::uint8_t byte : bytes) {
        keyMode.Handle(byteProtocols[type](byte, framing));
    }
    return typed.text;
}

std::vector<KeyboardType> ModelsTyping(std::string_view word, const std::vector<std::uint8_t>& bytes,
                                       std::int32_t baud) {
    std::vector<KeyboardType> models;
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        if (lineSettings[type].baud == baud && TypedOn(type, bytes).find(word) != std::string::npos) {
            models.push_back(type);
        }
    }
    return models;
}

std::vector<std::int32_t> ModelBauds() {
    std::vector<std::int32_t> bauds;
    for (const LineSettings& line : lineSettings) {
        if (std::find(bauds.begin(), bauds.end(), line.baud) == bauds.end()) {
            bauds.push_back(line.baud);
        }
    }
    return bauds;
}

}  // namespace host
