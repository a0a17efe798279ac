// Key mode without a device: keymap files read and refused, the keys a run
// of key transitions presses, and what --print shows of them.

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <string>
#include <utility>
#include <vector>

#include "host/key_mode.h"
#include "host/key_output.h"
#include "host/keymap.h"

namespace {

using Events = std::vector<std::pair<std::uint16_t, bool>>;

// Collects what key mode sends, as the virtual keyboard would get it.
class RecordedKeys : public host::KeyOutput {
public:
    void Key(std::uint16_t code, bool down) override { events.emplace_back(code, down); }
    void Unmapped(KeyNumber key) override { unmapped.push_back(key); }
    void HandheldOnly(std::string_view) override {}
    void ReleaseAll() override {}

    Events events;
    std::vector<KeyNumber> unmapped;
};

constexpr KeyTransition Make = KeyTransition::Make;
constexpr KeyTransition Break = KeyTransition::Break;

struct KeyModeCase {
    const char* what;
    KeyboardType model;
    std::vector<KeyEvent> transitions;
    Events pressed;
};

TEST(KeyModeTest, EachKeyIsPressedAtItsMakeAndReleasedAtItsBreak) {
    // Pocketop: 0x01 q (fn !, num 1), 0x65 left Shift, 0x76 fn, 0x6e num,
    // 0x2b and 0x34 both space, 0x3c nothing without the number layer.
    const KeyModeCase cases[] = {
        {"a key", PocketopKeyboard, {{0x01, Make}, {0x01, Break}}, {{KEY_Q, true}, {KEY_Q, false}}},
        {"the keyboard's own repeats press nothing again; a second break is dropped",
         HappyHackingKeyboard,
         {{0x1c, Make}, {0x1c, Make}, {0x1c, Make}, {0x1c, Break}, {0x1c, Break}},
         {{KEY_A, true}, {KEY_A, false}}},
        {"a chord: the modifier held while held",
         HappyHackingKeyboard,
         {{0x14, Make}, {0x21, Make}, {0x21, Break}, {0x14, Break}},
         {{KEY_LEFTCTRL, true}, {KEY_C, true}, {KEY_C, false}, {KEY_LEFTCTRL, false}}},
        {"an extended key is a key of its own",
         HappyHackingKeyboard,
         {{0x75, Make}, {ExtendedKey | 0x75, Make}, {ExtendedKey | 0x75, Break}, {0x75, Break}},
         {{KEY_KP8, true}, {KEY_UP, true}, {KEY_UP, false}, {KEY_KP8, false}}},
        {"two keys on one Linux key hold it until both are up",
         PocketopKeyboard,
         {{0x2b, Make}, {0x34, Make}, {0x2b, Break}, {0x34, Break}},
         {{KEY_SPACE, true}, {KEY_SPACE, false}}},
        {"the layer's symbol with Shift pressed around it",
         PocketopKeyboard,
         {{0x76, Make}, {0x01, Make}, {0x01, Break}, {0x76, Break}},
         {{KEY_LEFTSHIFT, true}, {KEY_1, true}, {KEY_1, false}, {KEY_LEFTSHIFT, false}}},
        {"Shift already held: no second one",
         PocketopKeyboard,
         {{0x65, Make}, {0x76, Make}, {0x01, Make}, {0x01, Break}, {0x76, Break}, {0x65, Break}},
         {{KEY_LEFTSHIFT, true}, {KEY_1, true}, {KEY_1, false}, {KEY_LEFTSHIFT, false}}},
        {"a key lets go of what its make pressed, though the layer went first",
         PocketopKeyboard,
         {{0x6e, Make}, {0x01, Make}, {0x6e, Break}, {0x01, Break}, {0x01, Make}, {0x01, Break}},
         {{KEY_1, true}, {KEY_1, false}, {KEY_Q, true}, {KEY_Q, false}}},
        {"a key the layer gives", PocketopKeyboard, {{0x6e, Make}, {0x3c, Make}, {0x3c, Break}}, {{KEY_0, true}, {KEY_0, false}}},
        {"a key with no meaning presses nothing", PocketopKeyboard, {{0x3c, Make}, {0x3c, Break}, {0x00, Make}}, {}},
    };
    for (const KeyModeCase& keyModeCase : cases) {
        SCOPED_TRACE(keyModeCase.what);
        const host::Keymap keymap = host::DefaultKeymap(keyModeCase.model);
        RecordedKeys keys;
        host::KeyMode keyMode(keymap, keys);
        for (const KeyEvent& transition : keyModeCase.transitions) {
            keyMode.Handle(transition);
        }
        EXPECT_EQ(keys.events, keyModeCase.pressed);
        EXPECT_TRUE(keyMode.KeysDown().empty());
    }
}

TEST(KeyModeTest, LettingGoOfEveryKeyReleasesEachOnceAndEndsTheLayers) {
    const host::Keymap keymap = host::DefaultKeymap(PocketopKeyboard);
    RecordedKeys keys;
    host::KeyMode keyMode(keymap, keys);
    for (const KeyEvent transition : {KeyEvent{0x2b, Make}, {0x34, Make}, {0x6d, Make}, {0x76, Make}, {0x01, Make}}) {
        keyMode.Handle(transition);
    }
    keys.events.clear();
    keyMode.ReleaseAll();
    Events released = keys.events;
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (Events{{KEY_1, false}, {KEY_LEFTCTRL, false}, {KEY_LEFTSHIFT, false}, {KEY_SPACE, false}}));
    keys.events.clear();
    for (const KeyEvent transition : {KeyEvent{0x2b, Break}, {0x01, Make}, {0x01, Break}}) {
        keyMode.Handle(transition);
    }
    EXPECT_EQ(keys.events, (Events{{KEY_Q, true}, {KEY_Q, false}}));
}

