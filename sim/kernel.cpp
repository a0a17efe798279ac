#include "sim/kernel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "provider/received_bytes.h"
#include "provider/timers.h"
#include "sim/platform_fault.h"
#include "sim/platform_calls.h"
#include "sim/text_entry.h"
#include "sim/trace.h"
#include "sim/ui_engine.h"

namespace sim {

namespace {

struct Registration {
    std::int32_t event;
    std::int32_t mask;
    MessageCallback callback;
};

struct Kernel {
    std::uint32_t startTick = 0;
    std::uint64_t elapsed = 0;
    provider::TimerTable timers;  // due in ticks since the reset
    std::vector<Registration> registrations;
    bool inCallback = false;
    std::deque<OsMessage> undelivered;
    provider::ReceivedBytes received;
    bool portOpen = false;
    bool portFails = false;
    Foreground foreground = Foreground::App;
    std::uint8_t deviceType = 3;
    std::vector<PostedMessage> posted;
    std::string applicationText;
    std::deque<OsMessage> taskMessages;
    TaskWaitHandler taskWaitHandler = nullptr;
    std::uint64_t yields = 0;
    // A post from the callback holds the receiver up until the poster
    // yields; without the yield the callback would post again, or return,
    // with the receiving task starved.
    bool yieldOwed = false;
    KernelCallObserver observer = nullptr;
};

Kernel kernel;

const char* TaskName(TaskId task) {
    switch (task) {
    case clavenetTask: return "clavenet";
    case appTask: return "app";
    default: return nullptr;
    }
}

constexpr std::string_view afterCallbackPost = "after a post inside the message callback";

void Observe(KernelCall call) {
    if (kernel.observer != nullptr) {
        kernel.observer(call);
    }
}

void CallCallbacks(OsMessage message) {
    std::vector<MessageCallback> called;
    for (const Registration& registration : kernel.registrations) {
        const bool matches = (message.event & registration.mask) == (registration.event & registration.mask);
        if (!matches || std::find(called.begin(), called.end(), registration.callback) != called.end()) {
            continue;
        }
        called.push_back(registration.callback);
        OsMessage copy = message;
        registration.callback(&copy);
        if (kernel.yieldOwed) {
            PlatformFault(afterCallbackPost, "RimTaskYield", "the callback's return");
        }
    }
}

}  // namespace

void ResetKernel(std::uint32_t startTick) {
    kernel = Kernel{};
    ForgetStartUp();
    kernel.startTick = startTick;
    ClearTrace();
}

std::uint32_t CurrentTick() { return kernel.startTick + static_cast<std::uint32_t>(kernel.elapsed); }

void SetDeviceType(std::uint8_t type) { kernel.deviceType = type; }
std::uint8_t DeviceType() { return kernel.deviceType; }
void SetForeground(Foreground who) { kernel.foreground = who; }
void SetPortFails(bool fails) { kernel.portFails = fails; }
bool PortOpen() { return kernel.portOpen; }

void Wait(std::uint32_t ticks) {
    const std::uint64_t end = kernel.elapsed + ticks;
    while (DeliverNextExpiry(end)) {
    }
    AdvanceClockTo(end);
}

std::uint64_t ElapsedTicks() { return kernel.elapsed; }

bool DeliverNextExpiry(std::uint64_t end) {
    // Timers may be started and stopped by the callbacks, so the next expiry
    // is looked for afresh each time.
    const auto expiry = kernel.timers.TakeDue(end);
    if (!expiry) {
        return false;
    }
    kernel.elapsed = expiry->due;
    DeliverEvent(TimerDevice, expiry->id);
    return true;
}

void AdvanceClockTo(std::uint64_t end) { kernel.elapsed = std::max(kernel.elapsed, end); }

void ReceiveSerial(const std::vector<std::uint8_t>& bytes) {
    if (!kernel.portOpen) {
        return;
    }
    QueueSerial(bytes);
    DeliverEvent(SerialDevice, SerialDataEvent);
}

void QueueSerial(const std::vector<std::uint8_t>& bytes) {
    if (kernel.portOpen) {
        kernel.received.Add(bytes);
    }
}

void DeliverEvent(std::int32_t device, std::int32_t event) {
    OsMessage message{};
    message.device = device;
    message.event = event;
    kernel.undelivered.push_back(message);
    // The kernel never calls a callback again before the earlier call has
    // returned: a message raised meanwhile waits its turn.
    if (kernel.inCallback) {
        return;
    }
    kernel.inCallback = true;
    while (!kernel.undelivered.empty()) {
        const OsMessage next = kernel.undelivered.front();
        kernel.undelivered.pop_front();
        CallCallbacks(next);
    }
    kernel.inCallback = false;
}

void QueueTaskMessage(const OsMessage& message) { kernel.taskMessages.push_back(message); }

bool TaskHasMessages() { return !kernel.taskMessages.empty(); }

void SetTaskWaitHandler(TaskWaitHandler handler) { kernel.taskWaitHandler = handler; }

bool TimerRunning(std::int32_t timer) { return kernel.timers.Running(timer); }

void ObserveKernelCalls(KernelCallObserver observer) { kernel.observer = observer; }

const std::vector<PostedMessage>& PostedMessages() { return kernel.posted; }

std::string ApplicationText() { return kernel.applicationText; }
std::uint64_t YieldCount() { return kernel.yields; }

}  // namespace sim

