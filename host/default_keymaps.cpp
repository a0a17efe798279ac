#include "host/default_keymaps.h"

namespace host {

namespace {

struct KeymapText {
    std::string_view model;
    std::string_view text;
};

constexpr KeymapText defaultKeymaps[] =
#include "default_keymaps.inc"
    ;

}  // namespace

std::string_view DefaultKeymapText(std::string_view scriptName) {
    for (const KeymapText& keymap : defaultKeymaps) {
        if (keymap.model == scriptName) {
            return keymap.text;
        }
    }
    return {};
}

}  // namespace host
