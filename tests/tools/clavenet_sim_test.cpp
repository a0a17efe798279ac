// The runner as a command: scripts it refuses, flags it refuses, and the
// ways it is given a script.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "keyboards/keyboard_models.h"

namespace {

struct RunResult {
    std::string trace;     // as a tool reads it: without the comment lines
    std::string comments;  // the lines for people, which begin with "#"
    std::string errors;
    int status;
};

RunResult SplitComments(const std::string& output, std::string errors, int status) {
    RunResult result{"", "", std::move(errors), status};
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        (line.starts_with("#") ? result.comments : result.trace) += line + "\n";
    }
    return result;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class ClavenetSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("clavenet-sim-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // Runs the runner in the test's folder with `arguments`, `input` on
    // standard input.
    RunResult RunWith(const std::string& arguments, const std::string& input = "") {
        std::ofstream(directory / "input") << input;
        const std::string command = "cd '" + directory.string() + "' && '" CLAVENET_SIM "' " + arguments +
                                    " <input >trace 2>errors";
        const int status = std::system(command.c_str());
        return SplitComments(ReadFile(directory / "trace"), ReadFile(directory / "errors"),
                             WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }

    RunResult RunScript(const std::string& script, const std::string& build = "21") {
        std::ofstream(directory / "s.scn") << script;
        return RunWith("--build " + build + " s.scn");
    }

    std::filesystem::path directory;
};

constexpr const char* startUp21 =
    "0 RibbonRegister \"Clavenet\" 1 3 10\n"
    "0 RimGetDeviceInfo\n"
    "0 RibbonSetIcon \"Clavenet\" 28 28 0 21\n"
    "0 RimRegisterMessageCallback 259 -1\n"
    "0 RimRegisterMessageCallback 1283 -1\n"
    "0 RimRegisterMessageCallback 1025 -1\n"
    "0 RimRegisterMessageCallback 1026 -1\n"
    "0 RimRegisterMessageCallback 768 65280\n";

struct BadScript {
    std::string script;
    std::string error;  // after "s.scn:"
    std::string trace;  // what ran before the bad line
};

TEST_F(ClavenetSimTest, ABadLineStopsTheRunThereWithItsLineNumber) {
    const std::string keyboardOn = std::string(startUp21) +
                                   "0 CommOpenPort 9600 8 0 1 1 1\n0 CommSetDsr 1\n0 RimSetTimer 1026 500 1\n";
    std::string modelNames;
    for (const char* name : keyboardScriptNames) {
        modelNames += (modelNames.empty() ? "" : " or ") + std::string(name);
    }
    const std::string modelNumbers = "0.." + std::to_string(KeyboardTypeCount - 1);
    const BadScript cases[] = {
        {"screen\nfrobnicate 3\nscreen\n", "2: error: unknown command \"frobnicate\"",
         std::string(startUp21) + "0 Screen type=0 test=\"\" menu=hidden link=closed\n"},
        {"model\n", "1: error: \"model\" takes 1 argument, not 0", startUp21},
        {"# comment\n\nwait 1 2\n", "3: error: \"wait\" takes 1 argument, not 2", startUp21},
        {"device-type 256\n", "1: error: 256 is out of range for device-type (0..255)", ""},
        {"tick 4294967296\n", "1: error: 4294967296 is out of range for tick (0..4294967295)", ""},
        {"tick ten\n", "1: error: \"ten\" is not a number", ""},
        {"wait -1\n", "1: error: -1 is out of range for wait (0..4294967295)", startUp21},
        {"wait 0x\n", "1: error: \"0x\" is not a number", startUp21},
        {"model " + std::to_string(KeyboardTypeCount) + "\n",
         "1: error: " + std::to_string(KeyboardTypeCount) + " is out of range for model (" + modelNumbers + ")",
         startUp21},
        {"menu 5\n", "1: error: 5 is out of range for menu (0..4)", startUp21},
        {"key 513 2147483648\n", "1: error: 2147483648 is out of range for key (-2147483648..2147483647)", startUp21},
        {"keyboard on\nserial 1c 1g 1c\n", "2: error: \"1g\" is not a hex byte (two hex digits, e.g. 1c)", keyboardOn},
        {"serial 1c0\n", "1: error: \"1c0\" is not a hex byte (two hex digits, e.g. 1c)", startUp21},
        {"serial\n", "1: error: \"serial\" takes one or more bytes", startUp21},
        {"screen\ntick 5\n", "2: error: \"tick\" only works before the start",
         std::string(startUp21) + "0 Screen type=0 test=\"\" menu=hidden link=closed\n"},
        {"start\ndevice-type 1\n", "2: error: \"device-type\" only works before the start", startUp21},
        {"start\nstart\n", "2: error: \"start\" after the start", startUp21},
        {"tick 1\nstart now\n", "2: error: \"start\" takes 0 arguments, not 1", ""},
        {"foreground me\n", "1: error: \"me\" is not a choice of foreground (app or clavenet or none)", startUp21},
        {"port down\n", "1: error: \"down\" is not a choice of port (ok or fail)", startUp21},
        {"keyboard up\n", "1: error: \"up\" is not a choice of keyboard (on or off)", startUp21},
        {"model pocketop\ntype a\"b\n", "2: error: the Pocketop keyboard has no key for \"\\\"\"", startUp21},
        {"type\n", "1: error: \"type\" takes a text", startUp21},
        {"model happy\n", "1: error: \"happy\" is not a choice of model (" + modelNames + " or " + modelNumbers + ")",
         startUp21},
        {"menu of\n", "1: error: \"of\" is not a choice of menu (on or off or close or cancel or 0..4)", startUp21},
        // Bytes from a binary file must not reach the terminal as they are.
        {"\x1b[2J\x7f\n", "1: error: unknown command \"\\x1b[2J\\x7f\"", startUp21},
    };
    for (const BadScript& bad : cases) {
        SCOPED_TRACE(bad.script);
        const RunResult run = RunScript(bad.script);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.errors, "s.scn:" + bad.error + "\n");
        EXPECT_EQ(run.trace, bad.trace);
    }
}

TEST_F(ClavenetSimTest, BadFlagsGetTheUsageAndStatusTwo) {
    std::ofstream(directory / "s.scn") << "screen\n";
    const std::string badFlags[] = {
        "--frobnicate s.scn", "--build 22 s.scn", "--build", "--demo s.scn", "s.scn s.scn", "-x",
    };
    for (const std::string& flags : badFlags) {
        SCOPED_TRACE(flags);
        const RunResult run = RunWith(flags);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.errors.find("usage: clavenet-sim"), std::string::npos);
        EXPECT_EQ(run.trace, "");
    }
}

