// Each model's default keymap, the text of host/keymaps/MODEL.keymap as the
// build found it.
#pragma once

#include <string_view>

namespace host {

// The default keymap of the model whose script name is `scriptName`;
// empty for a model that has none.
std::string_view DefaultKeymapText(std::string_view scriptName);

}  // namespace host
