// The Pocketop decoder against the keypad messages the foreground
// application receives: polarity, special keys, the two layers, shift and
// caps lock, the repeat gate and the timer-driven repeat.

#include "keyboards/pocketop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "tests/keyboards/keyboard_test.h"
#include "keyboards/key_posting.h"

namespace {

constexpr std::uint8_t BreakBit = 0x80;

// The first scan byte whose table entry is `code`.
std::uint8_t MakeByteOf(KeyCode code) {
    for (std::uint8_t index = 0; index < pocketopScanTable.size; ++index) {
        if (pocketopScanTable[index] == code) {
            return index;
        }
    }
    ADD_FAILURE() << "no Pocketop key gives code " << int{code};
    return 0;
}

// Only the posts: the decoder's timer starts and stops are of no interest here.
Trace PostsIn(const Trace& trace) {
    Trace posts;
    std::copy_if(trace.begin(), trace.end(), std::back_inserter(posts),
                 [](const std::string& line) { return line.find(" RimPostMessage ") != std::string::npos; });
    return posts;
}

std::string Describe(KeyCode code) { return "key code " + std::to_string(code); }

class PocketopTest : public KeyboardTest {
protected:
    static Trace Hold(KeyCode code) { return PostsIn(Send(DecodePocketop, {MakeByteOf(code)})); }
    static Trace Release(KeyCode code) {
        return PostsIn(Send(DecodePocketop, {static_cast<std::uint8_t>(MakeByteOf(code) | BreakBit)}));
    }
    // A short press: make and break.
    static Trace Type(KeyCode code) {
        const std::uint8_t make = MakeByteOf(code);
        return PostsIn(Send(DecodePocketop, {make, static_cast<std::uint8_t>(make | BreakBit)}));
    }
};

struct Mapping {
    KeyCode key;
    KeyCode gives;
};

// clang-format off
const Mapping functionLayerKeys[] = {
    {'\'', '='}, {'-', '+'}, {';', '|'}, {'a', '`'}, {'d', '/'}, {'e', '#'}, {'f', '?'}, {'g', '['},
    {'h', ']'},  {'i', '*'}, {'w', '@'}, {'j', '{'}, {'k', '}'}, {'l', '\\'}, {'o', '('}, {'p', ')'},
    {'q', '!'},  {'r', '$'}, {'s', '~'}, {'t', '%'}, {'u', '&'}, {'y', '^'},
};

const Mapping numberLayerKeys[] = {
    {'q', '1'}, {'w', '2'}, {'e', '3'}, {'r', '4'}, {'t', '5'}, {'y', '6'}, {'u', '7'}, {'i', '8'},
    {'o', '9'}, {'p', '0'}, {'m', '1'}, {',', '2'}, {'.', '3'}, {'j', '4'}, {'k', '5'}, {'l', '6'},
    {KeyNumberZero, '0'}, {'-', '/'}, {';', '*'},
    {KeyLeft, '.'}, {KeyRight, '='}, {KeyUp, '-'}, {KeyDown, '+'},
};
// clang-format on

TEST_F(PocketopTest, BitSevenSetIsTheBreak) {
    EXPECT_EQ(Send(DecodePocketop, {1}), (Trace{PostedChar(0, 'q'), "0 RimSetTimer 1025 5 1"}));
    EXPECT_EQ(keyRepeatState.heldKey, 'q');
    EXPECT_EQ(Send(DecodePocketop, {129}), Trace{"0 RimSetTimer 1025 0 1"});
    EXPECT_EQ(keyRepeatState.heldKey, KeyNone);
}

TEST_F(PocketopTest, ReleasePendingFollowsTheLastByte) {
    // 0 and 128 are an unassigned key; 118 and 246 the function-layer key.
    const struct {
        std::uint8_t byte;
        std::uint8_t releasePending;
    } steps[] = {{1, 0}, {129, 1}, {0, 0}, {128, 1}, {118, 0}, {246, 1}, {7, 0}};
    for (const auto& step : steps) {
        Send(DecodePocketop, {step.byte});
        EXPECT_EQ(keyRepeatState.releasePending, step.releasePending) << "after byte " << int{step.byte};
    }
}

TEST_F(PocketopTest, NonCharacterKeys) {
    const struct {
        std::uint8_t byte;
        std::int32_t event;
        std::int32_t subMessage;
        std::int32_t status;  // in the message and while the key is held
    } keys[] = {
        {105, KeyCharEvent, 27, 0},                  // escape
        {64, KeyCharEvent, 20, 0},
        {72, KeyCharEvent, 21, 0},
        {80, KeyCharEvent, 22, 0},
        {88, KeyCharEvent, 23, 0},
        {109, KeyCharEvent, 14, 0},                  // control
        {89, KeyCharEvent, 8, 0},                    // backspace
        {90, KeyCharEvent, 13, 0},                   // enter
        {91, KeyCharEvent, 8, StatusAlt},            // delete
        {117, KeyClickEvent, 0, 0},
        {102, KeyStatusEvent, 0, StatusAlt},         // alt
        {101, KeyStatusEvent, 0, StatusShift},       // left shift
        {125, KeyStatusEvent, 0, StatusShift},       // right shift
        {68, KeyMoveUpEvent, 1, StatusAlt},          // left
        {84, KeyMoveDownEvent, 1, StatusAlt},        // right
        {83, KeyMoveUpEvent, 1, 0},                  // up
        {76, KeyMoveDownEvent, 1, 0},                // down
    };
    for (const auto& key : keys) {
        StartAt(0);
        EXPECT_EQ(PostsIn(Send(DecodePocketop, {key.byte})), Trace{Posted(0, key.event, key.subMessage, key.status, 0)})
            << "byte " << int{key.byte};
        EXPECT_EQ(Status(), key.status) << "byte " << int{key.byte};
        EXPECT_TRUE(PostsIn(Send(DecodePocketop, {static_cast<std::uint8_t>(key.byte | BreakBit)})).empty());
        EXPECT_EQ(Status(), 0) << "after the break of byte " << int{key.byte};
    }
}

TEST_F(PocketopTest, LayerKeysPostNothingAndNeverBecomeHeldKey) {
    for (const KeyCode layerKey : {KeyFunction, KeyNumberLayer}) {
        StartAt(0);
        Hold('q');
        EXPECT_TRUE(Hold(layerKey).empty()) << Describe(layerKey);
        EXPECT_EQ(keyRepeatState.heldKey, 'q') << Describe(layerKey);
        EXPECT_TRUE(Release(layerKey).empty()) << Describe(layerKey);
        EXPECT_EQ(keyRepeatState.heldKey, 'q') << Describe(layerKey);
        EXPECT_EQ(LayerFlags, 0) << Describe(layerKey);
    }
}

TEST_F(PocketopTest, FunctionLayerLastsFromItsMakeToItsBreak) {
    Hold(KeyFunction);
    for (const Mapping& key : functionLayerKeys) {
        EXPECT_EQ(Type(key.key), Trace{PostedChar(0, key.gives)}) << Describe(key.key);
    }
    for (const KeyCode letter : {'b', 'c', 'm', 'n', 'v', 'x', 'z'}) {
        EXPECT_EQ(Type(letter), Trace{PostedChar(0, letter)}) << Describe(letter);
    }
    Release(KeyFunction);
    EXPECT_EQ(Type('q'), Trace{PostedChar(0, 'q')});
}

TEST_F(PocketopTest, NumberLayerGivesDigitsAndLeavesAltAlone) {
    for (const bool altHeld : {false, true}) {
        StartAt(0);
        const std::int32_t status = altHeld ? StatusAlt : 0;
        if (altHeld) {
            Hold(KeyAlt);
        }
        Hold(KeyNumberLayer);
        for (const Mapping& key : numberLayerKeys) {
            EXPECT_EQ(Type(key.key), Trace{PostedChar(0, key.gives, status)}) << Describe(key.key);
            EXPECT_EQ(Status(), status) << Describe(key.key);
        }
        EXPECT_EQ(Type('a'), Trace{PostedChar(0, 'a', status)});
        Release(KeyNumberLayer);
        EXPECT_EQ(Type(KeyLeft), Trace{Posted(0, KeyMoveUpEvent, 1, StatusAlt, 0)});
    }
}

TEST_F(PocketopTest, NumberZeroOutsideTheNumberLayerPostsNothing) {
    EXPECT_TRUE(Send(DecodePocketop, {60}).empty());
    EXPECT_TRUE(Send(DecodePocketop, {188}).empty());
    EXPECT_EQ(keyRepeatState.heldKey, KeyNone);
    Send(DecodePocketop, {110});
    EXPECT_EQ(PostsIn(Send(DecodePocketop, {60})), Trace{PostedChar(0, '0')});
}

TEST_F(PocketopTest, NumberLayerSeesWhatTheFunctionLayerGave) {
    Hold(KeyFunction);
    Hold(KeyNumberLayer);
    const Mapping keys[] = {{'q', '!'}, {'m', '1'}, {';', '|'}, {'-', '+'}};
    for (const Mapping& key : keys) {
        EXPECT_EQ(Type(key.key), Trace{PostedChar(0, key.gives)}) << Describe(key.key);
    }
}

TEST_F(PocketopTest, ShiftComesBeforeTheLayers) {
    const struct {
        KeyCode layerKey;  // KeyNone: no layer
        KeyCode key;
        KeyCode gives;
    } keys[] = {
        {KeyNone, ',', '<'},       {KeyNone, '-', '_'},      {KeyNone, '.', '>'},       {KeyNone, ';', ':'},
        {KeyNone, 'a', 'A'},       {KeyNone, 'z', 'Z'},      {KeyNone, '\'', '\''},     {KeyNone, 20, 20},
        {KeyFunction, ';', ':'},   {KeyFunction, '-', '_'},  {KeyFunction, 'q', '!'},   {KeyFunction, 'a', '`'},
        {KeyFunction, '\'', '='},  {KeyNumberLayer, 'q', '1'}, {KeyNumberLayer, 'm', '1'},
        {KeyNumberLayer, ',', '<'},
    };
    EXPECT_EQ(Hold(KeyShiftLeft), Trace{Posted(0, KeyStatusEvent, 0, StatusShift, 0)});
    for (const auto& key : keys) {
        if (key.layerKey != KeyNone) {
            Hold(key.layerKey);
        }
        EXPECT_EQ(Type(key.key), Trace{PostedChar(0, key.gives, StatusShift)})
            << Describe(key.key) << " under layer key " << int{key.layerKey};
        if (key.layerKey != KeyNone) {
            Release(key.layerKey);
        }
    }
}

TEST_F(PocketopTest, CapsLockRaisesLettersOnlyAndPostsWithShift) {
    const std::int32_t capsLockPosted = StatusCapsLock | StatusShift;
    EXPECT_EQ(Send(DecodePocketop, {119, 247}),
              (Trace{Posted(0, KeyStatusEvent, 0, capsLockPosted, 0), "0 RimSetTimer 1025 5 1",
                     "0 RimSetTimer 1025 0 1"}));
    EXPECT_EQ(Status(), StatusCapsLock);
    EXPECT_EQ(Type('a'), Trace{PostedChar(0, 'A', capsLockPosted)});
    EXPECT_EQ(Status(), StatusCapsLock);
    EXPECT_EQ(Type(';'), Trace{PostedChar(0, ';', capsLockPosted)});
    EXPECT_EQ(Type(KeyCapsLock), Trace{Posted(0, KeyStatusEvent, ';', 0, 0)});
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Type('a'), Trace{PostedChar(0, 'a')});
}