using sim::kernel;
using sim::TraceLine;

extern "C" {

int RIM_CALL RimGetMessage(OsMessage* message) {
    sim::NoteCall("RimGetMessage");
    if (sim::OnDisplay() == sim::Display::Blank) {
        sim::PlatformFault("the display while the task waits", "its screen or its menu",
                           "nothing: the menu was taken down and the screen not shown again");
    }
    while (kernel.taskMessages.empty()) {
        if (kernel.taskWaitHandler == nullptr) {
            std::fputs("clavenet's task waits for a message that nothing will send\n", stderr);
            std::abort();
        }
        kernel.taskWaitHandler();
    }
    *message = kernel.taskMessages.front();
    kernel.taskMessages.pop_front();
    return 1;
}

int RIM_CALL RimPostMessage(TaskId task, OsMessage* message) {
    sim::NoteCall("RimPostMessage");
    if (kernel.inCallback) {
        if (kernel.yieldOwed) {
            sim::PlatformFault(sim::afterCallbackPost, "RimTaskYield", "RimPostMessage");
        }
        kernel.yieldOwed = true;
    }
    kernel.posted.push_back({task, *message});
    if (task == sim::clavenetTask) {
        kernel.taskMessages.push_back(*message);
    } else if (task == sim::appTask) {
        sim::TypeInto(kernel.applicationText, *message);
    }
    TraceLine line("RimPostMessage");
    if (const char* name = sim::TaskName(task)) {
        line.Word(name);
    } else {
        line.Number(task);
    }
    line.Number(message->device).Number(message->event).Number(message->subMessage);
    line.Number(message->reserved1).Number(message->reserved2);
    line.Number(message->data0).Number(message->data1);
    sim::Observe(sim::KernelCall::Post);
    return 1;
}

TaskId RIM_CALL RimGetForegroundApp() {
    sim::NoteCall("RimGetForegroundApp");
    switch (kernel.foreground) {
    case sim::Foreground::App: return sim::appTask;
    case sim::Foreground::Clavenet: return sim::clavenetTask;
    case sim::Foreground::None: return 0;
    }
    return 0;
}

std::int32_t RIM_CALL RimGetTicks() {
    sim::NoteCall("RimGetTicks");
    return static_cast<std::int32_t>(sim::CurrentTick());
}

void RIM_CALL RimSetTimer(std::int32_t timer, std::int32_t interval, std::int32_t flag) {
    sim::NoteCall("RimSetTimer");
    TraceLine("RimSetTimer").Number(timer).Number(interval).Number(flag);
    kernel.timers.Set(timer, interval, kernel.elapsed);
    sim::Observe(sim::KernelCall::SetTimer);
}

void RIM_CALL RimSleep(std::int32_t units) {
    sim::NoteCall("RimSleep");
    TraceLine("RimSleep").Number(units);
}

void RIM_CALL RimTaskYield() {
    sim::NoteCall("RimTaskYield");
    ++kernel.yields;
    kernel.yieldOwed = false;
}

void RIM_CALL RimRegisterMessageCallback(std::int32_t event, std::int32_t mask, MessageCallback callback) {
    sim::NoteCall("RimRegisterMessageCallback");
    TraceLine("RimRegisterMessageCallback").Number(event).Number(mask);
    kernel.registrations.push_back({event, mask, callback});
}

void RIM_CALL RimGetDeviceInfo(std::uint8_t* record) {
    sim::NoteCall("RimGetDeviceInfo");
    TraceLine("RimGetDeviceInfo");
    std::memset(record, 0, 64);
    record[0] = kernel.deviceType;
}

void RIM_CALL RimRequestPowerOff() {
    sim::NoteCall("RimRequestPowerOff");
    TraceLine("RimRequestPowerOff");
}

void RIM_CALL RimPagerSetup(std::uint32_t key, std::int32_t value) {
    sim::NoteCall("RimPagerSetup");
    TraceLine("RimPagerSetup").Number(static_cast<std::int32_t>(key)).Number(value);
}

int RIM_CALL CommOpenPort(std::int32_t baud, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits,
                          std::int32_t optionA, std::int32_t optionB) {
    sim::NoteCall("CommOpenPort");
    TraceLine("CommOpenPort").Number(baud).Number(dataBits).Number(parity).Number(stopBits).Number(optionA).Number(
        optionB);
    if (kernel.portFails) {
        return 0;
    }
    kernel.portOpen = true;
    return 1;
}

void RIM_CALL CommSetDsr(std::int32_t level) {
    sim::NoteCall("CommSetDsr");
    TraceLine("CommSetDsr").Number(level);
}

int RIM_CALL CommReadChar() {
    sim::NoteCall("CommReadChar");
    sim::Observe(sim::KernelCall::PortRead);
    return kernel.received.Take();
}

void RIM_CALL CommClosePort() {
    sim::NoteCall("CommClosePort");
    TraceLine("CommClosePort");
    kernel.portOpen = false;
    kernel.received.Clear();
}

}  // extern "C"
