// The message callback's rules, message by message, and the serial-data
// dispatch around the decoders.

#include "shell/event_router.h"
#include "tests/shell/shell_test.h"

namespace {

class EventRouterTest : public ShellTest {
protected:
    // The link as "Keyboard on" leaves it, without its trace.
    void OpenLink(KeyboardType type) {
        sim::ChooseKeyboardType(type);
        OpenKeyboardLink();
        sim::ClearTrace();
    }

    static int Deliver(std::int32_t device, std::int32_t event) {
        OsMessage message{device, event, 0, 0, 0, 0, 0};
        return OnOsMessage(&message);
    }
};

struct RouterCase {
    const char* what;
    bool linkOpen;
    std::int32_t device;
    std::int32_t event;
    Trace trace;
};

TEST_F(EventRouterTest, ActsOnEachMessageOnlyWhereItsRuleSays) {
    const Trace closing = {"0 CommSetDsr 0", "0 CommClosePort", "0 RimSetTimer 1025 0 1", "0 RimSetTimer 1026 0 1"};
    const RouterCase cases[] = {
        {"259 closes an open link", true, SystemDevice, CloseLinkEvent, closing},
        {"259 with the link closed", false, SystemDevice, CloseLinkEvent, {}},
        {"257 is the screen's, not the callback's", true, SystemDevice, ClearTestFieldEvent, {}},
        {"a device-3 event other than 769", true, IdleCheckDevice, 770, {}},
        {"LinkTimer while open", true, TimerDevice, LinkTimer, {"0 RimPagerSetup 1513920225 0"}},
        {"LinkTimer while closed", false, TimerDevice, LinkTimer, {}},
        {"another timer", true, TimerDevice, 1027, {}},
        {"259 on another device", true, IdleCheckDevice, CloseLinkEvent, {}},
        {"a device the callback does not know", true, 6, 1537, {}},
    };
    for (const RouterCase& routerCase : cases) {
        SCOPED_TRACE(routerCase.what);
        if (routerCase.linkOpen) {
            OpenLink(FlexisKeyboard);
        }
        EXPECT_EQ(Deliver(routerCase.device, routerCase.event), 1);
        EXPECT_EQ(sim::TakeTrace(), routerCase.trace);
        if (linkOpen != 0) {
            CloseKeyboardLink();
            sim::ClearTrace();
        }
    }
}

TEST_F(EventRouterTest, WithoutAScreenTimersDoNothingAndSerialDataIsNotRead) {
    OpenLink(PalmPortableKeyboard);
    activeScreen = nullptr;
    sim::QueueSerial({0x11});
    lastActivityTick = 5;
    EXPECT_EQ(Deliver(TimerDevice, LinkTimer), 1);
    EXPECT_EQ(Deliver(TimerDevice, RepeatTimer), 1);
    EXPECT_EQ(Deliver(SerialDevice, SerialDataEvent), 1);
    EXPECT_EQ(sim::TakeTrace(), Trace{});
    EXPECT_EQ(lastActivityTick, 5);
    EXPECT_EQ(CommReadChar(), 0x11);
}

TEST_F(EventRouterTest, AnUnknownKeyboardTypeReadsNothingButCountsAsActivity) {
    OpenLink(GoTypeKeyboard);
    screen->keyboardTypeField.selection = KeyboardTypeCount;
    sim::Wait(1234);
    sim::QueueSerial({0x1E});
    DispatchSerialData();
    EXPECT_EQ(lastActivityTick, 1234);
    EXPECT_EQ(sim::TakeTrace(), Trace{});
    EXPECT_EQ(CommReadChar(), 0x1E);
}

TEST_F(EventRouterTest, SerialDataGoesToTheDecoderSelectedAtThatMoment) {
    OpenLink(GoTypeKeyboard);
    sim::QueueSerial({0x1E});  // GoType "s"
    Deliver(SerialDevice, SerialDataEvent);
    sim::ChooseKeyboardType(HappyHackingKeyboard);
    sim::QueueSerial({0x1C});  // Happy Hacking "a"
    Deliver(SerialDevice, SerialDataEvent);
    EXPECT_EQ(sim::TakeTrace(), (Trace{"0 RimPostMessage app 2 513 115 0 0 0 0", "0 RimPostMessage app 2 513 97 0 0 0 0"}));
}

TEST_F(EventRouterTest, IdleRuleClosesAtExactlyTheTimeout) {
    struct IdleCase {
        std::uint32_t startTick;
        std::uint32_t idle;
        bool closes;
    };
    const IdleCase cases[] = {
        {0, IdleTimeout - 1, false},
        {0, IdleTimeout, true},
        {0xFFFFFF00u, IdleTimeout - 1, false},  // across the wrap of the counter
        {0xFFFFFF00u, IdleTimeout, true},
        {0x7FFFFF00u, IdleTimeout, true},       // across the sign change
    };
    for (const IdleCase& idleCase : cases) {
        SCOPED_TRACE(idleCase.startTick + idleCase.idle);
        sim::ResetKernel(idleCase.startTick);
        OpenLink(FlexisKeyboard);
        sim::Wait(idleCase.idle);
        Deliver(IdleCheckDevice, IdleCheckEvent);
        EXPECT_EQ(linkOpen == 0, idleCase.closes);
        if (linkOpen != 0) {
            CloseKeyboardLink();
        }
    }
}

}  // namespace
