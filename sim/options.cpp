#include "platform/options.h"

#include "sim/registration.h"
#include "sim/platform_calls.h"
#include "sim/trace.h"

extern "C" void RIM_CALL OptionsRegister(const char* applicationName, std::int32_t a, std::int32_t b,
                                         std::int32_t c) {
    sim::NoteCall("OptionsRegister");
    sim::registeredApplicationName = applicationName;
    sim::TraceLine("OptionsRegister").Quoted(applicationName).Number(a).Number(b).Number(c);
}
