#include "sim/keyboards.h"

#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "keyboards/key_codes.h"
#include "keyboards/keyboard_models.h"
#include "keyboards/pocketop.h"

namespace sim {

namespace {

// How the keyboard's bytes mark a press and a release, written here again
// rather than taken from the program's byte protocols: the simulator judges
// the decoders, so it must not share their reading of the bytes.
enum class Encoding {
    HighBitBreaks,  // press: the index; release: the index with bit 7 set
    HighBitPresses,
    ScanCodeSet2,  // press: the code; release: 0xF0 and the code
};

// The characters on a key's legend with and without shift: the simulator's
// own, for the same reason.
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

// How the keys of a model are typed on; the keys themselves are its scan
// table.
struct Keyboard {
    Encoding encoding;
    ShiftLegend shiftLegend;
    std::span<const Layer> layers;
};

constexpr Layer pocketopLayers[] = {
    {KeyFunction, pocketopFunctionLayer},
    {KeyNumberLayer, pocketopNumberLayer},
};

// In KeyboardType order.
constexpr Keyboard keyboards[] = {
    /* Flexis        */ {Encoding::HighBitPresses, usShiftLegend, {}},
    /* Pocketop      */ {Encoding::HighBitBreaks, pocketopShiftLegend, pocketopLayers},
    /* GoType        */ {Encoding::HighBitBreaks, usShiftLegend, {}},
    /* Happy Hacking */ {Encoding::ScanCodeSet2, usShiftLegend, {}},
    /* Palm Portable */ {Encoding::HighBitBreaks, usShiftLegend, {}},
};
static_assert(std::size(keyboards) == KeyboardTypeCount, "how each model of the record is typed on");

std::span<const KeyCode> Layout(std::int32_t model) {
    const ScanTableEntries& table = scanTables[model];
    return {table.codes, table.size};
}

bool IsLetter(char character) { return character >= 'a' && character <= 'z'; }

std::optional<std::uint8_t> FindKey(std::span<const KeyCode> layout, KeyCode code) {
    for (std::size_t index = 0; index < layout.size(); ++index) {
        if (layout[index] == code) {
            return static_cast<std::uint8_t>(index);
        }
    }
    return std::nullopt;
}

// A layer legend names letters as capitals.
std::optional<std::uint8_t> FindLegendKey(std::span<const KeyCode> layout, KeyCode legendKey) {
    if (legendKey >= 'A' && legendKey <= 'Z') {
        legendKey = static_cast<KeyCode>(legendKey - 'A' + 'a');
    }
    return FindKey(layout, legendKey);
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

std::optional<Chord> FindChord(std::int32_t model, char character) {
    const Keyboard& keyboard = keyboards[model];
    const std::span<const KeyCode> layout = Layout(model);
    const auto code = static_cast<KeyCode>(character);
    if (const auto key = FindKey(layout, code)) {
        return Chord{*key, std::nullopt};
    }
    const auto shiftKey = FindKey(layout, KeyShiftLeft);
    const auto lower = static_cast<char>(character - 'A' + 'a');
    if (shiftKey && IsLetter(lower)) {
        if (const auto key = FindKey(layout, static_cast<KeyCode>(lower))) {
            return Chord{*key, shiftKey};
        }
    }
    if (const std::size_t at = keyboard.shiftLegend.shifted.find(character); shiftKey && at != std::string_view::npos) {
        if (const auto key = FindKey(layout, static_cast<KeyCode>(keyboard.shiftLegend.plain[at]))) {
            return Chord{*key, shiftKey};
        }
    }
    for (const Layer& layer : keyboard.layers) {
        const auto layerKey = FindKey(layout, layer.layerKey);
        for (const KeyMapping& mapping : layer.legend) {
            if (mapping.to != code || !layerKey) {
                continue;
            }
            if (const auto key = FindLegendKey(layout, mapping.from)) {
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
        const auto chord = FindChord(model, character);
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

}  // namespace sim
