// The Palm Portable decoder: one byte per key event, bit 7 the break, and
// held keys repeated by the repeat timer.

#include <optional>

#include "tests/keyboards/keyboard_test.h"
#include "keyboards/palm_portable.h"

namespace {

constexpr std::uint8_t Released(std::uint8_t index) { return static_cast<std::uint8_t>(index | 0x80); }

const std::string timerStarted = "RimSetTimer 1025 5 1";
const std::string timerStopped = "RimSetTimer 1025 0 1";

std::string At(std::uint32_t tick, const std::string& call) { return std::to_string(tick) + " " + call; }

class PalmPortableTest : public KeyboardTest {
protected:
    static Trace Press(const std::vector<std::uint8_t>& bytes) { return Send(DecodePalmPortable, bytes); }

    static Trace Posts(const Trace& trace) {
        Trace posts;
        for (const std::string& line : trace) {
            if (line.find(" RimPostMessage ") != std::string::npos) {
                posts.push_back(line);
            }
        }
        return posts;
    }

    static Trace WaitTicks(std::uint32_t ticks) {
        sim::Wait(ticks);
        return sim::TakeTrace();
    }
};

// Character posts of one key repeated every 10 ticks from `first` to `last`.
Trace EveryTenTicks(std::uint32_t first, std::uint32_t last, std::int32_t character, std::int32_t status = 0) {
    Trace posts;
    for (std::uint32_t tick = first; tick <= last; tick += 10) {
        posts.push_back(PostedChar(tick, character, status));
    }
    return posts;
}

Trace Joined(Trace first, const Trace& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST_F(PalmPortableTest, BitSevenMarksTheBreak) {
    EXPECT_EQ(Press({3}), (Trace{PostedChar(0, 'z'), At(0, timerStarted)}));
    EXPECT_EQ(keyRepeatState.heldKey, 'z');
    EXPECT_EQ(Press({131}), Trace{At(0, timerStopped)});
    EXPECT_EQ(keyRepeatState.heldKey, KeyNone);
    // Released, the same key goes out again at once.
    EXPECT_EQ(Posts(Press({3})), Trace{PostedChar(0, 'z')});
}

struct KeyCase {
    std::uint8_t index;
    std::optional<std::string> post;  // of the make, at tick 0
    std::int32_t statusWhileDown;
};

TEST_F(PalmPortableTest, EachKeyPostsItsEventAndStatusUntilItsBreak) {
    const KeyCase cases[] = {
        {8, Posted(0, KeyClickEvent, 0, 0, 0), 0},
        {24, PostedChar(0, KeyCapsLock), 0},
        {25, PostedChar(0, KeyTab), 0},
        {26, PostedChar(0, KeyControl), 0},
        {34, std::nullopt, 0},
        {35, Posted(0, KeyStatusEvent, 0, StatusAlt, 0), StatusAlt},
        {50, PostedChar(0, KeyBackspace), 0},
        {51, PostedChar(0, 128), 0},
        {59, PostedChar(0, 129), 0},
        {66, PostedChar(0, 130), 0},
        {74, PostedChar(0, 131), 0},
        {65, PostedChar(0, KeyEnter), 0},
        {79, PostedChar(0, KeyEnter), 0},
        {73, Posted(0, KeyMoveUpEvent, 1, 0, 0), 0},
        {82, Posted(0, KeyMoveDownEvent, 1, 0, 0), 0},
        {81, Posted(0, KeyMoveUpEvent, 1, StatusAlt, 0), StatusAlt},
        {83, Posted(0, KeyMoveDownEvent, 1, StatusAlt, 0), StatusAlt},
        {80, PostedChar(0, KeyBackspace, StatusAlt), StatusAlt},
        {88, Posted(0, KeyStatusEvent, 0, StatusShift, 0), StatusShift},
        {89, Posted(0, KeyStatusEvent, 0, StatusShift, 0), StatusShift},
        {23, PostedChar(0, ' '), 0},
        {55, PostedChar(0, ' '), 0},
        {27, std::nullopt, 0},
        {67, std::nullopt, 0},
        {84, std::nullopt, 0},
        {90, std::nullopt, 0},
        {127, std::nullopt, 0},
    };
    for (const KeyCase& key : cases) {
        SCOPED_TRACE("index " + std::to_string(key.index));
        StartAt(0);
        const Trace made = key.post ? Trace{*key.post, At(0, timerStarted)} : Trace{};
        EXPECT_EQ(Press({key.index}), made);
        EXPECT_EQ(Status(), key.statusWhileDown);
        const Trace released = key.post ? Trace{At(0, timerStopped)} : Trace{};
        EXPECT_EQ(Press({Released(key.index)}), released);
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(keyRepeatState.heldKey, KeyNone);
    }
}

TEST_F(PalmPortableTest, ShiftTranslatesCharactersAndLeavesControlAndExtendedCodes) {
    Press({17, Released(17)});
    // The status event keeps the sub-message of the post before it.
    EXPECT_EQ(Posts(Press({88})), Trace{Posted(0, KeyStatusEvent, 'a', StatusShift, 0)});
    const std::pair<std::uint8_t, std::int32_t> shifted[] = {
        {0, '!'},  {52, '*'},  {54, ')'},  {15, '~'},  {17, 'A'},  {3, 'Z'},         {49, '+'},
        {48, '_'}, {64, '"'},  {58, '|'},  {72, '?'},  {77, '<'},  {23, ' '},        {50, KeyBackspace},
        {65, KeyEnter}, {25, KeyTab}, {51, 128}, {59, 129}, {66, 130}, {74, 131},
    };
    for (const auto& [index, character] : shifted) {
        EXPECT_EQ(Posts(Press({index, Released(index)})), Trace{PostedChar(0, character, StatusShift)})
            << "index " << int{index};
    }
    Press({Released(88)});
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Posts(Press({0})), Trace{PostedChar(0, '1')});
}

TEST_F(PalmPortableTest, BothEnterKeysShareTheRepeatGate) {
    EXPECT_EQ(Posts(Press({65})), Trace{PostedChar(0, KeyEnter)});
    sim::Wait(24);
    EXPECT_EQ(Posts(Press({79})), Trace{});
    sim::Wait(1);
    EXPECT_EQ(Posts(Press({79})), Trace{PostedChar(25, KeyEnter)});
    Press({Released(79)});
    EXPECT_EQ(Posts(Press({65})), Trace{PostedChar(25, KeyEnter)});
}

TEST_F(PalmPortableTest, DeleteHoldsAltUntilItsOwnBreak) {
    EXPECT_EQ(Posts(Press({80})), Trace{PostedChar(0, KeyBackspace, StatusAlt)});
    EXPECT_EQ(Posts(Press({17, Released(17)})), Trace{PostedChar(0, 'a', StatusAlt)});
    EXPECT_EQ(Status(), StatusAlt);
    Press({Released(80)});
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Posts(Press({17})), Trace{PostedChar(0, 'a')});
}

