// The home-screen ribbon of the OS 2.x handhelds, as Clavenet calls it
// (ordinals 17, 23, 25, 26, 27 of the ribbon module).
#pragma once

#include <cstdint>

#include "platform/kernel.h"

// An image the ribbon shows for an application: one bit a pixel, each row
// padded to whole 16-bit words. Ten bytes on the handheld.
struct [[gnu::packed]] RibbonIcon {
    std::uint16_t format;  // 1
    std::uint16_t width;
    std::uint16_t height;
    const std::uint8_t* pixels;
};
static_assert(sizeof(RibbonIcon) == 6 + sizeof(void*));

extern "C" {
RIM_IMPORT void RIM_CALL RibbonRegister(const char* applicationName, std::int32_t a, std::int32_t b, std::int32_t c);
RIM_IMPORT void RIM_CALL RibbonSetIcon(const char* applicationName, const RibbonIcon* icon, std::int32_t a,
                                      std::int32_t b);
// Picks the application that the next switch goes to.
RIM_IMPORT void RIM_CALL RibbonSelect(const char* applicationName);
// Switches to the selected application, or to the ribbon when none is.
RIM_IMPORT void RIM_CALL RibbonSwitch();
RIM_IMPORT void RIM_CALL RibbonUnregister(const char* applicationName);
}
