#include "tests/fuzz/handheld_driver.h"

#include <csetjmp>
#include <deque>
#include <utility>

#include "keyboards/key_codes.h"
#include "shell/startup.h"
#include "sim/kernel.h"
#include "sim/platform_calls.h"
#include "sim/ui_engine.h"
#include "tests/fuzz/program_checks.h"

namespace fuzz {

namespace {

struct Play {
    FuzzedDataProvider* input = nullptr;
    StepPlayer playStep = nullptr;
    std::deque<std::function<void()>> steps;
};

Play play;
std::jmp_buf inputUsedUp;

void ChooseShownEntry(std::int32_t entry) {
    if (!sim::MenuShown()) {
        return;
    }
    if (entry != MenuCancelled && sim::MenuEntryAvailable(entry)) {
        sim::RollMenuTo(entry);
        QueueKeypadInput(KeyClickEvent, 0);
    } else {
        QueueKeypadInput(KeyCharEvent, KeyEscape);
    }
}

void OnTaskWaits() {
    while (!sim::TaskHasMessages()) {
        CheckProgramState();
        if (!play.steps.empty()) {
            const std::function<void()> step = std::move(play.steps.front());
            play.steps.pop_front();
            step();
        } else if (play.input->remaining_bytes() > 0) {
            play.playStep(*play.input);
        } else {
            // The task stays where it waits. Nothing on the frames left
            // behind needs destroying: the screen's destructors do nothing.
            std::longjmp(inputUsedUp, 1);
        }
    }
}

void WaitUntil(std::uint64_t end) {
    if (sim::DeliverNextExpiry(end)) {
        play.steps.emplace_front([end] { WaitUntil(end); });
    } else {
        sim::AdvanceClockTo(end);
    }
}

}  // namespace

void PlayOnHandheld(const std::uint8_t* data, std::size_t size, std::initializer_list<KeyboardType> models,
                    const std::function<void()>& setUp, StepPlayer playStep) {
    FuzzedDataProvider input(data, size);
    sim::ResetKernel(input.ConsumeIntegral<std::uint32_t>());
    sim::SetDeviceType(input.ConsumeIntegral<std::uint8_t>());
    sim::ResetUiEngine();
    play = Play{&input, playStep, {setUp}};
    WatchProgram(models);
    sim::SetTaskWaitHandler(&OnTaskWaits);
    if (setjmp(inputUsedUp) == 0) {
        sim::ExpectStartUp();
        AppEntry();
        Fail("the task returned");
    }
    sim::SetTaskWaitHandler(nullptr);
    CheckProgramState();
}

void Then(std::function<void()> step) { play.steps.push_back(std::move(step)); }

void ChooseMenuEntry(std::int32_t entry) {
    if (sim::MenuShown()) {
        ChooseShownEntry(entry);
        return;
    }
    QueueKeypadInput(KeyClickEvent, 0);
    Then([entry] { ChooseShownEntry(entry); });
}

void QueueKeypadInput(std::int32_t event, std::int32_t subMessage) {
    OsMessage message{};
    message.device = KeypadDevice;
    message.event = event;
    message.subMessage = subMessage;
    sim::QueueTaskMessage(message);
}

void RaiseKernelEvent(FuzzedDataProvider& input) {
    struct KernelEvent {
        std::int32_t device;
        std::int32_t event;
    };
    constexpr KernelEvent kernelEvents[] = {
        {SystemDevice, CloseLinkEvent}, {SystemDevice, ClearTestFieldEvent}, {IdleCheckDevice, IdleCheckEvent},
        {TimerDevice, RepeatTimer},     {TimerDevice, LinkTimer},            {SerialDevice, SerialDataEvent},
    };
    const auto [device, event] =
        input.ConsumeBool()
            ? input.PickValueInArray(kernelEvents)
            : KernelEvent{input.ConsumeIntegralInRange(SystemDevice, SerialDevice), input.ConsumeIntegral<std::int32_t>()};
    sim::DeliverEvent(device, event);
    if (device == SystemDevice || device == KeypadDevice) {
        OsMessage message{};
        message.device = device;
        message.event = event;
        sim::QueueTaskMessage(message);
    }
}

void WaitTicks(std::uint64_t ticks) {
    const std::uint64_t end = sim::ElapsedTicks() + ticks;
    Then([end] { WaitUntil(end); });
}

void SendSerialBurst(FuzzedDataProvider& input) {
    sim::ReceiveSerial(input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 8)));
}

}  // namespace fuzz
