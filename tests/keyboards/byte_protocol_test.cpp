// Each model's byte protocol fed bytes directly: the key and transition each
// byte names, and what it leaves in the framing for the next.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "keyboards/keyboard_models.h"

namespace {

constexpr KeyTransition Make = KeyTransition::Make;
constexpr KeyTransition Break = KeyTransition::Break;

struct Step {
    std::uint8_t byte;
    KeyNumber key;
    KeyTransition transition;  // looked at only where the byte names a key, or breaks without one
    std::uint8_t releasePending;
    std::uint8_t extendedPending;
};

struct ProtocolCase {
    const char* what;
    KeyboardType model;
    KeyFraming before;
    std::vector<Step> steps;
};

TEST(ByteProtocol, EachByteNamesItsKeyAndLeavesTheFramingForTheNext) {
    const ProtocolCase cases[] = {
        {"Flexis: bit 7 set presses", FlexisKeyboard, {}, {{0x80, 0x00, Make, 0, 0}, {0x00, 0x00, Break, 0, 0}}},
        {"Flexis: a break left by another model makes a press a release",
         FlexisKeyboard,
         {1, 0},
         {{0x80, 0x00, Break, 0, 0}, {0x80, 0x00, Make, 0, 0}}},
        {"Pocketop: bit 7 set releases, and stays pending",
         PocketopKeyboard,
         {},
         {{0x01, 1, Make, 0, 0}, {0x81, 1, Break, 1, 0}, {0x7F, 127, Make, 0, 0}}},
        {"GoType: numbers from 103 on are no keys",
         GoTypeKeyboard,
         {1, 0},
         {{0x1E, 30, Make, 1, 0}, {0x9E, 30, Break, 1, 0}, {0x66, 102, Make, 1, 0}, {0x67, NoKey, Make, 1, 0}}},
        {"Palm Portable: numbers from 90 on are no keys, but still break",
         PalmPortableKeyboard,
         {},
         {{0x03, 3, Make, 0, 0}, {0x83, 3, Break, 0, 0}, {0x5A, NoKey, Make, 0, 0}, {0xDA, NoKey, Break, 0, 0}}},
        {"Happy Hacking: 0xF0 makes the next code a break",
         HappyHackingKeyboard,
         {},
         {{0x1C, 0x1C, Make, 0, 0}, {0xF0, NoKey, Make, 1, 0}, {0x1C, 0x1C, Break, 0, 0}}},
        {"Happy Hacking: 0xE0 marks the next code extended, before or after 0xF0",
         HappyHackingKeyboard,
         {},
         {{0xE0, NoKey, Make, 0, 1},
          {0x75, ExtendedKey | 0x75, Make, 0, 0},
          {0xE0, NoKey, Make, 0, 1},
          {0xF0, NoKey, Make, 1, 1},
          {0x75, ExtendedKey | 0x75, Break, 0, 0}}},
        {"Happy Hacking: other bytes beyond the table keep what is pending",
         HappyHackingKeyboard,
         {},
         {{0xF0, NoKey, Make, 1, 0}, {0xAA, NoKey, Make, 1, 0}, {0x88, NoKey, Make, 1, 0}, {0x83, 0x83, Break, 0, 0}}},
    };
    for (const ProtocolCase& protocolCase : cases) {
        SCOPED_TRACE(protocolCase.what);
        KeyFraming framing = protocolCase.before;
        for (const Step& step : protocolCase.steps) {
            const KeyEvent event = byteProtocols[protocolCase.model](step.byte, framing);
            EXPECT_EQ(event.key, step.key) << "byte " << int{step.byte};
            if (event.key != NoKey || protocolCase.model == PalmPortableKeyboard) {
                EXPECT_EQ(event.transition, step.transition) << "byte " << int{step.byte};
            }
            EXPECT_EQ(framing.releasePending, step.releasePending) << "byte " << int{step.byte};
            EXPECT_EQ(framing.extendedPending, step.extendedPending) << "byte " << int{step.byte};
        }
    }
}

}  // namespace
