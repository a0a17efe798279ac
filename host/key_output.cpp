#include "host/key_output.h"

#include <cstdio>
#include <string>

#include "host/trace.h"
#include "platform/kernel.h"
#include "platform/ribbon.h"

namespace host {

namespace {

// Whoever is in front on the host: the program always has someone to post to.
constexpr TaskId hostTask = 2;

KeyOutput* keyOutput = nullptr;
const char* selectedApplication = nullptr;

void Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

void PrintedKeys::Type(const HostKey& key) { Print(key.printed); }

void PrintedKeys::HandheldOnly(std::string_view name) { Print("<" + std::string(name) + ">"); }

void SendKeysTo(KeyOutput* output) { keyOutput = output; }

}  // namespace host

extern "C" {

TaskId RIM_CALL RimGetForegroundApp() { return host::hostTask; }

int RIM_CALL RimPostMessage(TaskId task, OsMessage* message) {
    // The task as the simulated handheld names its application in front.
    host::TraceCall("RimPostMessage",
                    " app" + host::TraceNumbers({message->device, message->event, message->subMessage,
                                                 message->reserved1, message->reserved2, message->data0,
                                                 message->data1}));
    if (const auto key = host::HostKeyFor(*message); key && task == host::hostTask && host::keyOutput != nullptr) {
        host::keyOutput->Type(*key);
    }
    return 1;
}

void RIM_CALL RibbonSelect(const char* applicationName) {
    host::TraceCall("RibbonSelect", " \"" + std::string(applicationName) + "\"");
    host::selectedApplication = applicationName;
}

// The handheld's switch goes to the selected application, or to the ribbon.
void RIM_CALL RibbonSwitch() {
    host::TraceCall("RibbonSwitch");
    if (host::keyOutput != nullptr) {
        host::keyOutput->HandheldOnly(host::selectedApplication != nullptr ? host::selectedApplication : "Ribbon");
    }
    host::selectedApplication = nullptr;
}

void RIM_CALL RimRequestPowerOff() {
    host::TraceCall("RimRequestPowerOff");
    if (host::keyOutput != nullptr) {
        host::keyOutput->HandheldOnly("PowerOff");
    }
}

}  // extern "C"
