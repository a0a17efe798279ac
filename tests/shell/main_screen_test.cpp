// The screen as start-up builds it, and the menu's answers to what the UI
// engine reports.

#include <string>

#include "shell/main_screen.h"
#include "tests/shell/shell_test.h"

namespace {

using MainScreenTest = ShellTest;

TEST_F(MainScreenTest, BuildsTitleAndBothFieldsWithNoFieldActive) {
    EXPECT_STREQ(screen->title.text, "Clavenet");
    EXPECT_EQ(screen->titleArea.title, &screen->title);
    ASSERT_EQ(screen->fieldCount, 2);
    EXPECT_EQ(screen->fields[0], &screen->keyboardTypeField);
    EXPECT_EQ(screen->fields[1], &screen->testField);
    EXPECT_EQ(screen->activeField, -1);
    EXPECT_STREQ(screen->testField.label, "Test:");
    EXPECT_STREQ(screen->keyboardTypeField.label, "Keyboard type:");
    EXPECT_EQ(screen->menu.entryCount, 5);
    EXPECT_STREQ(screen->menu.entries[KeyboardOnEntry], "Keyboard on");
    EXPECT_STREQ(screen->menu.entries[KeyboardOffEntry], "Keyboard off");
    EXPECT_STREQ(screen->menu.entries[CloseEntry], "Close");
    EXPECT_STREQ(screen->menu.entries[0], "__");
    EXPECT_STREQ(screen->menu.entries[4], "__");
}

TEST_F(MainScreenTest, KeyboardTypeIsTheChoiceFieldsIndexAmongTheNames) {
    const auto& models = keyboardNames;
    std::vector<std::string> names;
    for (const char* const* name = screen->keyboardTypeField.names; *name != nullptr; ++name) {
        if (**name != '\0') {
            names.emplace_back(*name);
        }
    }
    ASSERT_EQ(names.size(), static_cast<std::size_t>(KeyboardTypeCount));
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        EXPECT_EQ(names[static_cast<std::size_t>(type)], models[type]);
        sim::ChooseKeyboardType(type);
        EXPECT_EQ(ReadKeyboardType(*screen), type);
    }
}

struct MenuCase {
    const char* what;
    std::vector<OsMessage> input;
    int code;
};

OsMessage Keypad(std::int32_t event, std::int32_t subMessage = 0) { return {KeypadDevice, event, subMessage, 0, 0, 0, 0}; }

std::vector<std::int32_t> HandedEvents() {
    std::vector<std::int32_t> events;
    for (const OsMessage& message : sim::HandedMessages()) {
        events.push_back(message.event);
    }
    return events;
}

TEST_F(MainScreenTest, RunMenuAnswersWhatTheEngineReports) {
    const MenuCase cases[] = {
        {"click on the current entry", {Keypad(KeyClickEvent)}, KeyboardOnEntry},
        {"roll down, then click", {Keypad(KeyMoveDownEvent), Keypad(KeyClickEvent)}, KeyboardOffEntry},
        {"Escape cancels", {Keypad(KeyCharEvent, KeyEscape)}, MenuCancelled},
        {"Backspace cancels", {Keypad(KeyCharEvent, KeyBackspace)}, MenuCancelled},
        {"the engine's clear code", {Keypad(KeyCharEvent, KeyDelete)}, MenuClearTestField},
        {"other keys leave the menu up", {Keypad(KeyCharEvent, 'x'), Keypad(KeyStatusEvent, KeyBackspace),
                                          Keypad(KeyClickEvent)}, KeyboardOnEntry},
        {"other devices are dropped", {{SystemDevice, ClearTestFieldEvent, 0, 0, 0, 0, 0},
                                       {IdleCheckDevice, IdleCheckEvent, 0, 0, 0, 0, 0}, Keypad(KeyClickEvent)},
         KeyboardOnEntry},
    };
    for (const MenuCase& menuCase : cases) {
        SCOPED_TRACE(menuCase.what);
        screen->menu.currentEntry = KeyboardOnEntry;
        for (const OsMessage& message : menuCase.input) {
            sim::QueueTaskMessage(message);
        }
        const std::size_t handedBefore = sim::HandedMessages().size();
        EXPECT_EQ(RunMenu(*screen), menuCase.code);
        EXPECT_FALSE(sim::MenuShown());
        EXPECT_FALSE(sim::TaskHasMessages());
        std::size_t keypadMessages = 0;
        for (const OsMessage& message : menuCase.input) {
            keypadMessages += message.device == KeypadDevice ? 1 : 0;
        }
        EXPECT_EQ(sim::HandedMessages().size() - handedBefore, keypadMessages);
    }
}

