// Plays a fuzz input against the whole program on the simulated handheld:
// the program starts at AppEntry, and whenever its task waits with nothing
// queued, the next step runs, after the checks of program_checks.h.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <functional>

#include "shell/main_screen.h"

namespace fuzz {

// Takes one step from the input; called only while input remains.
using StepPlayer = void (*)(FuzzedDataProvider& input);

// Starts the program on a handheld whose tick counter and device type come
// from the input, runs `setUp` at the first wait, then plays steps until the
// input is used up. `models`: as for WatchProgram.
void PlayOnHandheld(const std::uint8_t* data, std::size_t size, std::initializer_list<KeyboardType> models,
                    const std::function<void()>& setUp, StepPlayer playStep);

// A step for the task's next turns, before the input goes on.
void Then(std::function<void()> step);

// The user's actions, as a scenario's commands do them.
void ChooseMenuEntry(std::int32_t entry);  // MenuCancelled: Escape
void QueueKeypadInput(std::int32_t event, std::int32_t subMessage);
// Delivers one of the events the program registers for (or, now and then,
// any other) to the callback, and queues one of devices 1 and 2 for the
// task too. Serial-data and timer events come at any time, as those the
// kernel raised just before the link closed would.
void RaiseKernelEvent(FuzzedDataProvider& input);
// Lets the ticks pass one timer expiry a turn, so that the task handles what
// each one posted to it before the next.
void WaitTicks(std::uint64_t ticks);

// The keyboard sends a burst of 1 to 8 bytes.
void SendSerialBurst(FuzzedDataProvider& input);

}  // namespace fuzz
