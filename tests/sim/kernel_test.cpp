// The simulated handheld's kernel: timers, callbacks, the serial queue, posts
// and how the trace writes them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "keyboards/key_codes.h"
#include "sim/kernel.h"
#include "sim/trace.h"

namespace {

// One delivery to a callback: the tick it ran at and the event it got.
struct Delivery {
    std::uint32_t tick;
    std::int32_t event;
    bool operator==(const Delivery&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Delivery& delivery) {
    return out << delivery.event << "@" << delivery.tick;
}

std::vector<Delivery> firstDeliveries;
std::vector<Delivery> secondDeliveries;
std::vector<std::string> callOrder;

int RIM_CALL RecordFirst(OsMessage* message) {
    firstDeliveries.push_back({sim::CurrentTick(), message->event});
    return 1;
}

int RIM_CALL RecordSecond(OsMessage* message) {
    secondDeliveries.push_back({sim::CurrentTick(), message->event});
    return 1;
}

// Raises a system event from inside the call that handles a timer expiry.
int RIM_CALL RaiseWhileRunning(OsMessage* message) {
    callOrder.push_back("enter " + std::to_string(message->event));
    if (message->event == RepeatTimer) {
        sim::DeliverEvent(SystemDevice, CloseLinkEvent);
    }
    callOrder.push_back("leave " + std::to_string(message->event));
    return 1;
}

class SimKernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetKernel();
        firstDeliveries.clear();
        secondDeliveries.clear();
        callOrder.clear();
    }

    // Every device-4 event reaches RecordFirst.
    static void RecordTimers() { RimRegisterMessageCallback(TimerDevice << 8, 0xFF00, &RecordFirst); }
};

TEST_F(SimKernelTest, TimersFireAtTheirOwnTicksInTickOrder) {
    RecordTimers();
    RimSetTimer(LinkTimer, 6, 1);
    RimSetTimer(RepeatTimer, 4, 1);
    sim::Wait(3);
    EXPECT_TRUE(firstDeliveries.empty());
    sim::Wait(9);
    // At tick 12 both fall due: the lower id goes first.
    EXPECT_EQ(firstDeliveries, (std::vector<Delivery>{{4, RepeatTimer},
                                                      {6, LinkTimer},
                                                      {8, RepeatTimer},
                                                      {12, RepeatTimer},
                                                      {12, LinkTimer}}));
    EXPECT_EQ(sim::CurrentTick(), 12u);
}

TEST_F(SimKernelTest, RestartingATimerRestartsItsPeriodAndStoppingEndsIt) {
    RecordTimers();
    RimSetTimer(RepeatTimer, 5, 1);
    sim::Wait(3);
    RimSetTimer(RepeatTimer, 5, 1);
    sim::Wait(10);
    EXPECT_EQ(firstDeliveries, (std::vector<Delivery>{{8, RepeatTimer}, {13, RepeatTimer}}));

    RimSetTimer(RepeatTimer, 0, 1);
    RimSetTimer(RepeatTimer, 0, 1);
    sim::Wait(50);
    EXPECT_EQ(firstDeliveries.size(), 2u);
    EXPECT_EQ(sim::TakeTrace(), (std::vector<std::string>{"0 RimRegisterMessageCallback 1024 65280",
                                                          "0 RimSetTimer 1025 5 1", "3 RimSetTimer 1025 5 1",
                                                          "13 RimSetTimer 1025 0 1", "13 RimSetTimer 1025 0 1"}));
}

TEST_F(SimKernelTest, WaitCarriesTimersAcrossTheTickWrap) {
    sim::ResetKernel(0xFFFFFFFEu);
    RecordTimers();
    const std::int32_t before = RimGetTicks();
    RimSetTimer(RepeatTimer, 5, 1);
    sim::Wait(9);
    EXPECT_EQ(firstDeliveries, (std::vector<Delivery>{{3, RepeatTimer}}));
    EXPECT_EQ(TicksBetween(before, RimGetTicks()), 9);
    EXPECT_EQ(sim::TakeTrace(), (std::vector<std::string>{"4294967294 RimRegisterMessageCallback 1024 65280",
                                                          "4294967294 RimSetTimer 1025 5 1"}));
}

