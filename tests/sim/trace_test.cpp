// The trace as people read it: what --explain says about a line, and how the
// demo folds a long run of the same timer line.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sim/explain.h"
#include "sim/kernel.h"
#include "sim/trace.h"

namespace {

TEST(ExplainTest, NamesWhatTheNumbersOfALineMean) {
    const struct {
        const char* line;
        const char* comment;
    } cases[] = {
        {"0 RimPostMessage app 2 513 70 0 0 2 0", "'F' with Shift"},
        {"0 RimPostMessage app 2 513 65 0 0 6 0", "'A' with Shift and Caps Lock"},
        {"0 RimPostMessage app 2 513 39 0 0 0 0", "\"'\""},
        {"0 RimPostMessage clavenet 2 513 8 0 0 1 0", "Backspace with Alt"},
        {"0 RimPostMessage app 2 513 130 0 0 0 0", "character 130"},
        {"0 RimPostMessage app 2 518 1 0 0 1 0", "Left (up with Alt)"},
        {"0 RimPostMessage app 2 519 1 0 0 2 0", "Down with Shift"},
        {"0 RimPostMessage app 2 516 97 0 0 0 0", "click"},
        {"0 RimPostMessage app 2 520 97 0 0 0 0", "modifiers now none"},
        {"0 RimPostMessage app 2 520 97 0 0 3 0", "modifiers now Alt and Shift"},
        {"0 CommOpenPort 4800 8 0 1 1 1", "4800 baud, 8 data bits, no parity, 1 stop bit"},
        {"0 CommSetDsr 0", "DSR low"},
        {"0 RimSetTimer 1025 5 1", "RepeatTimer started, every 5 ticks"},
        {"0 RimSetTimer 1026 0 1", "LinkTimer stopped"},
        {"0 RimRegisterMessageCallback 768 65280", "every event of device 3: the idle check"},
        {"0 RimRegisterMessageCallback 1283 -1", "serial data has arrived"},
        {"0 RibbonSelect \"Search Messages\"", "the Flexis hot key Alt+f"},
        {"0 RibbonSetIcon \"Clavenet\" 16 16 0 21", "the 16x16 icon"},
        {"0 Screen type=3 test=\"a b\" menu=hidden link=open", "keyboard Happy Hacking"},
        {"0 Note \"type=1\"", ""},
        {"0 App text=\"x\"", ""},
    };
    for (const auto& explained : cases) {
        EXPECT_EQ(sim::ExplainTraceLine(explained.line), explained.comment) << explained.line;
    }
}

class FoldTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetKernel();
        output = std::tmpfile();
        sim::StreamTraceTo(output, {.foldRepeats = true});
    }
    void TearDown() override {
        sim::StreamTraceTo(nullptr);
        std::fclose(output);
    }

    void LineAfter(std::uint32_t ticks, const char* name) {
        sim::Wait(ticks);
        sim::TraceLine{name};
    }

    std::string Written() {
        sim::FlushTrace();
        std::rewind(output);
        std::string text;
        for (int character; (character = std::fgetc(output)) != EOF;) {
            text += static_cast<char>(character);
        }
        return text;
    }

    std::FILE* output = nullptr;
};

TEST_F(FoldTest, ALongRunAtASteadyIntervalIsCountedAfterItsFirstLine) {
    for (int i = 0; i < 5; ++i) {
        LineAfter(500, "RimPagerSetup");
    }
    LineAfter(3, "CommClosePort");
    EXPECT_EQ(Written(),
              "500 RimPagerSetup\n"
              "# \u2026 4 more RimPagerSetup, one every 500 ticks\n"
              "2503 CommClosePort\n");
}

TEST_F(FoldTest, ShortRunsAndUnsteadyIntervalsAreWrittenOut) {
    LineAfter(5, "Tick");
    LineAfter(5, "Tick");
    LineAfter(5, "Tick");
    LineAfter(7, "Tick");
    for (int i = 0; i < 4; ++i) {
        LineAfter(0, "Other");
    }
    EXPECT_EQ(Written(), "5 Tick\n10 Tick\n15 Tick\n22 Tick\n22 Other\n22 Other\n22 Other\n22 Other\n");
}

}  // namespace