struct KeymapFault {
    const char* line;
    const char* message;
};

TEST(KeymapTest, AFaultyLineIsRefusedWithItsLineAndTheKeymapStaysAsItWas) {
    const KeymapFault faults[] = {
        {"zz KEY_A", "mine:2: 'zz' is no key number (0x1c, or 0xe075 for an extended key)"},
        {"0x88 KEY_A", "mine:2: 0x88 is no key of the Happy Hacking keyboard"},
        {"0xe088 KEY_A", "mine:2: 0xe088 is no key of the Happy Hacking keyboard"},
        {"0x1c KEY_ESCAPE",
         "mine:2: unknown key 'KEY_ESCAPE' (a name of linux/input-event-codes.h such as KEY_ESC, shift+ one, fn, num "
         "or none)"},
        {"0x1c", "mine:2: 0x1c says not what the key is (a KEY_ name, shift+ one, fn, num or none)"},
        {"0x1c KEY_A up:KEY_B", "mine:2: 'up:KEY_B' is no layer entry (fn:ACTION or num:ACTION)"},
        {"0x1c KEY_A fn:KEY_B fn:KEY_C", "mine:2: two fn: entries for 0x1c"},
        {"0x1c KEY_A fn:num", "mine:2: 'fn:num': a layer gives a key, not another layer"},
        {"0x1c fn fn:KEY_B", "mine:2: a layer key has no layer entries"},
        {"0x15 KEY_B", "mine:2: 0x15 is given twice (also on line 1)"},
    };
    for (const KeymapFault& fault : faults) {
        SCOPED_TRACE(fault.line);
        host::Keymap keymap = host::DefaultKeymap(HappyHackingKeyboard);
        const host::Keymap before = keymap;
        const auto refused = host::ReadKeymap("0x15 KEY_Q  # q\n" + std::string(fault.line) + "\n", "mine",
                                              HappyHackingKeyboard, keymap);
        ASSERT_TRUE(refused.has_value());
        EXPECT_EQ(*refused, fault.message);
        EXPECT_EQ(host::WriteKeymap(keymap, HappyHackingKeyboard), host::WriteKeymap(before, HappyHackingKeyboard));
    }
}

