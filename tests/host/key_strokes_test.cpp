// What each keypad message becomes on the host, and that a key stroke never
// leaves a key down.

#include "host/key_strokes.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "host/key_output.h"
#include "keyboards/key_codes.h"

namespace {

// What --print shows for the stroke of `key`.
std::string Printed(const host::HostKey& key) {
    std::string text;
    host::PrintedKeys printed([&text](std::string_view part) { text += part; });
    for (const host::KeyTransitionEvent& transition : host::StrokeTransitions(key)) {
        printed.Key(transition.code, transition.down);
    }
    return text;
}

OsMessage Keypad(std::int32_t event, std::int32_t subMessage, std::int32_t status) {
    return OsMessage{KeypadDevice, event, subMessage, 0, 0, status, 0};
}

struct MessageCase {
    std::int32_t event;
    std::int32_t subMessage;
    std::int32_t status;
    std::uint16_t code;
    bool shift;
    std::string printed;
};

TEST(HostKeyTest, EachKeypadMessageBecomesItsKey) {
    const MessageCase cases[] = {
        // The character decides Shift, whatever the status says: the
        // decoders have already applied shift and caps lock.
        {KeyCharEvent, 'a', StatusShift, KEY_A, false, "a"},
        {KeyCharEvent, 'A', StatusShift | StatusCapsLock, KEY_A, true, "A"},
        {KeyCharEvent, 'Q', StatusCapsLock, KEY_Q, true, "Q"},
        {KeyCharEvent, '"', StatusShift, KEY_APOSTROPHE, true, "\""},
        {KeyCharEvent, ' ', 0, KEY_SPACE, false, " "},
        // Alt is not passed on: Alt with b types b.
        {KeyCharEvent, 'b', StatusAlt, KEY_B, false, "b"},
        {KeyCharEvent, KeyBackspace, 0, KEY_BACKSPACE, false, "<Backspace>"},
        {KeyCharEvent, KeyBackspace, StatusAlt, KEY_DELETE, false, "<Delete>"},
        {KeyCharEvent, KeyDelete, 0, KEY_DELETE, false, "<Delete>"},
        {KeyCharEvent, KeyTab, StatusShift, KEY_TAB, false, "<Tab>"},
        {KeyCharEvent, KeyEnter, 0, KEY_ENTER, false, "\n"},
        {KeyCharEvent, KeyEscape, 0, KEY_ESC, false, "<Escape>"},
        {KeyMoveUpEvent, 1, 0, KEY_UP, false, "<Up>"},
        {KeyMoveUpEvent, 1, StatusAlt, KEY_LEFT, false, "<Left>"},
        {KeyMoveDownEvent, 1, 0, KEY_DOWN, false, "<Down>"},
        {KeyMoveDownEvent, 1, StatusAlt | StatusShift, KEY_RIGHT, false, "<Right>"},
        // A click keeps the previous post's sub-message.
        {KeyClickEvent, 'x', 0, KEY_COMPOSE, false, "<Menu>"},
        // The Happy Hacking posts its arrows as characters.
        {KeyCharEvent, KeyLeft, 0, KEY_LEFT, false, "<Left>"},
        {KeyCharEvent, 128, StatusShift, KEY_F1, false, "<F1>"},
    };
    for (const MessageCase& messageCase : cases) {
        SCOPED_TRACE(std::to_string(messageCase.event) + " " + std::to_string(messageCase.subMessage) + " status " +
                     std::to_string(messageCase.status));
        const auto key = host::HostKeyFor(Keypad(messageCase.event, messageCase.subMessage, messageCase.status));
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->code, messageCase.code);
        EXPECT_EQ(key->shift, messageCase.shift);
        EXPECT_EQ(Printed(*key), messageCase.printed);
    }
}

TEST(HostKeyTest, ModifiersAloneAndCodesWithoutAKeyTypeNothing) {
    const OsMessage nothing[] = {
        Keypad(KeyStatusEvent, 'a', StatusShift),
        Keypad(KeyStatusEvent, 0, StatusCapsLock | StatusShift),
        Keypad(KeyCharEvent, KeyNone, 0),     // a Flexis key without an entry
        Keypad(KeyCharEvent, KeyControl, 0),  // its release is never posted: it cannot be held
        Keypad(KeyCharEvent, KeyCapsLock, 0),
        Keypad(KeyCharEvent, KeyEscapeExtended, 0),
        Keypad(KeyCharEvent, 10, 0),
        Keypad(KeyCharEvent, 141, 0),
        Keypad(KeyCharEvent, KeySwallow, 0),
        Keypad(KeyCharEvent, 256 + 'a', 0),
        Keypad(KeyCharEvent, -1, 0),
        Keypad(600, 'a', 0),
        OsMessage{SystemDevice, KeyCharEvent, 'a', 0, 0, 0, 0},
    };
    for (const OsMessage& message : nothing) {
        SCOPED_TRACE(std::to_string(message.device) + " " + std::to_string(message.event) + " " +
                     std::to_string(message.subMessage));
        EXPECT_FALSE(host::HostKeyFor(message).has_value());
    }
}

