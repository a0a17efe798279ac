// Happy Hacking: scan code set 2, 0xF0 before a release, 0xE0 before an
// extended key. No repeat gate: every make is posted.

#include <cstdint>

#include "keyboards/happy_hacking.h"
#include "keyboards/pocketop.h"
#include "tests/keyboards/keyboard_test.h"

namespace {

constexpr std::uint8_t Break = 0xF0;
constexpr std::uint8_t Extended = 0xE0;

// Make codes.
constexpr std::uint8_t MakeA = 0x1C;
constexpr std::uint8_t Make1 = 0x16;
constexpr std::uint8_t MakeLeftShift = 0x12;
constexpr std::uint8_t MakeUpArrow = 0x75;

class HappyHackingTest : public KeyboardTest {
protected:
    // A tick other than 0, so that the tick carried by a post means something.
    void SetUp() override { StartAt(1000); }

    static Trace Keys(const std::vector<std::uint8_t>& bytes) { return Send(DecodeHappyHacking, bytes); }
};

TEST_F(HappyHackingTest, MakePostsAndBreakPostsNothing) {
    EXPECT_EQ(Keys({MakeA}), Trace{PostedCharNow('a')});
    EXPECT_EQ(Keys({Break, MakeA}), Trace{});
    EXPECT_EQ(keyRepeatState.releasePending, 0);
    EXPECT_EQ(Keys({MakeA}), Trace{PostedCharNow('a')});
}

TEST_F(HappyHackingTest, ExtendedPrefixIsIgnored) {
    EXPECT_EQ(Keys({Extended, MakeUpArrow}), Trace{PostedCharNow(KeyUp)});
    EXPECT_EQ(Keys({MakeUpArrow}), Trace{PostedCharNow(KeyUp)});
    EXPECT_EQ(Keys({Extended, Break, MakeUpArrow}), Trace{});
    EXPECT_EQ(keyRepeatState.releasePending, 0);
}

// Neither movement nor status: these go out as characters of their code.
TEST_F(HappyHackingTest, NonCharacterCodesArePostedAsPlainCharacters) {
    struct Case {
        std::uint8_t make;
        std::int32_t character;
    };
    const Case cases[] = {
        // keypad 4, 6, 8, 2 (the arrows with 0xE0) and Escape
        {0x6B, KeyLeft}, {0x74, KeyRight}, {0x75, KeyUp}, {0x72, KeyDown}, {0x76, KeyDown},
        {0x58, KeyCapsLock}, {0x14, KeyControl}, {0x7D, 17}, {0x7A, 18}, {0x6C, 139}, {0x69, 140},
        {0x0D, KeyTab}, {0x5A, KeyEnter}, {0x66, KeyBackspace},
        // F1 to F10
        {0x05, 128}, {0x06, 129}, {0x04, 130}, {0x0C, 131}, {0x03, 132},
        {0x0B, 133}, {0x83, 134}, {0x0A, 135}, {0x01, 136}, {0x09, 137},
    };
    for (const std::int32_t status : {0, StatusShift}) {
        StartAt(1000);
        if (status != 0) {
            ASSERT_EQ(Keys({MakeLeftShift}).size(), 1u);
        }
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "make 0x" << std::hex << int(c.make) << " status " << status);
            // Pressed twice: caps lock must post both times and never toggle.
            EXPECT_EQ(Keys({c.make, Break, c.make, c.make}),
                      (Trace{PostedCharNow(c.character, status), PostedCharNow(c.character, status)}));
            EXPECT_EQ(Status(), status);
        }
    }
}