TEST_F(PalmPortableTest, HeldKeyRepeatsAfter25ThenEvery10ForThirtyTwoPosts) {
    RepeatWith(DecodePalmPortable);
    const Trace pressed = Press({17});
    const Trace trace = Joined(pressed, WaitTicks(1000));
    const Trace expected =
        Joined(Joined({PostedChar(0, 'a'), At(0, timerStarted)}, EveryTenTicks(25, 325, 'a')), {At(325, timerStopped)});
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(sim::PostedMessages().size(), 32u);
}

TEST_F(PalmPortableTest, AdmittedPostAfterTheRunStartsANewRun) {
    RepeatWith(DecodePalmPortable);
    Press({17});
    sim::Wait(1000);
    sim::ClearTrace();
    const Trace pressed = Press({17});
    const Trace trace = Joined(pressed, WaitTicks(1000));
    const Trace expected = Joined(Joined({PostedChar(1000, 'a'), At(1000, timerStarted)}, EveryTenTicks(1010, 1310, 'a')),
                                  {At(1310, timerStopped)});
    EXPECT_EQ(trace, expected);
}

TEST_F(PalmPortableTest, BreakOfTheHeldKeyEndsTheRepeat) {
    RepeatWith(DecodePalmPortable);
    Press({17});
    EXPECT_EQ(WaitTicks(30), Trace{PostedChar(25, 'a')});
    EXPECT_EQ(Press({Released(17)}), Trace{At(30, timerStopped)});
    EXPECT_EQ(keyRepeatState.heldKey, KeyNone);
    EXPECT_EQ(WaitTicks(100), Trace{});
}

