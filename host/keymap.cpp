#include "host/keymap.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/default_keymaps.h"
#include "host/linux_keys.h"

namespace host {

namespace {

constexpr std::string_view layerNames[LayerCount] = {"fn", "num"};

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

std::optional<KeyNumber> ParseKeyNumber(std::string_view word) {
    const std::string text(word);
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || text[0] == '-' || text[0] == '+' || number >= NoKey) {
        return std::nullopt;
    }
    return static_cast<KeyNumber>(number);
}

struct Fault {
    std::string what;
};

KeyAction ParseAction(std::string_view word) {
    KeyAction action;
    if (word == "none") {
        return action;
    }
    for (int layer = 0; layer < LayerCount; ++layer) {
        if (word == layerNames[layer]) {
            action.kind = KeyAction::Kind::LayerKey;
            action.layer = static_cast<Layer>(layer);
            return action;
        }
    }
    constexpr std::string_view shiftPrefix = "shift+";
    std::string_view name = word;
    if (name.substr(0, shiftPrefix.size()) == shiftPrefix) {
        action.shift = true;
        name.remove_prefix(shiftPrefix.size());
    }
    const std::optional<std::uint16_t> code = LinuxKeyCode(name);
    if (!code) {
        throw Fault{"unknown key '" + std::string(name) +
                    "' (a name of linux/input-event-codes.h such as KEY_ESC, shift+ one, fn, num or none)"};
    }
    action.kind = KeyAction::Kind::Key;
    action.code = *code;
    return action;
}

std::string ActionText(const KeyAction& action) {
    switch (action.kind) {
    case KeyAction::Kind::None: return "none";
    case KeyAction::Kind::LayerKey: return std::string(layerNames[static_cast<int>(action.layer)]);
    case KeyAction::Kind::Key: break;
    }
    return (action.shift ? "shift+" : "") + std::string(LinuxKeyName(action.code));
}

// One line of a keymap file, without its comment.
KeymapEntry ParseEntry(const std::vector<std::string_view>& words, KeyNumber key) {
    KeymapEntry entry;
    if (words.size() < 2) {
        throw Fault{KeyNumberText(key) + " says not what the key is (a KEY_ name, shift+ one, fn, num or none)"};
    }
    entry.base = ParseAction(words[1]);
    for (std::size_t at = 2; at < words.size(); ++at) {
        const std::size_t colon = words[at].find(':');
        int layer = 0;
        while (layer < LayerCount && words[at].substr(0, colon) != layerNames[layer]) {
            ++layer;
        }
        if (colon == std::string_view::npos || layer == LayerCount) {
            throw Fault{"'" + std::string(words[at]) + "' is no layer entry (fn:ACTION or num:ACTION)"};
        }
        KeyAction& layered = entry.layers[layer];
        if (layered.kind != KeyAction::Kind::None) {
            throw Fault{"two " + std::string(layerNames[layer]) + ": entries for " + KeyNumberText(key)};
        }
        layered = ParseAction(words[at].substr(colon + 1));
        if (layered.kind == KeyAction::Kind::LayerKey) {
            throw Fault{"'" + std::string(words[at]) + "': a layer gives a key, not another layer"};
        }
    }
    if (entry.base.kind == KeyAction::Kind::LayerKey) {
        for (const KeyAction& layered : entry.layers) {
            if (layered.kind != KeyAction::Kind::None) {
                throw Fault{"a layer key has no layer entries"};
            }
        }
    }
    return entry;
}

}  // namespace

const KeymapEntry* Keymap::Find(KeyNumber key) const {
    const auto entry = entries.find(key);
    return entry != entries.end() ? &entry->second : nullptr;
}

std::set<std::uint16_t> Keymap::Codes() const {
    std::set<std::uint16_t> codes;
    const auto add = [&codes](const KeyAction& action) {
        if (action.kind == KeyAction::Kind::Key) {
            codes.insert(action.code);
        }
    };
    for (const auto& [key, entry] : entries) {
        add(entry.base);
        for (const KeyAction& layered : entry.layers) {
            add(layered);
        }
    }
    return codes;
}

