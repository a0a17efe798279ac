// What the simulated handheld refuses: each misuse ends the run with one
// line on standard error and exit status 3, named after the script line
// whose effects were running, or without a line during start-up.

#include <functional>
#include <string>

#include "shell/startup.h"
#include "sim/platform_calls.h"
#include "sim/platform_fault.h"
#include "sim/scenario.h"
#include "tests/shell/shell_test.h"

namespace {

struct Misuse {
    const char* what;
    std::function<void()> misuse;
    std::string message;  // standard error, whole
};

class PlatformFaultTest : public ShellTest {
protected:
    void TearDown() override {
        sim::SetFaultLocation("");
        ShellTest::TearDown();
    }

    static void ExpectRefused(const Misuse& misuse) {
        SCOPED_TRACE(misuse.what);
        EXPECT_EXIT(misuse.misuse(), ::testing::ExitedWithCode(sim::platformFaultStatus),
                    ::testing::Matcher<const std::string&>(misuse.message));
    }

    void Type(const std::string& text) {
        for (const char character : text) {
            OsMessage message{KeypadDevice, KeyCharEvent, character, 0, 0, 0, 0};
            application->HandleMessage(&message);
        }
    }
};

constexpr bool pager950 = targetBuild == Build::Pager950;

void ConstructEditField(std::int32_t style) {
#if CLAVENET_BUILD == 950
    UiEditField("Test:", 64, 1024, style);
#else
    UiEditField("Test:", 64, 1024, style, 0);
#endif
}

TEST_F(PlatformFaultTest, ArgumentsTheDeviceWouldDrawWronglyAreRefused) {
    const Misuse misuses[] = {
        {"title", [] { UiTitle(0, 131, 0, pager950 ? 0 : 1); },
         pager950 ? "platform fault: title construction, argument 2 (expected 132, got 131)\n"
                  : "platform fault: title construction, argument 2 (expected -1, got 131)\n"},
        {"title text", [this] { screen->title.SetText("Clavenet", 7); },
         "platform fault: title text length (expected 8, got 7)\n"},
        {"choice field",
         [this] { UiChoiceField("Keyboard type:", screen->keyboardTypeField.names, 0, 31); },
         "platform fault: choice field width (expected 32, got 31)\n"},
        {"edit field, while a line runs",
         [] {
             sim::SetFaultLocation("typing.scn:4");
             ConstructEditField(1);
         },
         "typing.scn:4: platform fault: \"Test:\" field style (expected 0, got 1)\n"},
        {"menu", [] { UiMenu(menuEntryStrings, 4); }, "platform fault: menu entry count (expected 5, got 4)\n"},
        {"menu entry", [] {
             const char* const entries[] = {"__", "Keyboard on", "Keyboard off", "Quit", "__"};
             UiMenu(entries, 5);
         },
         "platform fault: menu entry 3 (expected \"Close\", got \"Quit\")\n"},
        {"field added", [this] { screen->AddField(screen->testField, 1); },
         "platform fault: flags of a field added to the screen (expected 0, got 1)\n"},
    };
    for (const Misuse& misuse : misuses) {
        ExpectRefused(misuse);
    }
}

// A range is its first and last character; first = last + 1 is empty.
TEST_F(PlatformFaultTest, ARangeOutsideTheTextIsRefusedNotTrimmed) {
    const std::pair<std::int32_t, std::int32_t> refused[] = {{0, 3}, {-1, 1}, {3, 1}, {4, 3}};
    for (const auto& range : refused) {
        ExpectRefused({"refused range",
                       [this, range] {
                           Type("abc");
                           screen->testField.DeleteRange(range.first, range.second);
                       },
                       "platform fault: the range deleted from the \"Test:\" field (expected one within 0..2, got " +
                           std::to_string(range.first) + ".." + std::to_string(range.second) + ")\n"});
    }
    ExpectRefused({"from an empty field", [this] { screen->testField.DeleteRange(0, 0); },
                   "platform fault: the range deleted from the \"Test:\" field (expected one within 0..-1, got "
                   "0..0)\n"});

    screen->testField.DeleteRange(0, -1);
    Type("abcd");
    screen->testField.DeleteRange(3, 2);
    screen->testField.DeleteRange(1, 2);
    EXPECT_EQ(sim::TestFieldText(), "ad");
}

TEST_F(PlatformFaultTest, StartUpStepsOutOfOrderAreRefused) {
    const Misuse misuses[] = {
        {"no yield after the static initialisers",
         [] {
             sim::ExpectStartUp();
             UiApplication();
             RimRegisterMessageCallback(CloseLinkEvent, -1, &OnOsMessage);
         },
         "platform fault: start-up step 2 (expected RimTaskYield, got RimRegisterMessageCallback)\n"},
        {"the task starts with a yield", [] { sim::RunScenario("s.scn", "screen\n", [] { RimTaskYield(); }); },
         "platform fault: start-up step 1 (expected UiApplication, got RimTaskYield)\n"},
    };
    for (const Misuse& misuse : misuses) {
        ExpectRefused(misuse);
    }
}

int RIM_CALL PostTwice(OsMessage* message) {
    RimPostMessage(sim::appTask, message);
    RimPostMessage(sim::appTask, message);
    RimTaskYield();
    return 1;
}

int RIM_CALL PostWithoutYield(OsMessage* message) {
    RimPostMessage(sim::appTask, message);
    return 1;
}

int RIM_CALL PostAndYield(OsMessage* message) {
    RimPostMessage(sim::appTask, message);
    RimTaskYield();
    return 1;
}

TEST_F(PlatformFaultTest, APostFromTheCallbackWithoutAYieldIsRefused) {
    const std::pair<MessageCallback, const char*> callbacks[] = {
        {PostTwice, "RimPostMessage"},
        {PostWithoutYield, "the callback's return"},
    };
    for (const auto& [callback, got] : callbacks) {
        ExpectRefused({got,
                       [poster = callback] {
                           RimRegisterMessageCallback(SerialDataEvent, -1, poster);
                           sim::DeliverEvent(SerialDevice, SerialDataEvent);
                       },
                       std::string("platform fault: after a post inside the message callback (expected RimTaskYield, "
                                   "got ") +
                           got + ")\n"});
    }
    RimRegisterMessageCallback(SerialDataEvent, -1, PostAndYield);
    sim::DeliverEvent(SerialDevice, SerialDataEvent);
    sim::DeliverEvent(SerialDevice, SerialDataEvent);
    EXPECT_EQ(sim::PostedMessages().size(), 2u);
}

TEST_F(PlatformFaultTest, TheMenuLeavesTheDisplayBlankUntilTheScreenIsShownAgain) {
    application->ShowMenu(screen->menu);
    EXPECT_EQ(sim::OnDisplay(), sim::Display::Menu);
    application->TakeDownMenu(screen->menu);
    EXPECT_EQ(sim::OnDisplay(), sim::Display::Blank);
    ExpectRefused({"waiting on a blank display",
                   [] {
                       OsMessage message{};
                       RimGetMessage(&message);
                   },
                   "platform fault: the display while the task waits (expected its screen or its menu, got nothing: "
                   "the menu was taken down and the screen not shown again)\n"});
    application->ShowScreen(*screen);
    EXPECT_EQ(sim::OnDisplay(), sim::Display::Screen);
}

// The runner names the line whose effects were running: here "keyboard on"
// leads the program to the kernel call where the misuse happens.
TEST_F(PlatformFaultTest, AFaultWhileTheScriptRunsNamesItsLine) {
    ExpectRefused({"at a line",
                   [] {
                       sim::ObserveCalls([](std::string_view call) {
                           if (call == "RimSetTimer") {
                               activeScreen->testField.DeleteRange(0, 5);
                           }
                       });
                       sim::RunScenario("s.scn", "screen\n\nkeyboard on\nscreen\n", &AppEntry);
                   },
                   "s.scn:3: platform fault: the range deleted from the \"Test:\" field (expected one within 0..-1, "
                   "got 0..5)\n"});
}

}  // namespace
