// The serial link to the keyboard as the screen's menu and the event router
// switch it: the selected model's link, with LinkTimer beating while it is
// on.
#pragma once

#include "keyboards/link.h"

void OpenKeyboardLink();
// Only ever called while the link is open.
void CloseKeyboardLink();
