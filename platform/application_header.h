// What the platform's loader reads to find the application in its module:
// the header `RimHeader`, alone at the start of section .version, and on
// OS 2.x the dependency records, back to back in section .rimdep. Only the
// PE modules carry them.
#pragma once

#include <cstdint>

#include "platform/kernel.h"

struct ApplicationName;

struct RimApplicationHeader {
    std::uint32_t marker;
    char signature[4];
    void(RIM_CALL* entry)();  // where the kernel starts the task
    std::uint32_t platformVersion;
    ApplicationName* name;  // the very buffer registration uses
    const std::uint32_t* loaderWord;
};

inline constexpr std::uint32_t headerMarker = 0xFFFFFFFF;
inline constexpr char headerSignature[4] = {'R', 'I', 'M', '\0'};

// A platform module the application depends on, with the version it needs.
struct DependencyRecord {
    const DependencyRecord* self;
    std::uint8_t version[4];
    std::uint16_t reserved;  // zero
    char moduleName[14];
};

#if defined(__i386__)
static_assert(sizeof(RimApplicationHeader) == 24);
static_assert(sizeof(DependencyRecord) == 24);
#endif

extern "C" {
extern RimApplicationHeader RimHeader;
extern const DependencyRecord _dRibbon;
extern const DependencyRecord _dOptions;
extern const DependencyRecord _dUI32;
}
