// Start-up up to the first wait, the static tables, and the unload hook.

#include <vector>

#include <algorithm>
#include <string_view>

#include "shell/startup.h"
#include "sim/platform_calls.h"
#include "sim/registration.h"
#include "tests/shell/shell_test.h"

namespace {

using StartupTest = ShellTest;

std::vector<int> calls;

void First() { calls.push_back(1); }
void Second() { calls.push_back(2); }

TEST_F(StartupTest, StaticTablesRunInOrderAndSkipNullEntries) {
    calls.clear();
    const StaticFunction table[] = {nullptr, First, nullptr, Second, First, nullptr};
    RunStaticFunctions(table, table + std::size(table));
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 1}));
    RunStaticFunctions(table, table);
    EXPECT_EQ(calls.size(), 3u);
}

TEST_F(StartupTest, LibraryEntryUndoesTheStaticsOnlyAtUnloadAfterTheyRan) {
    staticsInitialised = 0;
    EXPECT_EQ(LibraryEntry(nullptr, 0, nullptr), 1);
    EXPECT_EQ(staticsInitialised, 0);
    staticsInitialised = 1;
    EXPECT_EQ(LibraryEntry(nullptr, 1, nullptr), 1);
    EXPECT_EQ(staticsInitialised, 1);
    EXPECT_EQ(LibraryEntry(nullptr, 0, nullptr), 1);
    EXPECT_EQ(staticsInitialised, 0);
    EXPECT_EQ(LibraryEntry(nullptr, 0, nullptr), 1);
    EXPECT_EQ(staticsInitialised, 0);
}

TEST_F(StartupTest, AppEntryResetsTheSharedStateAndWaitsOnItsScreen) {
    lastActivityTick = 1;
    linkOpen = 1;
    keyRepeatState = {{1, 1}, 'a', 2, 3, 1, 4};
    LayerFlags = FunctionLayer;
    staticsInitialised = 0;
    sim::ExpectStartUp();
    RunUntilTaskWaits([] { AppEntry(); });
    EXPECT_EQ(staticsInitialised, 1);
    EXPECT_EQ(lastActivityTick, 0);
    EXPECT_EQ(linkOpen, 0);
    EXPECT_EQ(keyRepeatState.heldKey, 0);
    EXPECT_EQ(keyRepeatState.lastPostTick, 0);
    EXPECT_EQ(keyRepeatState.repeatThreshold, 0);
    EXPECT_EQ(keyRepeatState.repeatTimerRunning, 0);
    EXPECT_EQ(keyRepeatState.repeatPostCount, 0);
    EXPECT_EQ(keyRepeatState.releasePending, 0);
    EXPECT_EQ(keyRepeatState.extendedPending, 0);
    EXPECT_EQ(LayerFlags, 0);
    EXPECT_NE(activeScreen, screen);
    EXPECT_EQ(appObject->ready, 1);
    EXPECT_EQ(appObject->shownScreen, activeScreen);
    EXPECT_STREQ(menuEntryStrings[KeyboardOnEntry], "Keyboard on");
}

// The handheld cannot see this order: the first table fills the strings the
// menu is built from, the second builds the application object.
TEST_F(StartupTest, TheMenuStringsAreFilledBeforeTheApplicationObjectIsBuilt) {
    std::fill(std::begin(menuEntryStrings), std::end(menuEntryStrings), nullptr);
    static bool stringsFilled;
    stringsFilled = false;
    sim::ObserveCalls([](std::string_view call) {
        if (call == "UiApplication") {
            stringsFilled = std::all_of(std::begin(menuEntryStrings), std::end(menuEntryStrings),
                                        [](const char* entry) { return entry != nullptr; });
        }
    });
    sim::ExpectStartUp();
    RunUntilTaskWaits([] { AppEntry(); });
    sim::ObserveCalls(nullptr);
    EXPECT_TRUE(stringsFilled);
}

TEST_F(StartupTest, RegistersFromTheNameBufferTheHeaderNames) {
    sim::registeredApplicationName = nullptr;
    RunUntilTaskWaits([] { AppEntry(); });
    EXPECT_EQ(sim::registeredApplicationName, applicationName.text);
}

TEST_F(StartupTest, TheNameBufferIsFollowedByTheLoadersWord) {
    EXPECT_STREQ(applicationName.text, "Clavenet");
    EXPECT_EQ(sizeof applicationName.text, 12u);
    EXPECT_EQ(applicationName.loaderWord, 4000u);
    EXPECT_EQ(offsetof(ApplicationName, loaderWord), 12u);
}

}  // namespace
