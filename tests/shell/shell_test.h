// The shell on a freshly reset handheld, with a screen built the way
// start-up builds it, and a way to run the task until it waits.
#pragma once

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "keyboards/key_posting.h"
#include "keyboards/pocketop.h"
#include "shell/event_router.h"
#include "shell/keyboard_link.h"
#include "shell/main_screen.h"
#include "shell/startup.h"
#include "sim/kernel.h"
#include "sim/trace.h"
#include "sim/ui_engine.h"

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetKernel();
        sim::ResetUiEngine();
        keyRepeatState = {};
        LayerFlags = 0;
        linkOpen = 0;
        lastActivityTick = 0;
        FillMenuEntryStrings();
        applicationObject.Construct();
        application = applicationObject.Get();
        screenObject.Construct(application);
        screen = screenObject.Get();
        application->ShowScreen(*screen);
        activeScreen = screen;
    }

    void TearDown() override {
        activeScreen = nullptr;
        screenObject.Destroy();
        applicationObject.Destroy();
        sim::SetTaskWaitHandler(nullptr);
    }

    static void Queue(std::int32_t device, std::int32_t event, std::int32_t subMessage = 0) {
        OsMessage message{};
        message.device = device;
        message.event = event;
        message.subMessage = subMessage;
        sim::QueueTaskMessage(message);
    }

    // Runs `task` until it waits for a message that nobody has queued.
    template <typename Task>
    static void RunUntilTaskWaits(Task task) {
        sim::SetTaskWaitHandler([] { std::longjmp(taskWaits, 1); });
        if (setjmp(taskWaits) == 0) {
            task();
            FAIL() << "the task returned";
        }
        sim::SetTaskWaitHandler(nullptr);
    }

    UiApplication* application = nullptr;
    MainScreen* screen = nullptr;

private:
    StaticObject<UiApplication> applicationObject;
    StaticObject<MainScreen> screenObject;
    static inline std::jmp_buf taskWaits;
};

using Trace = std::vector<std::string>;

// The keypad message as clearing leaves it: zeros, device 2.
inline bool KeypadMessageCleared() {
    const OsMessage cleared = {KeypadDevice, 0, 0, 0, 0, 0, 0};
    return std::memcmp(&KeypadMessage, &cleared, sizeof cleared) == 0;
}
