#include "platform/ribbon.h"

#include "sim/trace.h"

extern "C" {

void RIM_CALL RibbonSelect(const char* applicationName) { sim::TraceLine("RibbonSelect").Quoted(applicationName); }

void RIM_CALL RibbonSwitch() { sim::TraceLine("RibbonSwitch"); }

}  // extern "C"
