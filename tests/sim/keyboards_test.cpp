// What `type` sends, played back through the decoders: every character a
// keyboard has a key for must come out as that character.

#include <string>

#include "keyboards/flexis.h"
#include "keyboards/gotype.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/palm_portable.h"
#include "keyboards/pocketop.h"
#include "keyboards/keyboard_models.h"
#include "sim/keyboards.h"
#include "tests/keyboards/keyboard_test.h"

namespace {

struct TypingCase {
    std::int32_t model;
    Decoder decoder;
    std::string text;
};

// Every printable character, except those the keyboard has no key for.
std::string PrintableExcept(const std::string& missing) {
    std::string text;
    for (char character = ' '; character <= '~'; ++character) {
        if (missing.find(character) == std::string::npos) {
            text += character;
        }
    }
    return text;
}

class SimKeyboardsTest : public KeyboardTest {
protected:
    // The characters posted while `transitions` arrive one serial event each.
    std::string PlayBack(Decoder decoder, const std::vector<sim::KeyTransitionBytes>& transitions) {
        const std::size_t before = sim::PostedMessages().size();
        for (const sim::KeyTransitionBytes& transition : transitions) {
            sim::QueueSerial(transition);
            decoder();
        }
        std::string posted;
        for (std::size_t i = before; i < sim::PostedMessages().size(); ++i) {
            const OsMessage& message = sim::PostedMessages()[i].message;
            if (message.event == KeyCharEvent) {
                posted += static_cast<char>(message.subMessage);
            }
        }
        return posted;
    }
};

TEST_F(SimKeyboardsTest, EveryTypeableCharacterComesOutOfTheDecoderAsTyped) {
    const TypingCase cases[] = {
        {0, DecodeFlexis, PrintableExcept("")},
        // The Pocketop has no quote marks, and neither shift nor a layer
        // gives them.
        {1, DecodePocketop, PrintableExcept("\"")},
        {2, DecodeGoType, PrintableExcept("")},
        {3, DecodeHappyHacking, PrintableExcept("")},
        {4, DecodePalmPortable, PrintableExcept("")},
    };
    for (const TypingCase& typingCase : cases) {
        SCOPED_TRACE(keyboardNames[typingCase.model]);
        StartAt(0);
        const sim::Typing typing = sim::TypeOnKeyboard(typingCase.model, typingCase.text);
        ASSERT_EQ(typing.missing, 0);
        EXPECT_EQ(PlayBack(typingCase.decoder, typing.transitions), typingCase.text);
    }
}

TEST_F(SimKeyboardsTest, TheFirstCharacterWithoutAKeyIsNamedAndNothingIsSent) {
    const sim::Typing typing = sim::TypeOnKeyboard(1, "ab\"c\"");
    EXPECT_EQ(typing.missing, '"');
    EXPECT_TRUE(typing.transitions.empty());
}

TEST_F(SimKeyboardsTest, EachKeyTransitionIsSentInTheKeyboardsOwnEncoding) {
    struct EncodingCase {
        std::int32_t model;
        const char* text;
        std::vector<sim::KeyTransitionBytes> transitions;
    };
    const EncodingCase cases[] = {
        {0, "A", {{0xB8}, {0x80}, {0x00}, {0x38}}},              // Flexis: bit 7 presses
        {1, "1", {{110}, {1}, {129}, {238}}},                    // Pocketop: number layer
        {2, "a", {{29}, {157}}},                                 // GoType: bit 7 releases
        {3, "A", {{0x12}, {0x1C}, {0xF0, 0x1C}, {0xF0, 0x12}}},  // Happy Hacking: F0 releases
        {4, "z", {{3}, {131}}},                                  // Palm Portable
    };
    for (const EncodingCase& encodingCase : cases) {
        SCOPED_TRACE(keyboardNames[encodingCase.model]);
        EXPECT_EQ(sim::TypeOnKeyboard(encodingCase.model, encodingCase.text).transitions, encodingCase.transitions);
    }
}

}  // namespace
