// The 950 pager's options module: applications register there by name
// (ordinal 11), with the same arguments as on the ribbon.
#pragma once

#include <cstdint>

#include "platform/kernel.h"

extern "C" {
RIM_IMPORT void RIM_CALL OptionsRegister(const char* applicationName, std::int32_t a, std::int32_t b,
                                        std::int32_t c);
}