TEST_F(ClavenetSimTest, AScriptThatCannotBeReadIsAnError) {
    std::filesystem::create_directory(directory / "folder.scn");
    std::filesystem::create_symlink("loop.scn", directory / "loop.scn");
    const struct {
        std::string argument;
        std::string error;
    } cases[] = {
        {"no-such.scn", "clavenet-sim: cannot read no-such.scn: No such file or directory\n"},
        {"folder.scn", "clavenet-sim: cannot read folder.scn: it is a directory\n"},
        {"loop.scn", "clavenet-sim: cannot read loop.scn: Too many levels of symbolic links\n"},
    };
    for (const auto& unreadable : cases) {
        const RunResult run = RunWith(unreadable.argument);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.errors, unreadable.error);
        EXPECT_EQ(run.trace, "");
    }
}

TEST_F(ClavenetSimTest, AByteOrderMarkBeforeTheFirstLineIsAccepted) {
    const RunResult run = RunScript("\xEF\xBB\xBFscreen\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.trace, std::string(startUp21) + "0 Screen type=0 test=\"\" menu=hidden link=closed\n");
}

// --explain only adds comments: take them away and the plain trace is left,
// byte for byte.
TEST_F(ClavenetSimTest, ExplainAddsACommentToLinesAndChangesNothingElse) {
    const std::string script = "model gotype\nkeyboard on\ntype F\nscreen\n";
    const RunResult plain = RunScript(script);
    const RunResult explained = RunWith("--explain s.scn");
    ASSERT_EQ(explained.status, 0);
    std::string stripped;
    std::istringstream lines(explained.trace);
    for (std::string line; std::getline(lines, line);) {
        stripped += line.substr(0, line.find(" # ")) + "\n";
    }
    EXPECT_EQ(stripped, plain.trace);
    for (const char* explainedLine : {
             "0 CommOpenPort 2400 8 0 1 1 1 # 2400 baud, 8 data bits, no parity, 1 stop bit\n",
             "0 RimPostMessage app 2 513 70 0 0 2 0 # 'F' with Shift\n",
             "0 Screen type=2 test=\"\" menu=hidden link=open # keyboard GoType\n",
         }) {
        EXPECT_NE(explained.trace.find(explainedLine), std::string::npos) << explainedLine;
    }
}

