// Opening and closing the link around what the rest of the state holds.

#include "shell/keyboard_link.h"
#include "tests/shell/shell_test.h"

namespace {

using KeyboardLinkTest = ShellTest;

TEST_F(KeyboardLinkTest, AnUnknownKeyboardTypeOpensNothingButStartsTheLinkTimer) {
    screen->keyboardTypeField.selection = -1;
    sim::Wait(77);
    OpenKeyboardLink();
    EXPECT_EQ(linkOpen, 0);
    EXPECT_EQ(lastActivityTick, 77);
    EXPECT_EQ(sim::TakeTrace(), Trace{"77 RimSetTimer 1026 500 1"});
}

TEST_F(KeyboardLinkTest, PocketopLayersAreClearedOnlyWhenThePortOpens) {
    sim::ChooseKeyboardType(PocketopKeyboard);
    LayerFlags = FunctionLayer | NumberLayer;
    sim::SetPortFails(true);
    OpenKeyboardLink();
    EXPECT_EQ(LayerFlags, FunctionLayer | NumberLayer);
    EXPECT_EQ(linkOpen, 0);
    sim::SetPortFails(false);
    OpenKeyboardLink();
    EXPECT_EQ(LayerFlags, 0);
    EXPECT_EQ(linkOpen, 1);
}

TEST_F(KeyboardLinkTest, OpeningClearsTheKeypadMessageAndAnyPendingBreak) {
    KeypadMessage = {9, 9, 9, 9, 9, 9, 9};
    keyRepeatState.releasePending = 1;
    OpenKeyboardLink();
    EXPECT_TRUE(KeypadMessageCleared());
    EXPECT_EQ(keyRepeatState.releasePending, 0);
}

// The Pocketop leaves its last byte's break state behind; the Happy Hacking
// must still see its first key as a press.
TEST_F(KeyboardLinkTest, TheFirstKeyAfterSwitchingKeyboardsIsNotLost) {
    sim::ChooseKeyboardType(PocketopKeyboard);
    OpenKeyboardLink();
    sim::QueueSerial({1, 129});
    DispatchSerialData();
    ASSERT_EQ(keyRepeatState.releasePending, 1);
    CloseKeyboardLink();
    sim::ChooseKeyboardType(HappyHackingKeyboard);
    OpenKeyboardLink();
    sim::ClearTrace();
    sim::QueueSerial({0x1C});
    DispatchSerialData();
    EXPECT_EQ(sim::TakeTrace(), Trace{"0 RimPostMessage app 2 513 97 0 0 0 0"});
}

TEST_F(KeyboardLinkTest, ClosingStopsTheRepeatButKeepsTheRestOfTheRepeatState) {
    OpenKeyboardLink();
    keyRepeatState = {{1, 0}, 'q', 40, 10, 1, 7};
    CloseKeyboardLink();
    EXPECT_EQ(linkOpen, 0);
    EXPECT_FALSE(sim::PortOpen());
    EXPECT_EQ(keyRepeatState.repeatTimerRunning, 0);
    EXPECT_EQ(keyRepeatState.heldKey, 'q');
    EXPECT_EQ(keyRepeatState.lastPostTick, 40);
    EXPECT_EQ(keyRepeatState.repeatThreshold, 10);
    EXPECT_EQ(keyRepeatState.repeatPostCount, 7);
    EXPECT_EQ(keyRepeatState.releasePending, 1);
}

}  // namespace
