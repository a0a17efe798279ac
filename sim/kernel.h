// The simulated handheld's kernel: what the harness (tests, the scenario
// runner) sees and drives. Nothing here follows the wall clock: ticks move
// only when the harness waits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel.h"

namespace sim {

enum class Foreground { App, Clavenet, None };

inline constexpr TaskId clavenetTask = 1;
inline constexpr TaskId appTask = 2;

struct PostedMessage {
    TaskId task;
    OsMessage message;
};

// Back to a handheld just switched on: no timers, no callbacks, port closed,
// another application in front, an empty trace.
void ResetKernel(std::uint32_t startTick = 0);

std::uint32_t CurrentTick();
void SetDeviceType(std::uint8_t type);
std::uint8_t DeviceType();
void SetForeground(Foreground who);
void SetPortFails(bool fails);
bool PortOpen();

// Lets `ticks` ticks pass, delivering each timer expiry at its own tick (equal
// ticks: lower timer id first) to the registered callbacks.
void Wait(std::uint32_t ticks);
// The same in steps: ticks since the reset, and the next expiry due by `end`
// (false when none is; the clock then still stands where it was).
std::uint64_t ElapsedTicks();
bool DeliverNextExpiry(std::uint64_t end);
void AdvanceClockTo(std::uint64_t end);

// The keyboard sends bytes: while the port is open they are queued and one
// serial-data event follows them; while it is closed they are lost.
void ReceiveSerial(const std::vector<std::uint8_t>& bytes);
// Queues bytes without the event, for driving a decoder directly.
void QueueSerial(const std::vector<std::uint8_t>& bytes);

// Delivers a message to every callback whose registration matches its event.
void DeliverEvent(std::int32_t device, std::int32_t event);

// Messages for Clavenet's own task, which RimGetMessage hands out in order.
void QueueTaskMessage(const OsMessage& message);
bool TaskHasMessages();
// Called while the task waits for a message and none is queued; it must queue
// one or never return. Without it, such a wait is a fault of the caller.
using TaskWaitHandler = void (*)();
void SetTaskWaitHandler(TaskWaitHandler handler);

bool TimerRunning(std::int32_t timer);

// The program's calls that a harness checks at the moment they are made.
enum class KernelCall { Post, PortRead, SetTimer };
// Called as the program makes each of those calls (a post or a timer call
// once it has taken effect); null: nobody watches.
using KernelCallObserver = void (*)(KernelCall call);
void ObserveKernelCalls(KernelCallObserver observer);

const std::vector<PostedMessage>& PostedMessages();
// What the application in front would show: the printable characters posted
// to it, less those that Backspace took back.
std::string ApplicationText();
std::uint64_t YieldCount();

}  // namespace sim