TEST_F(SimKernelTest, MaskSelectsADeviceOrOneEvent) {
    RimRegisterMessageCallback(TimerDevice << 8, 0xFF00, &RecordFirst);
    RimRegisterMessageCallback(RepeatTimer, -1, &RecordSecond);
    const std::pair<std::int32_t, std::int32_t> events[] = {
        {TimerDevice, RepeatTimer}, {TimerDevice, LinkTimer}, {SerialDevice, SerialDataEvent},
        {SystemDevice, CloseLinkEvent}, {TimerDevice, 1100}};
    for (const auto& [device, event] : events) {
        sim::DeliverEvent(device, event);
    }
    EXPECT_EQ(firstDeliveries, (std::vector<Delivery>{{0, RepeatTimer}, {0, LinkTimer}, {0, 1100}}));
    EXPECT_EQ(secondDeliveries, (std::vector<Delivery>{{0, RepeatTimer}}));
}

TEST_F(SimKernelTest, EventRaisedDuringACallbackWaitsUntilItReturns) {
    RimRegisterMessageCallback(RepeatTimer, -1, &RaiseWhileRunning);
    RimRegisterMessageCallback(CloseLinkEvent, -1, &RaiseWhileRunning);
    RimSetTimer(RepeatTimer, 5, 1);
    sim::Wait(5);
    EXPECT_EQ(callOrder, (std::vector<std::string>{"enter 1025", "leave 1025", "enter 259", "leave 259"}));
}

TEST_F(SimKernelTest, SerialBytesAreLostWhileThePortIsClosed) {
    RimRegisterMessageCallback(SerialDataEvent, -1, &RecordFirst);
    sim::ReceiveSerial({0x41});
    sim::QueueSerial({0x42});
    EXPECT_EQ(CommReadChar(), -1);
    EXPECT_TRUE(firstDeliveries.empty());

    ASSERT_NE(CommOpenPort(9600, 8, 0, 1, 1, 1), 0);
    EXPECT_EQ(CommReadChar(), -1);
    sim::ReceiveSerial({0x43, 0xFF, 0x00});
    EXPECT_EQ(firstDeliveries, (std::vector<Delivery>{{0, SerialDataEvent}}));
    EXPECT_EQ(CommReadChar(), 0x43);
    EXPECT_EQ(CommReadChar(), 0xFF);
    EXPECT_EQ(CommReadChar(), 0x00);
    EXPECT_EQ(CommReadChar(), -1);
}

TEST_F(SimKernelTest, PostCopiesTheMessage) {
    OsMessage message{KeypadDevice, 513, 97, 0, 0, 2, -7};
    RimPostMessage(sim::appTask, &message);
    message.subMessage = 98;
    message.data0 = 0;
    ASSERT_EQ(sim::PostedMessages().size(), 1u);
    EXPECT_EQ(sim::PostedMessages()[0].task, sim::appTask);
    EXPECT_EQ(sim::PostedMessages()[0].message.subMessage, 97);
    EXPECT_EQ(sim::PostedMessages()[0].message.data0, 2);
    EXPECT_EQ(sim::TakeTrace(), std::vector<std::string>{"0 RimPostMessage app 2 513 97 0 0 2 -7"});
}

TEST_F(SimKernelTest, PostsToClavenetComeBackThroughItsMessageQueueInOrder) {
    OsMessage first{KeypadDevice, 513, 'a', 0, 0, 0, 1};
    OsMessage second{KeypadDevice, 520, 0, 0, 0, 2, 2};
    RimPostMessage(sim::clavenetTask, &first);
    RimPostMessage(sim::clavenetTask, &second);
    sim::QueueTaskMessage({SystemDevice, ClearTestFieldEvent, 0, 0, 0, 0, 0});
    OsMessage received{};
    for (const OsMessage& expected : {first, second, OsMessage{SystemDevice, ClearTestFieldEvent, 0, 0, 0, 0, 0}}) {
        ASSERT_TRUE(sim::TaskHasMessages());
        RimGetMessage(&received);
        EXPECT_EQ(received.event, expected.event);
        EXPECT_EQ(received.subMessage, expected.subMessage);
        EXPECT_EQ(received.data1, expected.data1);
    }
    EXPECT_FALSE(sim::TaskHasMessages());
}

