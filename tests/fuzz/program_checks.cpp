#include "tests/fuzz/program_checks.h"

#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "keyboards/key_posting.h"
#include "keyboards/keyboard_models.h"
#include "shell/keyboard_link.h"
#include "sim/kernel.h"
#include "sim/trace.h"
#include "sim/ui_engine.h"

namespace fuzz {

namespace {

// Written out rather than taken from the program, so that a change there
// cannot move the bar.
constexpr std::int32_t statusBitsMask = 1 | 2 | 4;
constexpr int mostPostsInARepeatRun = 32;

struct Watch {
    std::bitset<256> heldKeyCodes;
    bool repeatTimerRunning = false;  // as the kernel had it at the last timer call
    int repeatRunPosts = 0;
};

Watch watch;

bool RepeatsByTimer(KeyboardType model) { return keyboardDecoders[model].repeatTimer != nullptr; }

void AllowHeldKeys(KeyboardType model) {
    const ScanTableEntries& table = scanTables[model];
    for (std::size_t index = 0; index < table.size; ++index) {
        watch.heldKeyCodes.set(table.codes[index]);
    }
}

void CheckPost() {
    if (linkOpen == 0) {
        Fail("a post while the link is closed");
    }
    if ((sim::PostedMessages().back().message.data0 & ~statusBitsMask) != 0) {
        Fail("a post whose StatusBits go beyond their three bits");
    }
    // Only the two keyboards that repeat by timer count their posts.
    if (watch.repeatTimerRunning && RepeatsByTimer(sim::KeyboardTypeChoice()) &&
        ++watch.repeatRunPosts > mostPostsInARepeatRun) {
        Fail("more than 32 posts in one RepeatTimer run");
    }
}

void OnKernelCall(sim::KernelCall call) {
    switch (call) {
    case sim::KernelCall::Post:
        CheckPost();
        break;
    case sim::KernelCall::PortRead:
        if (linkOpen == 0) {
            Fail("a port read while the link is closed");
        }
        break;
    case sim::KernelCall::SetTimer: {
        const bool running = sim::TimerRunning(RepeatTimer);
        if (running && !watch.repeatTimerRunning) {
            watch.repeatRunPosts = 1;  // the post that started the run
        }
        watch.repeatTimerRunning = running;
        break;
    }
    }
}

}  // namespace

void Fail(const char* what) {
    // What the handheld saw up to here tells how the input got there.
    for (const std::string& line : sim::TraceLines()) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void WatchProgram(std::initializer_list<KeyboardType> models) {
    watch = Watch{};
    watch.heldKeyCodes.set(KeyNone);
    for (const KeyboardType model : models) {
        AllowHeldKeys(model);
    }
    sim::ObserveKernelCalls(&OnKernelCall);
}

void CheckProgramState() {
    if ((KeypadMessage.data0 & ~statusBitsMask) != 0) {
        Fail("StatusBits go beyond their three bits");
    }
    const bool timerRunning = sim::TimerRunning(RepeatTimer);
    if ((keyRepeatState.repeatTimerRunning != 0) != timerRunning) {
        Fail("repeatTimerRunning disagrees with the kernel's RepeatTimer");
    }
    if (linkOpen == 0 && timerRunning) {
        Fail("RepeatTimer runs while the link is closed");
    }
    if ((linkOpen != 0) != sim::PortOpen()) {
        Fail("linkOpen disagrees with the serial port");
    }
    if (!watch.heldKeyCodes.test(keyRepeatState.heldKey)) {
        Fail("heldKey holds a code of no table");
    }
}

}  // namespace fuzz