TEST_F(HappyHackingTest, ModifierKeysSetTheirStatusUntilTheirBreak) {
    constexpr std::int32_t previousSub = 'a';
    struct Case {
        std::uint8_t make;
        std::int32_t event;
        std::int32_t sub;
        std::int32_t statusWhileHeld;
        std::int32_t typedWhileHeld;  // what the "1" key gives meanwhile
    };
    const Case cases[] = {
        {MakeLeftShift, KeyStatusEvent, previousSub, StatusShift, '!'},
        {0x59, KeyStatusEvent, previousSub, StatusShift, '!'},
        {0x2F, KeyStatusEvent, previousSub, StatusAlt, '1'},
        {0x1F, KeyClickEvent, previousSub, 0, '1'},
        {0x71, KeyCharEvent, KeyBackspace, StatusAlt, '1'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "make 0x" << std::hex << int(c.make));
        StartAt(1000);
        ASSERT_EQ(Keys({MakeA, Break, MakeA}), Trace{PostedCharNow(previousSub)});

        sim::Wait(1);
        const auto now = static_cast<std::int32_t>(sim::CurrentTick());
        EXPECT_EQ(Keys({c.make}), Trace{Posted(sim::CurrentTick(), c.event, c.sub, c.statusWhileHeld, now)});
        EXPECT_EQ(Keys({Make1}), Trace{PostedCharNow(c.typedWhileHeld, c.statusWhileHeld)});
        EXPECT_EQ(Keys({Break, c.make}), Trace{});
        EXPECT_EQ(Status(), 0);
        EXPECT_EQ(Keys({Make1}), Trace{PostedCharNow('1')});
    }
}

TEST_F(HappyHackingTest, SameMakeTwiceIsPostedTwiceWithoutTouchingTheGate) {
    keyRepeatState.heldKey = 'a';
    keyRepeatState.lastPostTick = 1000;
    keyRepeatState.repeatThreshold = FirstRepeatDelay;

    EXPECT_EQ(Keys({MakeA}), Trace{PostedCharNow('a')});
    sim::Wait(3);
    EXPECT_EQ(Keys({MakeA}), Trace{PostedCharNow('a')});
    EXPECT_EQ(keyRepeatState.heldKey, 'a');
    EXPECT_EQ(keyRepeatState.lastPostTick, 1000);
    EXPECT_EQ(keyRepeatState.repeatThreshold, FirstRepeatDelay);
}

TEST_F(HappyHackingTest, PendingBreakOutlastsIgnoredBytesAndCalls) {
    for (const std::uint8_t ignored : {std::uint8_t{0x88}, std::uint8_t{0xAA}, Extended, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(ignored));
        EXPECT_EQ(Keys({Break, ignored, MakeA}), Trace{});
        EXPECT_EQ(keyRepeatState.releasePending, 0);
    }

    EXPECT_EQ(Keys({Break}), Trace{});
    EXPECT_EQ(keyRepeatState.releasePending, 1);
    EXPECT_EQ(Keys({MakeA}), Trace{});
    EXPECT_EQ(keyRepeatState.releasePending, 0);
    EXPECT_EQ(Keys({MakeA}), Trace{PostedCharNow('a')});
}

TEST_F(HappyHackingTest, KeysWithoutAnEntryPostNothing) {
    // Alt, F12, keypad 5, F11, Insert
    for (const std::uint8_t make : {0x11, 0x07, 0x73, 0x78, 0x70}) {
        EXPECT_EQ(Keys({make, Break, make}), Trace{}) << "make 0x" << std::hex << int(make);
        EXPECT_EQ(Status(), 0);
    }
}

TEST_F(HappyHackingTest, BreakLeftPendingByAnotherModelTakesTheFirstMake) {
    constexpr std::uint8_t pocketopBreakOfQ = 0x81;
    Send(DecodePocketop, {pocketopBreakOfQ});
    ASSERT_EQ(keyRepeatState.releasePending, 1);

    EXPECT_EQ(Keys({MakeA}), Trace{});
    EXPECT_EQ(keyRepeatState.releasePending, 0);
    EXPECT_EQ(Keys({MakeA}), Trace{PostedCharNow('a')});
}

}  // namespace
