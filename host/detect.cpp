#include "host/detect.h"

#include <algorithm>

#include "host/key_mode.h"
#include "host/key_output.h"
#include "host/keymap.h"

namespace host {

// What --print would show: the word stands in it as typed.
std::string TypedOn(KeyboardType type, const std::vector<std::uint8_t>& bytes) {
    const Keymap keymap = DefaultKeymap(type);
    std::string text;
    PrintedKeys typed([&text](std::string_view part) { text += part; });
    KeyMode keyMode(keymap, typed);
    KeyFraming framing{};
    for (const std::uint8_t byte : bytes) {
        keyMode.Handle(byteProtocols[type](byte, framing));
    }
    return text;
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
