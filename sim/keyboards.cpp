#include "sim/keyboards.h"

#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "keyboards/flexis.h"
#include "keyboards/gotype.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/key_codes.h"
#include "keyboards/palm_portable.h"
#include "keyboards/pocketop.h"
#include "shell/keyboard_models.h"

namespace sim {

namespace {

enum class Encoding {
    HighBitBreaks,  // press: the index; release: the index with bit 7 set
    HighBitPresses,
    ScanCodeSet2,  // press: the code; release: 0xF0 and the code
};

// The characters on a key's legend with and without shift.
struct ShiftLegend {
    std::string_view plain;
    std::string_view shifted;
};

constexpr ShiftLegend usShiftLegend = {"`1234567890-=[]\\;',./", "~!@#$%^&*()_+{}|:\"<>?"};
constexpr ShiftLegend pocketopShiftLegend = {",-.;", "<_>:"};

struct Layer {
    KeyCode layerKey;
    std::span<const KeyMapping> legend;
};

struct Keyboard {
    const char* name;
    const char* scriptName;
    std::span<const KeyCode> layout;
    Encoding encoding;
    ShiftLegend shiftLegend;
    std::span<const Layer> layers;
};

constexpr Layer pocketopLayers[] = {
    {KeyFunction, pocketopFunctionLayer},
    {KeyNumberLayer, pocketopNumberLayer},
};

const Keyboard keyboards[] = {
    {"Flexis", "flexis", flexisScanTable.codes, Encoding::HighBitPresses, usShiftLegend, {}},
    {"Pocketop", "pocketop", pocketopScanTable.codes, Encoding::HighBitBreaks, pocketopShiftLegend, pocketopLayers},
    {"GoType", "gotype", goTypeScanTable.codes, Encoding::HighBitBreaks, usShiftLegend, {}},
    {"Happy Hacking", "happy-hacking", happyHackingScanTable.codes, Encoding::ScanCodeSet2, usShiftLegend, {}},
    {"Palm Portable", "palm-portable", palmPortableScanTable.codes, Encoding::HighBitBreaks, usShiftLegend, {}},
};

bool IsLetter(char character) { return character >= 'a' && character <= 'z'; }

std::optional<std::uint8_t> FindKey(const Keyboard& keyboard, KeyCode code) {
    for (std::size_t index = 0; index < keyboard.layout.size(); ++index) {
        if (keyboard.layout[index] == code) {
            return static_cast<std::uint8_t>(index);
        }
    }
    return std::nullopt;
}

// A layer legend names letters as capitals.
std::optional<std::uint8_t> FindLegendKey(const Keyboard& keyboard, KeyCode legendKey) {
    if (legendKey >= 'A' && legendKey <= 'Z') {
        legendKey = static_cast<KeyCode>(legendKey - 'A' + 'a');
    }
    return FindKey(keyboard, legendKey);
}

KeyTransitionBytes Transition(const Keyboard& keyboard, std::uint8_t key, bool press) {
    switch (keyboard.encoding) {
    case Encoding::HighBitBreaks: return {static_cast<std::uint8_t>(press ? key : key | 0x80)};
    case Encoding::HighBitPresses: return {static_cast<std::uint8_t>(press ? key | 0x80 : key)};
    case Encoding::ScanCodeSet2: return press ? KeyTransitionBytes{key} : KeyTransitionBytes{0xF0, key};
    }
    return {};
}

// The key for `character`, and the key held around it (if any).
struct Chord {
    std::uint8_t key;
    std::optional<std::uint8_t> modifier;
};

std::optional<Chord> FindChord(const Keyboard& keyboard, char character) {
    const auto code = static_cast<KeyCode>(character);
    if (const auto key = FindKey(keyboard, code)) {
        return Chord{*key, std::nullopt};
    }
    const auto shiftKey = FindKey(keyboard, KeyShiftLeft);
    const auto lower = static_cast<char>(character - 'A' + 'a');
    if (shiftKey && IsLetter(lower)) {
        if (const auto key = FindKey(keyboard, static_cast<KeyCode>(lower))) {
            return Chord{*key, shiftKey};
        }
    }
    if (const std::size_t at = keyboard.shiftLegend.shifted.find(character); shiftKey && at != std::string_view::npos) {
        if (const auto key = FindKey(keyboard, static_cast<KeyCode>(keyboard.shiftLegend.plain[at]))) {
            return Chord{*key, shiftKey};
        }
    }
    for (const Layer& layer : keyboard.layers) {
        const auto layerKey = FindKey(keyboard, layer.layerKey);
        for (const KeyMapping& mapping : layer.legend) {
            if (mapping.to != code || !layerKey) {
                continue;
            }
            if (const auto key = FindLegendKey(keyboard, mapping.from)) {
                return Chord{*key, layerKey};
            }
        }
    }
    return std::nullopt;
}

}  // namespace

Typing TypeOnKeyboard(std::int32_t model, std::string_view text) {
    Typing typing;
    const Keyboard& keyboard = keyboards[model];
    for (const char character : text) {
        const auto chord = FindChord(keyboard, character);
        if (!chord) {
            typing.missing = character;
            typing.transitions.clear();
            return typing;
        }
        if (chord->modifier) {
            typing.transitions.push_back(Transition(keyboard, *chord->modifier, true));
        }
        typing.transitions.push_back(Transition(keyboard, chord->key, true));
        typing.transitions.push_back(Transition(keyboard, chord->key, false));
        if (chord->modifier) {
            typing.transitions.push_back(Transition(keyboard, *chord->modifier, false));
        }
    }
    return typing;
}

const std::int32_t KeyboardCount = static_cast<std::int32_t>(std::size(keyboards));
static_assert(std::size(keyboards) == KeyboardTypeCount, "one keyboard a model of the \"Keyboard type:\" field");

const char* KeyboardName(std::int32_t model) { return keyboards[model].name; }

const char* KeyboardScriptName(std::int32_t model) { return keyboards[model].scriptName; }

}  // namespace sim
