#include "platform/application_header.h"

#include "platform/build.h"

// The loader finds the header at the start of its own section; the three
// addresses are relocated wherever the module is placed.
[[gnu::section(".version")]] RimApplicationHeader RimHeader = {
    headerMarker,
    {headerSignature[0], headerSignature[1], headerSignature[2], headerSignature[3]},
    &AppEntry,
    platformVersion,
    &applicationName,
    &applicationName.loaderWord,
};
