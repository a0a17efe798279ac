// GoType: one byte per key transition, bit 7 set on release; every press goes
// through the repeat gate.

#include <cstdint>
#include <tuple>

#include "keyboards/gotype.h"
#include "tests/keyboards/keyboard_test.h"

namespace {

constexpr std::uint8_t Press(std::uint8_t keyNumber) { return keyNumber; }
constexpr std::uint8_t Release(std::uint8_t keyNumber) { return keyNumber | 0x80; }

// Key numbers on the GoType.
constexpr std::uint8_t KeyNumber1 = 2;
constexpr std::uint8_t KeyNumber2 = 3;
constexpr std::uint8_t KeyNumberQ = 16;
constexpr std::uint8_t KeyNumberA = 29;
constexpr std::uint8_t KeyNumberS = 30;
constexpr std::uint8_t KeyNumberQuote = 39;
constexpr std::uint8_t KeyNumberB = 45;
constexpr std::uint8_t KeyNumberLeft = 55;
constexpr std::uint8_t KeyNumberShift = 91;
constexpr std::uint8_t KeyNumberFunction = 102;
constexpr std::uint8_t FirstUnassigned = 103;

// Everything a decoder could leave behind, plus the yields it made.
auto DecoderState() {
    const OsMessage& m = KeypadMessage;
    const KeyRepeatState& r = keyRepeatState;
    return std::tuple(m.device, m.event, m.subMessage, m.reserved1, m.reserved2, m.data0, m.data1, r.heldKey,
                      r.lastPostTick, r.repeatThreshold, r.repeatTimerRunning, r.repeatPostCount, r.releasePending,
                      sim::YieldCount());
}

class GoTypeTest : public KeyboardTest {
protected:
    // A tick other than 0, so that the admitted tick of a post means something.
    void SetUp() override { StartAt(500); }

    static Trace Keys(const std::vector<std::uint8_t>& bytes) { return Send(DecodeGoType, bytes); }
    static std::string Message(std::int32_t event, std::int32_t sub, std::int32_t status) {
        return Posted(sim::CurrentTick(), event, sub, status, static_cast<std::int32_t>(sim::CurrentTick()));
    }
};

TEST_F(GoTypeTest, PressPostsAndReleasePostsNothing) {
    keyRepeatState.releasePending = 1;  // another model's; not this decoder's to touch

    EXPECT_EQ(Keys({Press(KeyNumberS)}), Trace{PostedCharNow('s')});
    EXPECT_EQ(keyRepeatState.heldKey, 's');
    EXPECT_EQ(Keys({Release(KeyNumberS)}), Trace{});
    EXPECT_EQ(keyRepeatState.heldKey, KeyNone);
    EXPECT_EQ(keyRepeatState.releasePending, 1);
}

TEST_F(GoTypeTest, UnassignedKeyNumbersChangeNothing) {
    keyRepeatState.releasePending = 1;
    keyRepeatState.repeatPostCount = 3;
    ASSERT_EQ(Keys({Press(KeyNumberShift)}).size(), 1u);  // heldKey, status and event all set
    const auto before = DecoderState();

    for (int keyNumber = FirstUnassigned; keyNumber <= 127; ++keyNumber) {
        const auto number = static_cast<std::uint8_t>(keyNumber);
        EXPECT_EQ(Keys({Press(number), Release(number)}), Trace{}) << "key " << keyNumber;
        EXPECT_EQ(DecoderState(), before) << "key " << keyNumber;
    }
}

TEST_F(GoTypeTest, CallWithNoByteWaitingChangesNothing) {
    ASSERT_EQ(Keys({Press(KeyNumberLeft)}).size(), 1u);
    const auto before = DecoderState();

    EXPECT_EQ(Keys({}), Trace{});
    EXPECT_EQ(DecoderState(), before);
}

TEST_F(GoTypeTest, NonCharacterKeysPostTheirEventAndHoldTheirStatusUntilRelease) {
    constexpr std::int32_t previousSub = 'q';
    struct Case {
        std::uint8_t keyNumber;
        std::int32_t event;
        std::int32_t sub;
        std::int32_t statusWhileHeld;
        std::int32_t typedWhileHeld;  // what key "s" gives meanwhile
    };
    const Case cases[] = {
        {14, KeyCharEvent, KeyBackspace, 0, 's'},
        {15, KeyCharEvent, KeyTab, 0, 's'},
        {40, KeyCharEvent, KeyEnter, 0, 's'},
        {KeyNumberLeft, KeyMoveUpEvent, 1, StatusAlt, 's'},
        {62, KeyMoveDownEvent, 1, StatusAlt, 's'},
        {58, KeyMoveUpEvent, 1, 0, 's'},
        {59, KeyMoveDownEvent, 1, 0, 's'},
        {KeyNumberShift, KeyStatusEvent, previousSub, StatusShift, 'S'},
        {92, KeyStatusEvent, previousSub, StatusShift, 'S'},
        {93, KeyStatusEvent, previousSub, StatusAlt, 's'},
        {95, KeyClickEvent, previousSub, 0, 's'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << int(c.keyNumber));
        StartAt(500);
        ASSERT_EQ(Keys({Press(KeyNumberQ), Release(KeyNumberQ)}), Trace{PostedCharNow(previousSub)});

        sim::Wait(1);
        EXPECT_EQ(Keys({Press(c.keyNumber)}), Trace{Message(c.event, c.sub, c.statusWhileHeld)});
        sim::Wait(1);
        EXPECT_EQ(Keys({Press(KeyNumberS), Release(KeyNumberS)}),
                  Trace{PostedCharNow(c.typedWhileHeld, c.statusWhileHeld)});
        EXPECT_EQ(Keys({Release(c.keyNumber)}), Trace{});
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Keys({Press(KeyNumberS)}), Trace{PostedCharNow('s')});
    }
}

