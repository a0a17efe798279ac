// What the platform's loader reads to find the application in its module:
// the header `RimHeader`, alone at the start of section .version, and on
// OS 2.x the dependency records, back to back in section .rimdep. Only the
// PE modules carry them.
#pragma once

#include <cstdint>

#include "platform/kernel.h"

// The name the application is known by; the loader reads the word that
// follows it, the program never does.
struct ApplicationName {
    char text[12];
    std::uint32_t loaderWord;
};
extern ApplicationName applicationName;

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
// The task starts here; it never returns.
void RIM_CALL AppEntry();
// Reason 0: the module is being unloaded. Always returns 1.
int RIM_LOADER_CALL LibraryEntry(void* module, std::uint32_t reason, void* reserved);

extern RimApplicationHeader RimHeader;
extern const DependencyRecord _dRibbon;
extern const DependencyRecord _dOptions;
extern const DependencyRecord _dUI32;
}
