#include "platform/ribbon.h"

#include "sim/platform_fault.h"
#include "sim/registration.h"
#include "sim/platform_calls.h"
#include "sim/trace.h"

namespace sim {

const char* registeredApplicationName = nullptr;

}  // namespace sim

extern "C" {

void RIM_CALL RibbonRegister(const char* applicationName, std::int32_t a, std::int32_t b, std::int32_t c) {
    sim::NoteCall("RibbonRegister");
    sim::registeredApplicationName = applicationName;
    sim::TraceLine("RibbonRegister").Quoted(applicationName).Number(a).Number(b).Number(c);
}

void RIM_CALL RibbonSetIcon(const char* applicationName, const RibbonIcon* icon, std::int32_t a, std::int32_t b) {
    sim::NoteCall("RibbonSetIcon");
    // The ribbon draws only the one image format.
    sim::CheckArgument("icon format", 1, icon->format);
    sim::TraceLine("RibbonSetIcon").Quoted(applicationName).Number(icon->width).Number(icon->height).Number(a).Number(b);
}

void RIM_CALL RibbonSelect(const char* applicationName) {
    sim::NoteCall("RibbonSelect");
    sim::TraceLine("RibbonSelect").Quoted(applicationName);
}

void RIM_CALL RibbonSwitch() {
    sim::NoteCall("RibbonSwitch");
    sim::TraceLine("RibbonSwitch");
}

void RIM_CALL RibbonUnregister(const char* applicationName) {
    sim::NoteCall("RibbonUnregister");
    sim::TraceLine("RibbonUnregister").Quoted(applicationName);
}

}  // extern "C"