// Only keypad input reaches the engine; 257 of the system device empties
// "Test:", the same event number of another device does not.
TEST_F(MainScreenTest, TheScreenLoopHandsOnKeypadInputOnly) {
    Queue(KeypadDevice, KeyCharEvent, 'a');
    Queue(KeypadDevice, ClearTestFieldEvent);
    Queue(IdleCheckDevice, IdleCheckEvent);
    Queue(SerialDevice, SerialDataEvent);
    RunUntilTaskWaits([this] { RunMainScreen(*screen); });
    EXPECT_EQ(HandedEvents(), (std::vector<std::int32_t>{KeyCharEvent, ClearTestFieldEvent}));
    EXPECT_EQ(sim::TestFieldText(), "a");
    Queue(SystemDevice, ClearTestFieldEvent);
    RunUntilTaskWaits([this] { RunMainScreen(*screen); });
    EXPECT_EQ(sim::TestFieldText(), "");
    EXPECT_EQ(sim::HandedMessages().size(), 2u);
}

// The OS 2.x builds send the user to the ribbon on Escape, and the engine
// still gets the key.
TEST_F(MainScreenTest, EscapeGoesToTheRibbonAndStillToTheEngine) {
    Queue(KeypadDevice, KeyCharEvent, KeyEscape);
    Queue(KeypadDevice, KeyStatusEvent, KeyEscape);
    Queue(KeypadDevice, KeyMoveUpEvent, KeyEscape);
    RunUntilTaskWaits([this] { RunMainScreen(*screen); });
    EXPECT_EQ(HandedEvents(), (std::vector<std::int32_t>{KeyCharEvent, KeyStatusEvent, KeyMoveUpEvent}));
    const Trace toRibbon = targetBuild == Build::Pager950 ? Trace{} : Trace{"0 RibbonSwitch", "0 RibbonSwitch"};
    EXPECT_EQ(sim::TakeTrace(), toRibbon);
}

TEST_F(MainScreenTest, TheMenuIsShownWhileItWaits) {
    RunUntilTaskWaits([this] { RunMenu(*screen); });
    EXPECT_TRUE(sim::MenuShown());
}

TEST_F(MainScreenTest, ClearTestFieldEmptiesTheFieldAndToleratesAnEmptyOne) {
    ClearTestField(*screen);
    EXPECT_EQ(sim::TestFieldText(), "");
    for (const char character : std::string("abc")) {
        OsMessage message = Keypad(KeyCharEvent, character);
        application->HandleMessage(&message);
    }
    ASSERT_EQ(sim::TestFieldText(), "abc");
    ClearTestField(*screen);
    EXPECT_EQ(sim::TestFieldText(), "");
}

TEST_F(MainScreenTest, TheScreenLoopClearsTheKeypadMessageAndShowsTheScreen) {
    KeypadMessage = {7, 7, 7, 7, 7, 7, 7};
    application->shownScreen = nullptr;
    RunUntilTaskWaits([this] { RunMainScreen(*screen); });
    EXPECT_TRUE(KeypadMessageCleared());
    EXPECT_TRUE(sim::ScreenShown());
    EXPECT_EQ(application->shownScreen, screen);
    // The 950 pager has no use for "Close": it is unavailable from the start.
    const bool closeDisabled = (screen->menu.entryList.disabledEntries >> CloseEntry & 1) != 0;
    EXPECT_EQ(closeDisabled, targetBuild == Build::Pager950);
}

}  // namespace
