// The keypad road's end: what the decoders post, and the hot keys of the
// ribbon and power-off, as keys on the host.
#include "host/key_output.h"

#include <string>

#include "host/key_strokes.h"
#include "host/trace.h"
#include "platform/kernel.h"
#include "platform/ribbon.h"

namespace host {

namespace {

// Whoever is in front on the host: the program always has someone to post to.
constexpr TaskId hostTask = 2;

KeyOutput* keyOutput = nullptr;
const char* selectedApplication = nullptr;

}  // namespace

void SendKeysTo(KeyOutput* output) { keyOutput = output; }

}  // namespace host

extern "C" {

TaskId RIM_CALL RimGetForegroundApp() { return host::hostTask; }

// The keypad road: each message one stroke; nothing stays down after it.
int RIM_CALL RimPostMessage(TaskId task, OsMessage* message) {
    // The task as the simulated handheld names its application in front.
    host::TraceCall("RimPostMessage",
                    " app" + host::TraceNumbers({message->device, message->event, message->subMessage,
                                                 message->reserved1, message->reserved2, message->data0,
                                                 message->data1}));
    if (const auto key = host::HostKeyFor(*message); key && task == host::hostTask && host::keyOutput != nullptr) {
        for (const host::KeyTransitionEvent& transition : host::StrokeTransitions(*key)) {
            host::keyOutput->Key(transition.code, transition.down);
        }
        host::keyOutput->ReleaseAll();
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