TEST_F(ClavenetSimTest, TheScriptComesFromAFileOrStandardInputForEachBuild) {
    const std::string script = "device-type 1\ntick 0x10\n  screen   # the screen\n";
    const std::string expected21 =
        "16 RibbonRegister \"Clavenet\" 1 3 10\n"
        "16 RimGetDeviceInfo\n"
        "16 RibbonSetIcon \"Clavenet\" 16 16 0 21\n"
        "16 RimRegisterMessageCallback 259 -1\n"
        "16 RimRegisterMessageCallback 1283 -1\n"
        "16 RimRegisterMessageCallback 1025 -1\n"
        "16 RimRegisterMessageCallback 1026 -1\n"
        "16 RimRegisterMessageCallback 768 65280\n"
        "16 Screen type=0 test=\"\" menu=hidden link=closed\n";
    for (const char* standardInput : {"-", ""}) {
        const RunResult fromStandardInput = RunWith(standardInput, script);
        EXPECT_EQ(fromStandardInput.status, 0);
        EXPECT_EQ(fromStandardInput.errors, "");
        EXPECT_EQ(fromStandardInput.trace, expected21);
    }
    EXPECT_EQ(RunScript(script, "21").trace, expected21);
    EXPECT_EQ(RunScript(script, "20").trace, expected21);

    const RunResult pager = RunWith("--build=950 -", script);
    EXPECT_EQ(pager.status, 0);
    EXPECT_EQ(pager.trace,
              "16 OptionsRegister \"Clavenet\" 1 3 10\n"
              "16 RimRegisterMessageCallback 259 -1\n"
              "16 RimRegisterMessageCallback 1283 -1\n"
              "16 RimRegisterMessageCallback 1025 -1\n"
              "16 RimRegisterMessageCallback 1026 -1\n"
              "16 RimRegisterMessageCallback 768 65280\n"
              "16 Screen type=0 test=\"\" menu=hidden link=closed\n");
}

TEST_F(ClavenetSimTest, AnEmptyScriptStillStartsTheApplication) {
    const RunResult run = RunScript("");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.trace, startUp21);
}

// The demo waits 90000 ticks with the link open: its LinkTimer calls are
// counted, not written out one by one.
TEST_F(ClavenetSimTest, TheDemoRunsToTheEndWithItsTimerLinesFolded) {
    const RunResult run = RunWith("--demo");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_NE(run.trace.find("Screen type="), std::string::npos);
    EXPECT_NE(run.comments.find("# \u2026 179 more RimPagerSetup, one every 500 ticks\n"), std::string::npos);
    EXPECT_EQ(run.trace.find("1000 RimPagerSetup"), std::string::npos);
}

}  // namespace
