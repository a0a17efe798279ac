// The Flexis decoder against the keypad messages the foreground application
// receives and the ribbon and power calls its hot keys make, in each build.

#include "keyboards/flexis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/keyboards/keyboard_test.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/key_posting.h"
#include "platform/build.h"

namespace {

constexpr std::uint8_t Press(std::uint8_t keyNumber) { return keyNumber | 0x80; }

// Key numbers, as the keyboard sends them in bits 0 to 6.
constexpr std::uint8_t KeyNumberA = 0x00;
constexpr std::uint8_t KeyNumberB = 0x0B;
constexpr std::uint8_t KeyNumberOne = 0x12;
constexpr std::uint8_t KeyNumberEquals = 0x18;
constexpr std::uint8_t KeyNumberFunction = 0x37;
constexpr std::uint8_t KeyNumberShift = 0x38;
constexpr std::uint8_t KeyNumberCapsLock = 0x39;
constexpr std::uint8_t KeyNumberAlt = 0x3A;
constexpr std::uint8_t KeyNumberDelete = 0x7A;

constexpr bool hasHotKeys = targetBuild != Build::Pager950;

class FlexisTest : public KeyboardTest {
protected:
    static Trace PressAndRelease(std::uint8_t keyNumber) { return Send(DecodeFlexis, {Press(keyNumber), keyNumber}); }
};

TEST_F(FlexisTest, BitSevenSetIsAPress) {
    EXPECT_EQ(Send(DecodeFlexis, {Press(KeyNumberA)}), Trace{PostedChar(0, 'a')});
    EXPECT_EQ(keyRepeatState.releasePending, 0);
    EXPECT_TRUE(Send(DecodeFlexis, {KeyNumberA}).empty());
    EXPECT_EQ(keyRepeatState.releasePending, 0);
}

TEST_F(FlexisTest, NonCharacterKeys) {
    const struct {
        std::uint8_t keyNumber;
        std::int32_t event;
        std::int32_t subMessage;
        std::int32_t status;  // in the message and while the key is held
    } keys[] = {
        // The pager build erases with the key that escapes on OS 2.x.
        {0x0A, KeyCharEvent, hasHotKeys ? KeyEscape : KeyBackspace, 0},
        {KeyNumberDelete, KeyCharEvent, KeyDelete, 0},
        {0x40, KeyCharEvent, KeyNone, 0},  // unassigned
        {0x3D, KeyClickEvent, 0, 0},
        {0x30, KeyCharEvent, KeyTab, 0},
        {0x33, KeyCharEvent, KeyBackspace, 0},
        {0x24, KeyCharEvent, KeyEnter, 0},
        {0x3B, KeyCharEvent, KeyControl, 0},
        {0x7B, KeyMoveUpEvent, 1, StatusAlt},  // left
        {0x7C, KeyMoveDownEvent, 1, StatusAlt},  // right
        {0x7E, KeyMoveUpEvent, 1, 0},  // up
        {0x7D, KeyMoveDownEvent, 1, 0},  // down
        {KeyNumberShift, KeyStatusEvent, 0, StatusShift},
        {0x3F, KeyStatusEvent, 0, StatusShift},
        {KeyNumberAlt, KeyStatusEvent, 0, StatusAlt},
    };
    for (const auto& key : keys) {
        StartAt(0);
        EXPECT_EQ(Send(DecodeFlexis, {Press(key.keyNumber)}),
                  Trace{Posted(0, key.event, key.subMessage, key.status, 0)})
            << "key number " << int{key.keyNumber};
        EXPECT_EQ(Status(), key.status) << "key number " << int{key.keyNumber};
        EXPECT_TRUE(Send(DecodeFlexis, {key.keyNumber}).empty()) << "key number " << int{key.keyNumber};
        EXPECT_EQ(Status(), 0) << "after the release of key number " << int{key.keyNumber};
    }
    EXPECT_TRUE(PressAndRelease(KeyNumberFunction).empty());
}

TEST_F(FlexisTest, DeleteLeavesAltAsItIs) {
    Send(DecodeFlexis, {Press(KeyNumberAlt)});
    EXPECT_EQ(PressAndRelease(KeyNumberDelete), Trace{PostedChar(0, KeyDelete, StatusAlt)});
    EXPECT_EQ(Status(), StatusAlt);
}

TEST_F(FlexisTest, EveryPressIsPostedHoweverSoon) {
    EXPECT_EQ(Send(DecodeFlexis, {Press(KeyNumberA), Press(KeyNumberA)}),
              (Trace{PostedChar(0, 'a'), PostedChar(0, 'a')}));
}

struct HotKey {
    std::uint8_t keyNumber;
    KeyCode character;
    Trace action;  // on OS 2.x, in place of a post
};

const HotKey hotKeys[] = {
    {KeyNumberOne, '1', {"0 RibbonSelect \"Address Book\"", "0 RibbonSwitch"}},
    {0x13, '2', {"0 RibbonSelect \"Compose\"", "0 RibbonSwitch"}},
    {0x14, '3', {"0 RibbonSelect \"Alarm\"", "0 RibbonSwitch"}},
    {0x15, '4', {"0 RibbonSelect \"Options\"", "0 RibbonSwitch"}},
    {0x03, 'f', {"0 RibbonSelect \"Search Messages\"", "0 RibbonSwitch"}},
    {KeyNumberA, 'a', {"0 RibbonSwitch"}},
    {KeyNumberEquals, '=', {"0 RimRequestPowerOff"}},
};

// On OS 2.x the hot keys act in place of a post; the pager build posts them as
// ordinary characters.
TEST_F(FlexisTest, HotKeysWhileAltIsSet) {
    const struct {
        const char* held;
        std::vector<std::uint8_t> presses;
        std::int32_t status;
    } altHolds[] = {
        {"alt", {Press(KeyNumberAlt)}, StatusAlt},
        {"alt and shift", {Press(KeyNumberAlt), Press(KeyNumberShift)}, StatusAlt | StatusShift},
        {"alt and caps lock", {Press(KeyNumberAlt), Press(KeyNumberCapsLock)}, StatusAlt | StatusShift | StatusCapsLock},
        {"left", {Press(0x7B)}, StatusAlt},
        {"right", {Press(0x7C)}, StatusAlt},
    };
    for (const auto& hold : altHolds) {
        for (const HotKey& hotKey : hotKeys) {
            StartAt(0);
            Send(DecodeFlexis, hold.presses);
            KeyCode typed = HasStatus(StatusShift) ? TranslateShifted(hotKey.character) : hotKey.character;
            typed = HasStatus(StatusCapsLock) ? RaiseLetter(typed) : typed;
            const Trace expected = hasHotKeys ? hotKey.action : Trace{PostedChar(0, typed, hold.status)};
            EXPECT_EQ(PressAndRelease(hotKey.keyNumber), expected) << hotKey.character << " with " << hold.held;
        }
    }
}

TEST_F(FlexisTest, DecodingGoesOnAfterAHotKey) {
    Send(DecodeFlexis, {Press(KeyNumberAlt)});
    const std::string equalsKey = hasHotKeys ? "0 RimRequestPowerOff" : PostedChar(0, '=', StatusAlt);
    EXPECT_EQ(Send(DecodeFlexis, {Press(KeyNumberEquals), Press(KeyNumberB)}),
              (Trace{equalsKey, PostedChar(0, 'b', StatusAlt)}));
}

TEST_F(FlexisTest, AltWithOtherKeysAndAfterItsReleaseTypes) {
    Send(DecodeFlexis, {Press(KeyNumberAlt)});
    EXPECT_EQ(PressAndRelease(KeyNumberB), Trace{PostedChar(0, 'b', StatusAlt)});
    Send(DecodeFlexis, {KeyNumberAlt});
    EXPECT_EQ(PressAndRelease(KeyNumberOne), Trace{PostedChar(0, '1')});
}

TEST_F(FlexisTest, CapsLockRule) {
    const std::int32_t capsLockPosted = StatusCapsLock | StatusShift;
    const struct {
        std::vector<std::uint8_t> bytes;
        Trace posts;
        std::int32_t statusAfter;
    } steps[] = {
        {{Press(KeyNumberCapsLock)}, {Posted(0, KeyStatusEvent, 0, capsLockPosted, 0)}, StatusCapsLock},
        {{KeyNumberCapsLock}, {}, StatusCapsLock},
        {{Press(KeyNumberA), KeyNumberA}, {PostedChar(0, 'A', capsLockPosted)}, StatusCapsLock},
        {{Press(KeyNumberOne), KeyNumberOne}, {PostedChar(0, '1', capsLockPosted)}, StatusCapsLock},
        {{Press(KeyNumberShift)}, {Posted(0, KeyStatusEvent, '1', capsLockPosted, 0)}, capsLockPosted},
        {{Press(KeyNumberOne), KeyNumberOne}, {PostedChar(0, '!', capsLockPosted)}, capsLockPosted},
        {{Press(KeyNumberA), KeyNumberA}, {PostedChar(0, 'A', capsLockPosted)}, capsLockPosted},
        {{KeyNumberShift}, {}, StatusCapsLock},
        {{Press(KeyNumberCapsLock)}, {Posted(0, KeyStatusEvent, 'A', 0, 0)}, 0},
        {{KeyNumberCapsLock}, {}, 0},
        {{Press(KeyNumberA), KeyNumberA}, {PostedChar(0, 'a')}, 0},
    };
    for (std::size_t index = 0; index < std::size(steps); ++index) {
        EXPECT_EQ(Send(DecodeFlexis, steps[index].bytes), steps[index].posts) << "step " << index;
        EXPECT_EQ(Status(), steps[index].statusAfter) << "step " << index;
    }
}

TEST_F(FlexisTest, ReleasePendingLeftByAnotherKeyboardTakesTheFirstPress) {
    for (const bool byHappyHacking : {true, false}) {
        StartAt(0);
        if (byHappyHacking) {
            Send(DecodeHappyHacking, {0xF0});  // a break prefix with nothing after it
        } else {
            keyRepeatState.releasePending = 1;
        }
        EXPECT_TRUE(Send(DecodeFlexis, {Press(KeyNumberA)}).empty()) << byHappyHacking;
        EXPECT_EQ(keyRepeatState.releasePending, 0) << byHappyHacking;
        EXPECT_EQ(Send(DecodeFlexis, {Press(KeyNumberA)}), Trace{PostedChar(0, 'a')}) << byHappyHacking;
    }
}

}  // namespace