TEST_F(PocketopTest, GateComparesCodesNotScanPositions) {
    constexpr std::uint8_t space = 43;
    constexpr std::uint8_t otherSpace = 52;
    EXPECT_EQ(PostsIn(Send(DecodePocketop, {space})), Trace{PostedChar(0, ' ')});
    sim::Wait(24);
    EXPECT_TRUE(PostsIn(Send(DecodePocketop, {otherSpace})).empty());
    sim::Wait(1);
    EXPECT_EQ(PostsIn(Send(DecodePocketop, {otherSpace})), Trace{PostedChar(25, ' ')});
}

TEST_F(PocketopTest, HeldKeyRepeatsByTimerUntilItsBreak) {
    RepeatWith(DecodePocketop);
    Send(DecodePocketop, {1});
    sim::Wait(60);
    EXPECT_EQ(PostsIn(sim::TakeTrace()),
              (Trace{PostedChar(25, 'q'), PostedChar(35, 'q'), PostedChar(45, 'q'), PostedChar(55, 'q')}));
    EXPECT_EQ(Send(DecodePocketop, {129}), Trace{"60 RimSetTimer 1025 0 1"});
    sim::Wait(100);
    EXPECT_TRUE(sim::TakeTrace().empty());
}

TEST_F(PocketopTest, HeldCapsLockTogglesOnlyAtItsMake) {
    const std::int32_t capsLockPosted = StatusCapsLock | StatusShift;
    RepeatWith(DecodePocketop);
    EXPECT_EQ(Hold(KeyCapsLock), Trace{Posted(0, KeyStatusEvent, 0, capsLockPosted, 0)});
    for (int step = 0; step < 80; ++step) {
        sim::Wait(5);
        ASSERT_EQ(Status(), StatusCapsLock) << "at tick " << sim::CurrentTick();
    }
    const Trace repeats = PostsIn(sim::TakeTrace());
    EXPECT_EQ(repeats.size(), 31U);  // the run's 32 posts less the make's own
    for (const std::string& post : repeats) {
        EXPECT_EQ(post.substr(post.find(" app ")), " app 2 520 0 0 0 6 " + post.substr(0, post.find(' ')));
    }
    Release(KeyCapsLock);
    EXPECT_EQ(Type(KeyCapsLock), Trace{Posted(400, KeyStatusEvent, 0, 0, 400)});
    EXPECT_EQ(Status(), 0);
}

}  // namespace
