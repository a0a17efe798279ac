// The home-screen ribbon of the OS 2.x handhelds, as Clavenet calls it.
#pragma once

#include "platform/kernel.h"

extern "C" {
// Picks the application that the next switch goes to.
void RIM_CALL RibbonSelect(const char* applicationName);
// Switches to the selected application, or to the ribbon when none is.
void RIM_CALL RibbonSwitch();
}