// The task's wait is where the harness gets its turn: it runs until it has
// queued something.
TEST_F(SimKernelTest, AnEmptyQueueHandsTheWaitToTheHarness) {
    static int turns;
    turns = 0;
    sim::SetTaskWaitHandler([] {
        if (++turns == 2) {
            sim::QueueTaskMessage({KeypadDevice, KeyClickEvent, 0, 0, 0, 0, 0});
        }
    });
    OsMessage received{};
    RimGetMessage(&received);
    EXPECT_EQ(turns, 2);
    EXPECT_EQ(received.event, KeyClickEvent);
    sim::SetTaskWaitHandler(nullptr);
}

TEST_F(SimKernelTest, TheApplicationInFrontKeepsPrintableCharactersLessBackspaces) {
    const std::pair<std::int32_t, std::int32_t> posts[] = {
        {513, 'H'}, {513, 'x'}, {513, 8}, {513, 'i'}, {520, 'z'}, {513, 13}, {513, 127}, {513, '!'}, {518, 1}};
    for (const auto& [event, character] : posts) {
        OsMessage message{KeypadDevice, event, character, 0, 0, 0, 0};
        RimPostMessage(sim::appTask, &message);
    }
    OsMessage toClavenet{KeypadDevice, 513, 'q', 0, 0, 0, 0};
    RimPostMessage(sim::clavenetTask, &toClavenet);
    EXPECT_EQ(sim::ApplicationText(), "Hi!");
}

TEST_F(SimKernelTest, SteppedWaitDeliversOneExpiryAtATime) {
    RecordTimers();
    RimSetTimer(RepeatTimer, 5, 1);
    const std::uint64_t end = sim::ElapsedTicks() + 12;
    EXPECT_TRUE(sim::DeliverNextExpiry(end));
    EXPECT_EQ(firstDeliveries.size(), 1u);
    EXPECT_EQ(sim::CurrentTick(), 5u);
    EXPECT_TRUE(sim::DeliverNextExpiry(end));
    EXPECT_FALSE(sim::DeliverNextExpiry(end));
    EXPECT_EQ(sim::CurrentTick(), 10u);
    sim::AdvanceClockTo(end);
    EXPECT_EQ(sim::CurrentTick(), 12u);
}

// What the observer saw: each call with whether RepeatTimer ran right then.
std::vector<std::pair<sim::KernelCall, bool>> observedCalls;

TEST_F(SimKernelTest, TheObserverSeesPostsReadsAndTimerCallsOnceTheyTookEffect) {
    observedCalls.clear();
    sim::ObserveKernelCalls([](sim::KernelCall call) {
        observedCalls.emplace_back(call, sim::TimerRunning(RepeatTimer));
    });
    CommOpenPort(9600, 8, 0, 1, 1, 1);
    sim::QueueSerial({0x1c});
    RimSetTimer(RepeatTimer, 5, 1);
    OsMessage message{KeypadDevice, KeyCharEvent, 'a', 0, 0, 0, 0};
    RimPostMessage(sim::appTask, &message);
    EXPECT_EQ(CommReadChar(), 0x1c);
    RimSetTimer(RepeatTimer, 0, 1);
    EXPECT_FALSE(sim::TimerRunning(RepeatTimer));
    using enum sim::KernelCall;
    EXPECT_EQ(observedCalls, (std::vector<std::pair<sim::KernelCall, bool>>{
                                 {SetTimer, true}, {Post, true}, {PortRead, true}, {SetTimer, false}}));
}

TEST(QuoteForTraceTest, EscapesQuotesBackslashesAndUnprintableBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"", R"("")"},
        {"Clavenet", R"("Clavenet")"},
        {" ~", R"(" ~")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {"a\\b", R"("a\\b")"},
        {std::string("\0\x1f", 2), R"("\x00\x1f")"},
        {"\x7f\xab\xff", R"("\x7f\xab\xff")"},
        {"\t\"\\", R"("\x09\"\\")"},
    };
    for (const auto& [text, quoted] : cases) {
        EXPECT_EQ(sim::QuoteForTrace(text), quoted);
    }
}

}  // namespace