// A key is what a byte names on its own, or after one byte that names none
// (a prefix, such as the Happy Hacking's 0xE0). Worked out once a model.
std::set<KeyNumber> KeysOf(KeyboardType type) {
    static std::map<KeyboardType, std::set<KeyNumber>> known;
    if (const auto found = known.find(type); found != known.end()) {
        return found->second;
    }
    std::set<KeyNumber>& keys = known[type];
    for (int first = 0; first <= 0xFF; ++first) {
        KeyFraming framing{};
        const KeyEvent event = byteProtocols[type](static_cast<std::uint8_t>(first), framing);
        if (event.key != NoKey) {
            keys.insert(event.key);
            continue;
        }
        for (int second = 0; second <= 0xFF; ++second) {
            KeyFraming afterFirst = framing;
            const KeyNumber key = byteProtocols[type](static_cast<std::uint8_t>(second), afterFirst).key;
            if (key != NoKey) {
                keys.insert(key);
            }
        }
    }
    return keys;
}

std::optional<std::string> ReadKeymap(std::string_view text, std::string_view name, KeyboardType type,
                                      Keymap& keymap) {
    const std::set<KeyNumber> keys = KeysOf(type);
    std::map<KeyNumber, int> lineOf;
    Keymap read = keymap;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(std::min(newline + 1, text.size()));
        std::string_view comment;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            comment = Trimmed(line.substr(hash + 1));
            line = line.substr(0, hash);
        }
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) {
            continue;
        }
        try {
            const std::optional<KeyNumber> key = ParseKeyNumber(words[0]);
            if (!key) {
                throw Fault{"'" + std::string(words[0]) + "' is no key number (0x1c, or 0xe075 for an extended key)"};
            }
            if (!keys.contains(*key)) {
                throw Fault{KeyNumberText(*key) + " is no key of the " + keyboardNames[type] + " keyboard"};
            }
            if (const auto earlier = lineOf.find(*key); earlier != lineOf.end()) {
                throw Fault{KeyNumberText(*key) + " is given twice (also on line " + std::to_string(earlier->second) +
                            ")"};
            }
            lineOf[*key] = lineNumber;
            KeymapEntry entry = ParseEntry(words, *key);
            entry.comment = comment;
            read.entries[*key] = entry;
        } catch (const Fault& fault) {
            return std::string(name) + ":" + std::to_string(lineNumber) + ": " + fault.what;
        }
    }
    keymap = read;
    return std::nullopt;
}

Keymap DefaultKeymap(KeyboardType type) {
    const std::string scriptName = keyboardScriptNames[type];
    Keymap keymap;
    if (const auto fault = ReadKeymap(DefaultKeymapText(scriptName), "keymaps/" + scriptName + ".keymap", type,
                                      keymap)) {
        // The build's own data: a fault here is the build's, not the user's.
        std::fprintf(stderr, "clavenet-attach: the default keymap is broken: %s\n", fault->c_str());
        std::abort();
    }
    return keymap;
}

std::string WriteKeymap(const Keymap& keymap, KeyboardType type) {
    std::string text = std::string("# clavenet-attach keymap for the ") + keyboardNames[type] +
                       " keyboard (--model " + keyboardScriptNames[type] +
                       ").\n"
                       "# KEY  ACTION  [fn:ACTION]  [num:ACTION]; a key not listed types nothing.\n"
                       "# The format: docs/attach.md, \"Keymaps\".\n";
    // Columns as wide as the widest entry of the default keymaps.
    constexpr std::size_t columns[] = {8, 20, 26, 18};
    const auto pad = [](std::string& line, std::size_t to) { line.resize(std::max(line.size() + 2, to), ' '); };
    for (const auto& [key, entry] : keymap.entries) {
        std::string line = KeyNumberText(key);
        std::size_t column = columns[0];
        pad(line, column);
        line += ActionText(entry.base);
        column += columns[1];
        for (int layer = 0; layer < LayerCount; ++layer) {
            if (entry.layers[layer].kind != KeyAction::Kind::None) {
                pad(line, column);
                line += std::string(layerNames[layer]) + ":" + ActionText(entry.layers[layer]);
            }
            column += columns[2 + layer];
        }
        if (!entry.comment.empty()) {
            pad(line, column);
            line += "# " + entry.comment;
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        text += line + "\n";
    }
    return text;
}

std::string KeyNumberText(KeyNumber key) {
    char text[8];
    std::snprintf(text, sizeof text, key > 0xFF ? "0x%04x" : "0x%02x", key);
    return text;
}

}  // namespace host
