// The simulated UI engine as the harness sees it: what the user does on the
// screen, and what the screen shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel.h"

namespace sim {

// Back to no application object and no "Test:" text.
void ResetUiEngine();

// What the display shows of the application. The menu is drawn over the
// screen; once it is taken down the display stays blank until the screen is
// shown again.
enum class Display { NotYetShown, Screen, Menu, Blank };
Display OnDisplay();
// The application's screen is on the display, under the menu or not.
bool ScreenShown();
bool MenuShown();

// The "Keyboard type:" field of the application's screen, shown or not.
std::int32_t KeyboardTypeChoice();
void ChooseKeyboardType(std::int32_t index);
// The "Test:" field of the application's screen, shown or not.
std::string TestFieldText();

// The shown menu: whether `entry` can be chosen, and moving its current
// entry as the user does by rolling the wheel.
bool MenuEntryAvailable(std::int32_t entry);
void RollMenuTo(std::int32_t entry);

// The text of entry `entry` of the shown menu; empty when there is none.
std::string MenuEntryText(std::int32_t entry);

// The shown screen as the user sees it, drawn in text: the title, the
// fields, and the menu while it is up, its highlighted entry in brackets.
std::string ScreenPicture();

// Every message the program has handed to the application object, in order.
const std::vector<OsMessage>& HandedMessages();

}  // namespace sim
