// One keyboard's decoder (FUZZED_KEYBOARD_NAME, the model's script name)
// behind the event router: the link is switched on for that keyboard, then
// bursts of any bytes come in, interleaved with waits that deliver
// RepeatTimer expiries, tick jumps of any length, changes of the application
// in front, and the link closing and opening again. Clavenet itself is never
// in front here (the shell target has it): the keys would reach its menu and
// could switch the link on again with LinkTimer running.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "platform/kernel.h"
#include "shell/main_screen.h"
#include "sim/kernel.h"
#include "sim/ui_engine.h"
#include "tests/fuzz/handheld_driver.h"

namespace {

constexpr KeyboardType fuzzedKeyboard = KeyboardTypeNamed(FUZZED_KEYBOARD_NAME);
static_assert(fuzzedKeyboard >= 0, "a corpus folder named after a model");

// LinkTimer only makes its RimPagerSetup call, and its 500-tick beat would
// make a tick jump cost millions of expiries: it is stopped after each open.
void SwitchLinkOn() {
    fuzz::ChooseMenuEntry(KeyboardOnEntry);
    fuzz::Then([] { RimSetTimer(LinkTimer, 0, 1); });
}

void PlayLinkStep(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: fuzz::RaiseKernelEvent(input); break;
    case 1: sim::SetPortFails(input.ConsumeBool()); break;
    default: SwitchLinkOn(); break;
    }
}

void PlayStep(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 9)) {
    case 0:
        fuzz::WaitTicks(input.ConsumeIntegralInRange(1, 64));
        break;
    case 1:
        fuzz::WaitTicks(input.ConsumeIntegralInRange(1, 400));
        break;
    case 2:
        fuzz::WaitTicks(input.ConsumeIntegral<std::uint32_t>());
        break;
    case 3:
        sim::SetForeground(input.ConsumeBool() ? sim::Foreground::App : sim::Foreground::None);
        break;
    case 4:
        PlayLinkStep(input);
        break;
    default:
        fuzz::SendSerialBurst(input);
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::PlayOnHandheld(
        data, size, {fuzzedKeyboard},
        [] {
            sim::ChooseKeyboardType(fuzzedKeyboard);
            SwitchLinkOn();
        },
        &PlayStep);
    return 0;
}
