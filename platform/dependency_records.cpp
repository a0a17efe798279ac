// The OS 2.x loader checks these before it starts the application. The
// Options record is there although nothing is imported from that module.
#include "platform/application_header.h"

extern "C" {
[[gnu::section(".rimdep")]] const DependencyRecord _dRibbon = {&_dRibbon, {0x11, 0x01, 0x02, 0x00}, 0, "Ribbon"};
[[gnu::section(".rimdep")]] const DependencyRecord _dOptions = {&_dOptions, {0x12, 0x01, 0x02, 0x00}, 0, "Options"};
[[gnu::section(".rimdep")]] const DependencyRecord _dUI32 = {&_dUI32, {0x0F, 0x01, 0x02, 0x00}, 0, "UI32"};
}
