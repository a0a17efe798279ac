// The pieces that every decoder shares, driven through their own functions.

#include <map>
#include <string>

#include "keyboards/gotype.h"
#include "keyboards/palm_portable.h"
#include "sim/platform_calls.h"
#include "tests/keyboards/keyboard_test.h"

namespace {

using KeyPostingTest = KeyboardTest;

TEST(TranslateShiftedTest, ShiftsLettersDigitsAndElevenPunctuationPairsOnly) {
    std::map<int, int> shifted;
    for (int letter = 'a'; letter <= 'z'; ++letter) {
        shifted[letter] = letter - 32;
    }
    const std::string digits = "0123456789";
    const std::string shiftedDigits = ")!@#$%^&*(";
    for (std::size_t position = 0; position < digits.size(); ++position) {
        shifted[digits[position]] = shiftedDigits[position];
    }
    const std::map<int, int> punctuation = {
        {'\'', '"'}, {';', ':'}, {',', '<'}, {'=', '+'}, {'-', '_'}, {'[', '{'},
        {'.', '>'},  {'\\', '|'}, {'/', '?'}, {']', '}'}, {'`', '~'},
    };
    shifted.insert(punctuation.begin(), punctuation.end());
    ASSERT_EQ(shifted.size(), 26u + 10u + 11u);

    // Control codes, capitals, the other punctuation and the extended codes
    // (0, 8, 13, 128..140 among them) pass unchanged.
    for (int code = 0; code <= 255; ++code) {
        const auto found = shifted.find(code);
        const int expected = found == shifted.end() ? code : found->second;
        EXPECT_EQ(TranslateShifted(static_cast<KeyCode>(code)), expected) << "code " << code;
    }
}

struct GateStep {
    KeyCode code;
    std::int32_t now;
    bool admitted;
    std::int32_t thresholdAfter;
};

TEST_F(KeyPostingTest, RepeatGateWaits25ThenEvery10AndAnotherKeyStartsOver) {
    const GateStep steps[] = {
        {'a', 100, true, 25},  {'a', 124, false, 25}, {'a', 125, true, 10}, {'a', 134, false, 10},
        {'a', 135, true, 10},  {'b', 136, true, 25},  {'b', 160, false, 25}, {'a', 160, true, 25},
        {'a', 184, false, 25}, {'a', 185, true, 10},
    };
    KeyCode admittedCode = KeyNone;
    std::int32_t admittedAt = 0;
    for (const GateStep& step : steps) {
        SCOPED_TRACE(std::string("key ") + static_cast<char>(step.code) + " at " + std::to_string(step.now));
        EXPECT_EQ(AdmitKey(step.code, step.now), step.admitted);
        if (step.admitted) {
            admittedCode = step.code;
            admittedAt = step.now;
            keyRepeatState.lastPostTick = step.now;  // as the post would
        }
        EXPECT_EQ(keyRepeatState.repeatThreshold, step.thresholdAfter);
        EXPECT_EQ(keyRepeatState.heldKey, admittedCode);
        EXPECT_EQ(KeypadMessage.data1, admittedAt);  // written only on admission
    }
    EXPECT_TRUE(sim::TraceLines().empty());
}

struct WrapCase {
    std::uint32_t lastPostTick;
    std::uint32_t now;
    bool admitted;
};

TEST_F(KeyPostingTest, RepeatGateMeasuresSignedTickDifferencesAcrossTheWrap) {
    const WrapCase cases[] = {
        {0x7FFFFFF0u, 0x80000008u, false}, {0x7FFFFFF0u, 0x80000009u, true},
        {0xFFFFFFF0u, 0x00000008u, false}, {0xFFFFFFF0u, 0x00000009u, true},
        {0xFFFFFFF0u, 0x00001000u, true},
        // A reading behind the last post counts as no time passed.
        {100u, 90u, false},                {0x00000005u, 0xFFFFFFF0u, false},
        {0x80000000u, 0x7FFFFFFFu, false},
    };
    for (const WrapCase& wrap : cases) {
        SCOPED_TRACE("last post " + std::to_string(wrap.lastPostTick) + ", now " + std::to_string(wrap.now));
        keyRepeatState.heldKey = 'a';
        keyRepeatState.repeatThreshold = FirstRepeatDelay;
        keyRepeatState.lastPostTick = static_cast<std::int32_t>(wrap.lastPostTick);
        EXPECT_EQ(AdmitKey('a', static_cast<std::int32_t>(wrap.now)), wrap.admitted);
    }
}

TEST_F(KeyPostingTest, PostGoesToTheForegroundTaskAndAlwaysYields) {
    KeypadMessage.event = KeyCharEvent;

    sim::SetForeground(sim::Foreground::None);
    PostKeyMessage('a');
    EXPECT_TRUE(sim::PostedMessages().empty());
    EXPECT_EQ(sim::TakeTrace(), Trace{});
    EXPECT_EQ(sim::YieldCount(), 1u);

    sim::SetForeground(sim::Foreground::Clavenet);
    PostKeyMessage('b');
    EXPECT_EQ(sim::TakeTrace(), Trace{"0 RimPostMessage clavenet 2 513 98 0 0 0 0"});
    EXPECT_EQ(sim::YieldCount(), 2u);

    sim::SetForeground(sim::Foreground::App);
    PostKeyMessage('c');
    EXPECT_EQ(sim::TakeTrace(), Trace{PostedChar(0, 'c')});
    EXPECT_EQ(sim::YieldCount(), 3u);
}

struct SubMessageStep {
    std::int32_t event;
    KeyCode code;
    std::int32_t subMessage;
};

TEST_F(KeyPostingTest, SubMessageFollowsTheEvent) {
    // Clicks and status changes carry whatever the previous post left.
    const SubMessageStep steps[] = {
        {KeyClickEvent, 'x', 0},     {KeyCharEvent, 200, 200},    {KeyStatusEvent, 'q', 200},
        {KeyMoveUpEvent, 'q', 1},    {KeyClickEvent, 'q', 1},     {KeyCharEvent, 'q', 'q'},
        {KeyMoveDownEvent, 'q', 1},  {KeyStatusEvent, KeyShiftLeft, 1},
    };
    for (const SubMessageStep& step : steps) {
        KeypadMessage.event = step.event;
        PostKeyMessage(step.code);
        ASSERT_FALSE(sim::PostedMessages().empty());
        const OsMessage& posted = sim::PostedMessages().back().message;
        EXPECT_EQ(posted.event, step.event);
        EXPECT_EQ(posted.subMessage, step.subMessage) << "event " << step.event << " code " << int{step.code};
    }
    EXPECT_EQ(sim::PostedMessages().size(), std::size(steps));
}

TEST_F(KeyPostingTest, RepeatTimerRunEndsAtTheThirtySecondPost) {
    for (int post = 1; post <= 33; ++post) {
        NoteRepeatPost();
        Trace expected;
        if (post == 1 || post == 33) {
            expected = {"0 RimSetTimer 1025 5 1"};
        } else if (post == 32) {
            expected = {"0 RimSetTimer 1025 0 1"};
        }
        EXPECT_EQ(sim::TakeTrace(), expected) << "post " << post;
        EXPECT_EQ(keyRepeatState.repeatTimerRunning, post == 32 ? 0 : 1) << "post " << post;
    }
    EXPECT_EQ(keyRepeatState.repeatPostCount, 1);
}

TEST_F(KeyPostingTest, StoppingTheRepeatTimerIsAlwaysACall) {
    StopRepeatTimer();
    EXPECT_EQ(sim::TakeTrace(), Trace{"0 RimSetTimer 1025 0 1"});
    EXPECT_EQ(keyRepeatState.repeatTimerRunning, 0);

    NoteRepeatPost();
    sim::Wait(7);
    StopRepeatTimer();
    EXPECT_EQ(sim::TakeTrace(), (Trace{"0 RimSetTimer 1025 5 1", "7 RimSetTimer 1025 0 1"}));
    EXPECT_EQ(keyRepeatState.repeatTimerRunning, 0);
}

struct CapsLockCase {
    std::int32_t stored;
    std::int32_t posted;
};

TEST_F(KeyPostingTest, CapsLockPostCarriesShiftWithoutKeepingIt) {
    const CapsLockCase cases[] = {
        {0, 0},
        {StatusShift, StatusShift},
        {StatusAlt, StatusAlt},
        {StatusCapsLock, StatusCapsLock | StatusShift},
        {StatusCapsLock | StatusShift, StatusCapsLock | StatusShift},
        {StatusCapsLock | StatusAlt, StatusCapsLock | StatusShift | StatusAlt},
    };
    KeypadMessage.event = KeyCharEvent;
    for (const CapsLockCase& caps : cases) {
        KeypadMessage.data0 = caps.stored;
        PostUnderCapsLockRule('A');
        EXPECT_EQ(sim::TakeTrace(), Trace{PostedChar(0, 'A', caps.posted)}) << "stored " << caps.stored;
        EXPECT_EQ(Status(), caps.stored);
    }
}

// On the handheld other tasks run during the yield after a post, and time
// passes: the gate counts from the tick read after it, not from the key's.
TEST_F(KeyPostingTest, TheGateCountsFromTheTickReadAfterThePostsYield) {
    const struct {
        const char* name;
        Decoder decoder;
        std::uint8_t make;
    } gated[] = {
        {"GoType", DecodeGoType, 30},
        {"Palm Portable", DecodePalmPortable, 17},
        {"Pocketop", DecodePocketop, 7},
    };
    sim::ObserveCalls([](std::string_view call) {
        if (call == "RimTaskYield") {
            sim::AdvanceClockTo(sim::ElapsedTicks() + 3);
        }
    });
    for (const auto& decoder : gated) {
        SCOPED_TRACE(decoder.name);
        StartAt(100);
        Send(decoder.decoder, {decoder.make});
        EXPECT_EQ(KeypadMessage.data1, 100);
        EXPECT_EQ(keyRepeatState.lastPostTick, 103);
    }
    sim::ObserveCalls(nullptr);
}

}  // namespace