TEST_F(GoTypeTest, FunctionKeyAndEmptyEntriesPostNothingAndLeaveTheGateAlone) {
    ASSERT_EQ(Keys({Press(KeyNumberA)}), Trace{PostedCharNow('a')});
    const auto before = DecoderState();

    for (const std::uint8_t keyNumber : {KeyNumberFunction, std::uint8_t{0}, std::uint8_t{52}, std::uint8_t{64},
                                         std::uint8_t{94}, std::uint8_t{101}}) {
        EXPECT_EQ(Keys({Press(keyNumber), Release(keyNumber)}), Trace{}) << "key " << int(keyNumber);
        EXPECT_EQ(DecoderState(), before) << "key " << int(keyNumber);
    }
}

TEST_F(GoTypeTest, SameKeyAgainWaits25TicksThen10) {
    struct Step {
        std::uint32_t wait;
        bool posted;
    };
    const Step steps[] = {{0, true}, {24, false}, {1, true}, {9, false}, {1, true}, {10, true}, {5, false}};
    std::uint32_t elapsed = 0;
    for (const Step& step : steps) {
        elapsed += step.wait;
        sim::Wait(step.wait);
        EXPECT_EQ(Keys({Press(KeyNumberA)}), step.posted ? Trace{PostedCharNow('a')} : Trace{}) << "after " << elapsed;
    }
}

TEST_F(GoTypeTest, ReleaseBetweenPressesLetsTheSecondThrough) {
    EXPECT_EQ(Keys({Press(KeyNumberA), Release(KeyNumberA), Press(KeyNumberA)}), (Trace{PostedCharNow('a'), PostedCharNow('a')}));
}

TEST_F(GoTypeTest, NewKeyIsPostedAtOnceAndRestartsTheWait) {
    ASSERT_EQ(Keys({Press(KeyNumberA)}).size(), 1u);
    sim::Wait(25);
    ASSERT_EQ(Keys({Press(KeyNumberA)}).size(), 1u);
    ASSERT_EQ(keyRepeatState.repeatThreshold, 10);

    sim::Wait(1);
    EXPECT_EQ(Keys({Press(KeyNumberB)}), Trace{PostedCharNow('b')});
    EXPECT_EQ(keyRepeatState.heldKey, 'b');
    EXPECT_EQ(keyRepeatState.repeatThreshold, 25);

    EXPECT_EQ(Keys({Release(KeyNumberA)}), Trace{});
    EXPECT_EQ(keyRepeatState.heldKey, 'b');
    sim::Wait(24);
    EXPECT_EQ(Keys({Press(KeyNumberB)}), Trace{});
    sim::Wait(1);
    EXPECT_EQ(Keys({Press(KeyNumberB)}), Trace{PostedCharNow('b')});
}

TEST_F(GoTypeTest, ShiftTranslatesButHeldKeyStaysUntranslated) {
    ASSERT_EQ(Keys({Press(KeyNumberShift)}).size(), 1u);

    EXPECT_EQ(Keys({Press(KeyNumber1), Press(KeyNumberQuote), Press(KeyNumberS)}),
              (Trace{PostedCharNow('!', StatusShift), PostedCharNow('"', StatusShift), PostedCharNow('S', StatusShift)}));
    EXPECT_EQ(keyRepeatState.heldKey, 's');

    EXPECT_EQ(Keys({Release(KeyNumberShift), Press(KeyNumber2)}), Trace{PostedCharNow('2')});
}

TEST_F(GoTypeTest, WithNobodyInFrontTheGateStillCounts) {
    sim::SetForeground(sim::Foreground::None);
    sim::Wait(100);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{});
    EXPECT_EQ(keyRepeatState.heldKey, 'a');
    EXPECT_EQ(keyRepeatState.lastPostTick, 600);
    EXPECT_EQ(sim::YieldCount(), 1u);

    sim::SetForeground(sim::Foreground::App);
    sim::Wait(24);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{});
    sim::Wait(1);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{PostedCharNow('a')});
}

TEST_F(GoTypeTest, PostsToClavenetWhenItIsInFront) {
    sim::SetForeground(sim::Foreground::Clavenet);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{"500 RimPostMessage clavenet 2 513 97 0 0 0 500"});
}

TEST_F(GoTypeTest, GateHoldsAcrossTheTickCounterWrap) {
    StartAt(0xFFFFFFF0u);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{Posted(0xFFFFFFF0u, KeyCharEvent, 'a', 0, -16)});
    sim::Wait(24);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{});
    sim::Wait(1);
    EXPECT_EQ(Keys({Press(KeyNumberA)}), Trace{"9 RimPostMessage app 2 513 97 0 0 0 9"});
}

}  // namespace