TEST_F(PalmPortableTest, BreakOutsideTheTableStillEndsTheRepeat) {
    RepeatWith(DecodePalmPortable);
    Press({17});
    sim::Wait(27);
    sim::ClearTrace();
    // A make outside the table is only dropped.
    EXPECT_EQ(Press({90}), Trace{});
    EXPECT_EQ(keyRepeatState.repeatTimerRunning, 1);
    EXPECT_EQ(Press({218}), Trace{At(27, timerStopped)});
    EXPECT_EQ(keyRepeatState.heldKey, 'a');
    EXPECT_EQ(WaitTicks(100), Trace{});
}

TEST_F(PalmPortableTest, BreakOfAnotherKeyEndsTheRepeatButKeepsTheHeldKey) {
    RepeatWith(DecodePalmPortable);
    EXPECT_EQ(Posts(Press({18, 17})), (Trace{PostedChar(0, 's'), PostedChar(0, 'a')}));
    EXPECT_EQ(WaitTicks(25), Trace{PostedChar(25, 'a')});
    EXPECT_EQ(Press({Released(18)}), Trace{At(25, timerStopped)});
    EXPECT_EQ(keyRepeatState.heldKey, 'a');
    EXPECT_EQ(WaitTicks(5), Trace{});
    // Still held, so the gate's 10-tick spacing applies to a fresh make.
    EXPECT_EQ(Press({17}), Trace{});
    sim::Wait(5);
    EXPECT_EQ(Press({17}), (Trace{PostedChar(35, 'a'), At(35, timerStarted)}));
}

TEST_F(PalmPortableTest, TimerEventThatFindsBytesDoesNotRepeatInThatCall) {
    RepeatWith(DecodePalmPortable);
    Press({17});
    EXPECT_EQ(WaitTicks(20), Trace{});
    // Due at 25, the repeat waits for the next timer event.
    sim::QueueSerial({34});
    EXPECT_EQ(WaitTicks(10), Trace{PostedChar(30, 'a')});
}

TEST_F(PalmPortableTest, TimerEventThatFindsOnlyADroppedByteStillRepeats) {
    RepeatWith(DecodePalmPortable);
    Press({17});
    EXPECT_EQ(WaitTicks(20), Trace{});
    // A make outside the table handles nothing: the repeat due at 25 goes out.
    sim::QueueSerial({90});
    EXPECT_EQ(WaitTicks(5), Trace{PostedChar(25, 'a')});
}

TEST_F(PalmPortableTest, WithNobodyInFrontTheTimerStillRunsAndCounts) {
    RepeatWith(DecodePalmPortable);
    sim::SetForeground(sim::Foreground::None);
    const Trace pressed = Press({17});
    const Trace trace = Joined(pressed, WaitTicks(1000));
    EXPECT_EQ(trace, (Trace{At(0, timerStarted), At(325, timerStopped)}));
    EXPECT_TRUE(sim::PostedMessages().empty());
    EXPECT_EQ(sim::YieldCount(), 32u);
}

TEST_F(PalmPortableTest, HeldShiftRepeatsItsStatusEvent) {
    RepeatWith(DecodePalmPortable);
    EXPECT_EQ(Posts(Press({88})), Trace{Posted(0, KeyStatusEvent, 0, StatusShift, 0)});
    EXPECT_EQ(WaitTicks(40), (Trace{Posted(25, KeyStatusEvent, 0, StatusShift, 25),
                                    Posted(35, KeyStatusEvent, 0, StatusShift, 35)}));
}

}  // namespace