TEST(KeymapTest, ALineReplacesItsKeysEntryAndTheWrittenKeymapReadsBackTheSame) {
    host::Keymap keymap = host::DefaultKeymap(GoTypeKeyboard);
    // A Control key where none is known, and Caps Lock as a second Escape.
    ASSERT_FALSE(host::ReadKeymap("\t# mine\n0x34 KEY_LEFTCTRL\n\n0x66 KEY_CAPSLOCK fn:KEY_ESC  # Fn\n", "mine",
                                  GoTypeKeyboard, keymap));
    ASSERT_NE(keymap.Find(0x34), nullptr);
    EXPECT_EQ(keymap.Find(0x34)->base.code, KEY_LEFTCTRL);
    EXPECT_EQ(keymap.Find(0x66)->layers[static_cast<int>(host::Layer::Fn)].code, KEY_ESC);
    EXPECT_EQ(keymap.Find(0x1e)->base.code, KEY_S);
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        SCOPED_TRACE(keyboardNames[type]);
        const host::Keymap written = type == GoTypeKeyboard ? keymap : host::DefaultKeymap(type);
        host::Keymap read;
        ASSERT_FALSE(host::ReadKeymap(host::WriteKeymap(written, type), "written", type, read));
        EXPECT_EQ(host::WriteKeymap(read, type), host::WriteKeymap(written, type));
    }
}

// A default keymap loses no key that the handheld's table gives a meaning,
// but where a choice left it out.
TEST(KeymapTest, EveryKeyOfAScanTableHasAnEntry) {
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        SCOPED_TRACE(keyboardNames[type]);
        const host::Keymap keymap = host::DefaultKeymap(type);
        for (std::size_t key = 0; key < scanTables[type].size; ++key) {
            // The Happy Hacking's plain 0x1f is no key of a PS/2 keyboard.
            if (scanTables[type].codes[key] != KeyNone && !(type == HappyHackingKeyboard && key == 0x1f)) {
                EXPECT_NE(keymap.Find(static_cast<KeyNumber>(key)), nullptr) << host::KeyNumberText(key);
            }
        }
    }
}

struct PrintCase {
    Events keys;
    const char* printed;
};

TEST(PrintedKeysTest, CharactersAsThemselvesChordsAndOtherKeysByName) {
    const PrintCase cases[] = {
        {{{KEY_A, true}, {KEY_A, false}}, "a"},
        {{{KEY_LEFTSHIFT, true}, {KEY_A, true}, {KEY_1, true}}, "A!"},
        {{{KEY_CAPSLOCK, true}, {KEY_CAPSLOCK, false}, {KEY_A, true}, {KEY_1, true}}, "A1"},
        {{{KEY_ENTER, true}}, "\n"},
        {{{KEY_LEFTCTRL, true}, {KEY_C, true}}, "<Ctrl+c>"},
        {{{KEY_RIGHTALT, true}, {KEY_TAB, true}}, "<Alt+Tab>"},
        {{{KEY_LEFTSHIFT, true}, {KEY_TAB, true}}, "<Shift+Tab>"},
        {{{KEY_LEFTCTRL, true}, {KEY_LEFTSHIFT, true}, {KEY_SPACE, true}}, "<Ctrl+Shift+Space>"},
        {{{KEY_LEFTMETA, true}, {KEY_L, true}}, "<Super+l>"},
        {{{KEY_ESC, true}, {KEY_ESC, false}, {KEY_F11, true}, {KEY_VOLUMEUP, true}}, "<Escape><F11><VOLUMEUP>"},
        {{{KEY_LEFTCTRL, true}, {KEY_LEFTCTRL, false}, {KEY_LEFTALT, true}}, ""},
        {{{KEY_B, true}, {KEY_B, true}}, "b"},
    };
    for (const PrintCase& printCase : cases) {
        SCOPED_TRACE(printCase.printed);
        std::string text;
        host::PrintedKeys printed([&text](std::string_view part) { text += part; });
        for (const auto& [code, down] : printCase.keys) {
            printed.Key(code, down);
        }
        EXPECT_EQ(text, printCase.printed);
    }
    std::string text;
    host::PrintedKeys([&text](std::string_view part) { text += part; }).Unmapped(ExtendedKey | 0x37);
    EXPECT_EQ(text, "<key 0xe037>");
}

}  // namespace