TEST(HostKeyTest, EveryPrintableCharacterHasAChordOfItsOwn) {
    std::set<std::pair<std::uint16_t, bool>> chords;
    for (int character = 32; character <= 126; ++character) {
        SCOPED_TRACE(std::string(1, static_cast<char>(character)));
        const auto key = host::HostKeyFor(Keypad(KeyCharEvent, character, 0));
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(Printed(*key), std::string(1, static_cast<char>(character)));
        EXPECT_TRUE(chords.insert({key->code, key->shift}).second) << "the chord of another character";
    }
}

// The legends of a US keyboard: each shifted character lies on the key of
// the plain one above it.
TEST(HostKeyTest, ShiftedCharactersShareTheKeyOfTheirPlainOnes) {
    const std::string plain = "`1234567890-=[]\\;',./abcdefghijklmnopqrstuvwxyz";
    const std::string shifted = "~!@#$%^&*()_+{}|:\"<>?ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (std::size_t i = 0; i < plain.size(); ++i) {
        SCOPED_TRACE(plain.substr(i, 1) + " " + shifted.substr(i, 1));
        const auto down = host::HostKeyFor(Keypad(KeyCharEvent, plain[i], 0));
        const auto up = host::HostKeyFor(Keypad(KeyCharEvent, shifted[i], 0));
        ASSERT_TRUE(down && up);
        EXPECT_FALSE(down->shift);
        EXPECT_TRUE(up->shift);
        EXPECT_EQ(down->code, up->code);
    }
    EXPECT_EQ(host::HostKeyFor(Keypad(KeyCharEvent, '1', 0))->code, KEY_1);
    EXPECT_EQ(host::HostKeyFor(Keypad(KeyCharEvent, '[', 0))->code, KEY_LEFTBRACE);
    EXPECT_EQ(host::HostKeyFor(Keypad(KeyCharEvent, '/', 0))->code, KEY_SLASH);
}

TEST(StrokeTransitionsTest, ShiftIsHeldAroundTheKey) {
    const host::KeyTransitionEvent shifted[] = {
        {KEY_LEFTSHIFT, true}, {KEY_A, true}, {KEY_A, false}, {KEY_LEFTSHIFT, false}};
    const auto transitions = host::StrokeTransitions({KEY_A, true});
    ASSERT_EQ(transitions.size(), std::size(shifted));
    for (std::size_t i = 0; i < transitions.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(transitions[i].code, shifted[i].code);
        EXPECT_EQ(transitions[i].down, shifted[i].down);
    }
    EXPECT_EQ(host::StrokeTransitions({KEY_ENTER, false}).size(), 2u);
}

// Whatever the decoders post, the keys a stroke presses are keys the virtual
// keyboard has, and all of them are up again when the stroke ends.
TEST(StrokeTransitionsTest, NoMessageLeavesAKeyDown) {
    const std::vector<std::uint16_t> codes = host::HostKeyCodes();
    const std::set<std::uint16_t> deviceKeys(codes.begin(), codes.end());
    for (const std::int32_t event : {KeyCharEvent, KeyClickEvent, KeyMoveUpEvent, KeyMoveDownEvent, KeyStatusEvent}) {
        for (std::int32_t subMessage = 0; subMessage <= 255; ++subMessage) {
            for (std::int32_t status = 0; status <= (StatusAlt | StatusShift | StatusCapsLock); ++status) {
                const auto key = host::HostKeyFor(Keypad(event, subMessage, status));
                if (!key) {
                    continue;
                }
                std::set<std::uint16_t> down;
                for (const host::KeyTransitionEvent& transition : host::StrokeTransitions(*key)) {
                    ASSERT_TRUE(deviceKeys.contains(transition.code)) << event << " " << subMessage;
                    if (transition.down) {
                        down.insert(transition.code);
                    } else {
                        down.erase(transition.code);
                    }
                }
                ASSERT_TRUE(down.empty()) << event << " " << subMessage << " status " << status;
            }
        }
    }
}

}  // namespace
