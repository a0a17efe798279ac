// The whole shell: the user picks keyboards, works the menu and the keypad,
// switches the link on and off; keyboards send bursts of any bytes; the
// kernel raises events 259, 769 and others; time passes; the application in
// front changes; the port may refuse to open.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>

#include "keyboards/key_codes.h"
#include "platform/kernel.h"
#include "shell/main_screen.h"
#include "sim/kernel.h"
#include "sim/ui_engine.h"
#include "tests/fuzz/handheld_driver.h"

namespace {

// More than the 90000 ticks after which an idle link closes.
constexpr std::uint32_t longestWait = 1 << 17;
// A RepeatTimer left running for a keyboard that does not repeat by timer
// beats every 5 ticks until the link closes: the ticks of one input are
// bounded so that no input runs for long.
constexpr std::uint32_t ticksPerInput = 1 << 20;
std::uint32_t ticksLeft;

void Wait(std::uint32_t ticks) {
    ticks = std::min(ticks, ticksLeft);
    ticksLeft -= ticks;
    fuzz::WaitTicks(ticks);
}

void PlayKeypadStep(FuzzedDataProvider& input) {
    const std::int32_t event = input.ConsumeBool()
                                   ? input.PickValueInArray({KeyCharEvent, KeyClickEvent, KeyMoveUpEvent,
                                                             KeyMoveDownEvent, KeyStatusEvent})
                                   : input.ConsumeIntegral<std::int32_t>();
    const std::int32_t subMessage = input.ConsumeBool()
                                        ? input.PickValueInArray<std::int32_t>({KeyBackspace, KeyEscape, KeyDelete, 'a'})
                                        : input.ConsumeIntegral<std::int32_t>();
    fuzz::QueueKeypadInput(event, subMessage);
}

void PlayStep(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 10)) {
    case 0:
        sim::ChooseKeyboardType(input.ConsumeIntegralInRange(0, KeyboardTypeCount - 1));
        break;
    case 1:
        fuzz::ChooseMenuEntry(input.ConsumeIntegralInRange(MenuCancelled, MenuEntryCount - 1));
        break;
    case 2:
        PlayKeypadStep(input);
        break;
    case 3:
        Wait(input.ConsumeIntegralInRange(1, 400));
        break;
    case 4:
        Wait(input.ConsumeIntegralInRange<std::uint32_t>(1, longestWait));
        break;
    case 5:
        fuzz::RaiseKernelEvent(input);
        break;
    case 6:
        sim::SetForeground(input.PickValueInArray({sim::Foreground::App, sim::Foreground::Clavenet,
                                                   sim::Foreground::None}));
        break;
    case 7:
        sim::SetPortFails(input.ConsumeBool());
        break;
    default:
        fuzz::SendSerialBurst(input);
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::PlayOnHandheld(
        data, size, {FlexisKeyboard, PocketopKeyboard, GoTypeKeyboard, HappyHackingKeyboard, PalmPortableKeyboard},
        [] { ticksLeft = ticksPerInput; }, &PlayStep);
    return 0;
}
