// clavenet-attach as a user runs it, with pseudo-terminals standing in for
// the serial adapter: the bytes each keyboard sends for a line of text, the
// line settings, an unplug and replug, the stop signals, every failure a
// user meets, and a recording replayed on the simulated handheld.

#include <fcntl.h>
#include <grp.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "keyboards/keyboard_models.h"
#include "sim/keyboards.h"

namespace {

using namespace std::chrono_literals;

// How long a step may take before the test gives up on it. Not a measure of
// speed: only a bound, so that a fault fails the test instead of hanging it.
constexpr auto patience = 20s;

struct Model {
    std::int32_t type;
    const char* name;
    speed_t speed;
};

constexpr Model models[] = {
    {0, "flexis", B9600}, {1, "pocketop", B9600}, {2, "gotype", B2400}, {3, "happy-hacking", B4800},
    {4, "palm-portable", B9600},
};

// " 1c f0 1c", as the program writes bytes.
std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::ostringstream text;
    text << std::hex << std::setfill('0');
    for (const std::uint8_t byte : bytes) {
        text << ' ' << std::setw(2) << int{byte};
    }
    return text.str();
}

std::vector<std::uint8_t> TypedBytes(std::int32_t model, const std::string& text) {
    const sim::Typing typing = sim::TypeOnKeyboard(model, text);
    EXPECT_EQ(typing.missing, 0) << keyboardNames[model] << " cannot type " << text;
    std::vector<std::uint8_t> bytes;
    for (const sim::KeyTransitionBytes& transition : typing.transitions) {
        bytes.insert(bytes.end(), transition.begin(), transition.end());
    }
    return bytes;
}

// The adapter: the program opens the slave side by its path, the test
// writes the keyboard's bytes to the master side.
class Adapter {
public:
    Adapter() {
        int slave = -1;
        if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty: " << std::strerror(errno);
            return;
        }
        // Only the test holds the master: a child keeping it would keep the
        // adapter plugged in.
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        path_ = ttyname(slave);
        close(slave);
    }
    ~Adapter() { Unplug(); }
    Adapter(const Adapter&) = delete;
    Adapter& operator=(const Adapter&) = delete;

    const std::string& Path() const { return path_; }
    int Master() const { return master_; }

    void Send(const std::vector<std::uint8_t>& bytes) const {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    void Unplug() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }

    // The line as the program set it up: until it has, bytes sent would be
    // taken in cooked mode and lost, so this is also the wait for it.
    std::optional<termios> AwaitRawLine() const {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            termios line{};
            if (tcgetattr(master_, &line) == 0 && (line.c_lflag & ICANON) == 0) {
                return line;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

private:
    int master_ = -1;
    std::string path_;
};

// clavenet-attach as a child process, its standard output and error
// collected as they come.
class Attach {
public:
    explicit Attach(const std::vector<std::string>& arguments, const std::function<void()>& inChild = {},
                    const std::string& program = CLAVENET_ATTACH) {
        int output[2];
        int errors[2];
        if (pipe2(output, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            return;
        }
        std::vector<std::string> words{program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(output[1], STDOUT_FILENO);
            dup2(errors[1], STDERR_FILENO);
            if (inChild) {
                inChild();
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(output[1]);
        close(errors[1]);
        pipes_[0] = output[0];
        pipes_[1] = errors[0];
    }

    ~Attach() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (const int pipe : pipes_) {
            if (pipe >= 0) {
                close(pipe);
            }
        }
    }
    Attach(const Attach&) = delete;
    Attach& operator=(const Attach&) = delete;

    // Collects output until `done` holds; false when the child closed its
    // output first or patience ran out.
    bool AwaitOutput(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline || !Collect(100ms)) {
                return done();
            }
        }
        return true;
    }
    bool AwaitErrors(const std::string& text) {
        return AwaitOutput([&] { return errors.find(text) != std::string::npos; });
    }

    // The exit status once the child ends by itself; -1 if a signal ended it.
    int Wait() {
        while (Collect(1s)) {
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int Stop(int signal) {
        kill(pid_, signal);
        return Wait();
    }

    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    pid_t Pid() const { return pid_; }

    std::string output;
    std::string errors;

private:
    // Reads what the child wrote within `wait`; false once both pipes ended.
    bool Collect(std::chrono::milliseconds wait) {
        pollfd ready[] = {{pipes_[0], POLLIN, 0}, {pipes_[1], POLLIN, 0}};
        if (pipes_[0] < 0 && pipes_[1] < 0) {
            return false;
        }
        poll(ready, 2, static_cast<int>(wait.count()));
        std::string* into[] = {&output, &errors};
        for (int i = 0; i < 2; ++i) {
            if (ready[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t count = read(pipes_[i], buffer, sizeof buffer);
            if (count > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(count));
            } else {
                close(pipes_[i]);
                pipes_[i] = -1;
            }
        }
        return true;
    }

    pid_t pid_ = -1;
    int pipes_[2] = {-1, -1};
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class AttachTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("clavenet-attach-test-" + std::to_string(getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::filesystem::path directory;
};

// Every character each keyboard can type, in one line: Pocketop makes
// digits and most symbols on its layers.
const std::string line = "Hello, World! (a+b)=42; x_y? [1-9]*";
const std::string pocketopLine = "Hello, World! (a+b)=42; x_y?";

const std::string& LineFor(const Model& model) { return model.type == 1 ? pocketopLine : line; }

// Both roads: each key a Linux key, and the keypad messages the handheld's
// decoders post.
TEST_F(AttachTest, EveryKeyboardTypesTheSameLineAtItsOwnLineSettingsOnBothRoads) {
    for (const Model& model : models) {
        for (const bool keypad : {false, true}) {
            SCOPED_TRACE(std::string(model.name) + (keypad ? " --keypad" : ""));
            Adapter adapter;
            std::vector<std::string> arguments = {"--print", "--model", model.name, adapter.Path()};
            if (keypad) {
                arguments.insert(arguments.begin(), "--keypad");
            }
            Attach attach(arguments);
            const std::optional<termios> settings = adapter.AwaitRawLine();
            ASSERT_TRUE(settings.has_value());
            EXPECT_EQ(cfgetospeed(&*settings), model.speed);
            EXPECT_EQ(cfgetispeed(&*settings), model.speed);
            EXPECT_EQ(settings->c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
            EXPECT_EQ(settings->c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
            EXPECT_EQ(settings->c_lflag & (ECHO | ISIG), 0u);
            EXPECT_EQ(settings->c_iflag & (IXON | ICRNL | ISTRIP), 0u);

            adapter.Send(TypedBytes(model.type, LineFor(model) + "\r"));
            EXPECT_TRUE(attach.AwaitOutput([&] { return attach.output.find('\n') != std::string::npos; }));
            EXPECT_EQ(attach.output, LineFor(model) + "\n");
            EXPECT_EQ(attach.Stop(SIGTERM), 0);
            // A pseudo-terminal has no DTR or RTS to raise: said once.
            EXPECT_NE(attach.errors.find(adapter.Path() + " has no modem lines"), std::string::npos);
        }
    }
}

// The hot keys act on the handheld only; what the other keys become is the
// key mapping's (tests/host/key_strokes_test.cpp).
TEST_F(AttachTest, FlexisHotKeysAndKeysThatAreNoCharactersArePrintedByName) {
    Adapter adapter;
    Attach attach({"--print", "--keypad", "--model", "flexis", adapter.Path()});
    ASSERT_TRUE(adapter.AwaitRawLine().has_value());
    // Alt with 1, 4, f, a and =, then Alt up and 1; Left, Up, click, Delete,
    // the extended escape and Tab.
    adapter.Send({0xBA, 0x92, 0x12, 0x95, 0x15, 0x83, 0x03, 0x80, 0x00, 0x98, 0x18, 0x3A, 0x92, 0x12, 0xFB, 0x7B, 0xFE,
                  0x7E, 0xBD, 0x3D, 0xFA, 0x7A, 0x8A, 0x0A, 0xB0, 0x30});
    const std::string printed =
        "<Address Book><Options><Search Messages><Ribbon><PowerOff>1<Left><Up><Menu><Delete><Escape><Tab>";
    EXPECT_TRUE(attach.AwaitOutput([&] { return attach.output.size() >= printed.size(); }));
    EXPECT_EQ(attach.Stop(SIGTERM), 0);
    EXPECT_EQ(attach.output, printed);
}

// Key mode's keys as --print shows them: chords by name, the keys a PS/2
// keyboard has beyond the handheld's table, a key the keymap gives nothing.
TEST_F(AttachTest, KeyModePrintsChordsAndKeysByName) {
    Adapter adapter;
    Attach attach({"--print", "--model", "happy-hacking", adapter.Path()});
    ASSERT_TRUE(adapter.AwaitRawLine().has_value());
    // Ctrl+c, Alt+Tab, Shift+Tab, Escape, F11, the right Alt with Tab, 0x00.
    adapter.Send({0x14, 0x21, 0xF0, 0x21, 0xF0, 0x14, 0x11, 0x0D, 0xF0, 0x0D, 0xF0, 0x11, 0x12, 0x0D, 0xF0, 0x0D,
                  0xF0, 0x12, 0x76, 0xF0, 0x76, 0x78, 0xF0, 0x78, 0xE0, 0x11, 0x0D, 0xF0, 0x0D, 0xE0, 0xF0, 0x11,
                  0x00, 0xF0, 0x00});
    const std::string printed = "<Ctrl+c><Alt+Tab><Shift+Tab><Escape><F11><Alt+Tab><key 0x00>";
    EXPECT_TRUE(attach.AwaitOutput([&] { return attach.output.size() >= printed.size(); }));
    EXPECT_EQ(attach.Stop(SIGTERM), 0);
    EXPECT_EQ(attach.output, printed);
}

// A keymap file's lines replace the model's; a fault in one ends the run
// before the port is touched.
TEST_F(AttachTest, AKeymapFileRemapsKeysAndAFaultInItStopsEverything) {
    const std::filesystem::path keymap = directory / "mine.keymap";
    std::ofstream(keymap) << "# a on b, Caps Lock as Control\n0x1c KEY_B\n0x58 KEY_LEFTCTRL  # mine\n";
    {
        Adapter adapter;
        Attach attach({"--print", "--model", "happy-hacking", "--keymap", keymap.string(), adapter.Path()});
        ASSERT_TRUE(adapter.AwaitRawLine().has_value());
        adapter.Send({0x1C, 0xF0, 0x1C, 0x58, 0x21, 0xF0, 0x21, 0xF0, 0x58});
        EXPECT_TRUE(attach.AwaitOutput([&] { return attach.output.size() >= 9; }));
        EXPECT_EQ(attach.Stop(SIGTERM), 0);
        EXPECT_EQ(attach.output, "b<Ctrl+c>");
    }
    Attach printing({"--model", "happy-hacking", "--keymap", keymap.string(), "--print-keymap"});
    EXPECT_EQ(printing.Wait(), 0);
    EXPECT_NE(printing.output.find("\n0x1c    KEY_B"), std::string::npos) << printing.output;
    EXPECT_NE(printing.output.find("\n0x58    KEY_LEFTCTRL                                                    # mine\n"),
              std::string::npos);

    std::ofstream(keymap) << "0x1c KEY_B\n0x1d KEY_NOSUCH\n";
    Adapter adapter;
    Attach attach({"--print", "--model", "happy-hacking", "--keymap", keymap.string(), adapter.Path()});
    EXPECT_EQ(attach.Wait(), 2);
    EXPECT_EQ(attach.errors, keymap.string() +
                                 ":2: unknown key 'KEY_NOSUCH' (a name of linux/input-event-codes.h such as KEY_ESC, "
                                 "shift+ one, fn, num or none)\n");
    termios line{};
    ASSERT_EQ(tcgetattr(adapter.Master(), &line), 0);
    EXPECT_NE(line.c_lflag & ICANON, 0u) << "the port was set up";
}

// A key whose break is lost would repeat for good: let go after the limit.
TEST_F(AttachTest, AKeyHeldPastTheLimitWithNoByteIsLetGo) {
    Adapter adapter;
    Attach attach({"--print", "--hold-limit", "1", "--model", "happy-hacking", adapter.Path()});
    ASSERT_TRUE(adapter.AwaitRawLine().has_value());
    adapter.Send({0x14});
    ASSERT_TRUE(attach.AwaitErrors(
        "KEY_LEFTCTRL held for 1 s with no byte from the keyboard: let go, its break taken as lost\n"));
    adapter.Send({0x21, 0xF0, 0x21});
    EXPECT_TRUE(attach.AwaitOutput([&] { return !attach.output.empty(); }));
    EXPECT_EQ(attach.Stop(SIGTERM), 0);
    EXPECT_EQ(attach.output, "c");
}

// Two programs on one port would share its keystrokes between them.
TEST_F(AttachTest, ASecondInstanceCannotTakeAPortInUse) {
    Adapter adapter;
    Attach first({"--print", "--model", "gotype", adapter.Path()});
    ASSERT_TRUE(first.AwaitErrors("keys go to standard output"));
    Attach second({"--print", "--model", "gotype", adapter.Path()});
    EXPECT_EQ(second.Wait(), 1);
    EXPECT_EQ(second.errors, "clavenet-attach: " + adapter.Path() + ": in use by clavenet-attach (process " +
                                 std::to_string(first.Pid()) + "); one program at a time can read a keyboard\n");
    EXPECT_TRUE(first.Running());
    adapter.Send(TypedBytes(GoTypeKeyboard, "ok"));
    EXPECT_TRUE(first.AwaitOutput([&] { return first.output == "ok"; }));
    EXPECT_EQ(first.Stop(SIGTERM), 0);
}

// --detect on each model's bytes, sent only at the model's baud rate (at
// another, what arrives is taken to be garbled), and on bytes of no model.
TEST_F(AttachTest, DetectNamesTheModelWhoseProtocolReadsTheWord) {
    std::mt19937 random(20261209);
    for (KeyboardType model = -1; model < KeyboardTypeCount; ++model) {
        SCOPED_TRACE(model < 0 ? "no model" : keyboardNames[model]);
        Adapter adapter;
        Attach attach({"--detect", "--listen", "1", adapter.Path()});
        std::vector<std::uint8_t> noise(12);
        std::size_t prompts = 0;
        for (const std::int32_t baud : {9600, 2400, 4800}) {
            const std::string prompt = "Listening at " + std::to_string(baud) + " baud";
            if (!attach.AwaitOutput([&] { return attach.output.find(prompt) != std::string::npos; })) {
                break;
            }
            ++prompts;
            if (model >= 0 && lineSettings[model].baud == baud) {
                adapter.Send(TypedBytes(model, "clavenet"));
                break;
            }
            for (std::uint8_t& byte : noise) {
                byte = static_cast<std::uint8_t>(random());
            }
            adapter.Send(noise);
        }
        const int status = attach.Wait();
        if (model >= 0) {
            EXPECT_EQ(status, 0) << attach.output << attach.errors;
            EXPECT_NE(attach.output.find(std::string(" ") + keyboardNames[model] + " keyboard: clavenet-attach --model " +
                                         keyboardScriptNames[model] + " " + adapter.Path() + "\n"),
                      std::string::npos)
                << attach.output;
            EXPECT_EQ(attach.output.find("This is", attach.output.find("This is") + 1), std::string::npos);
        } else {
            EXPECT_EQ(status, 1);
            EXPECT_EQ(prompts, 3u);
            EXPECT_NE(attach.output.find("No model read clavenet in what arrived:\n  at 9600 baud: 12 bytes: "),
                      std::string::npos)
                << attach.output;
            EXPECT_NE(attach.output.find("  at 4800 baud: 12 bytes:" + Hex(noise) + "\n"), std::string::npos);
        }
    }
}

TEST_F(AttachTest, EveryStopSignalEndsTheRunWithStatusZero) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        Adapter adapter;
        Attach attach({"--print", "--model", "gotype", adapter.Path()});
        ASSERT_TRUE(attach.AwaitErrors("keys go to standard output"));
        EXPECT_EQ(attach.Stop(signal), 0);
    }
}

// Line noise or a wrong baud rate: whatever arrives, the program keeps
// reading and still stops cleanly.
TEST_F(AttachTest, RandomBytesDoNotStopIt) {
    std::mt19937 random(20240229);
    for (const Model& model : models) {
        SCOPED_TRACE(model.name);
        Adapter adapter;
        Attach attach({"--print", "--trace", "--model", model.name, adapter.Path()});
        ASSERT_TRUE(adapter.AwaitRawLine().has_value());
        std::vector<std::uint8_t> noise(3000);
        for (std::uint8_t& byte : noise) {
            byte = static_cast<std::uint8_t>(random());
        }
        adapter.Send(noise);
        EXPECT_TRUE(attach.AwaitOutput([&] {
            std::size_t bytes = 0;
            for (std::size_t at = attach.errors.find(" Serial"); at != std::string::npos;
                 at = attach.errors.find(" Serial", at + 1)) {
                const std::size_t end = attach.errors.find('\n', at);
                bytes += (end - at - std::strlen(" Serial")) / 3;
            }
            return bytes == noise.size();
        }));
        EXPECT_TRUE(attach.Running());
        EXPECT_EQ(attach.Stop(SIGTERM), 0);
    }
}

struct Replay {
    std::string applicationText;
    std::vector<std::string> posts;
};

std::vector<std::string> PostLines(const std::string& trace) {
    std::vector<std::string> posts;
    std::istringstream lines(trace);
    for (std::string traceLine; std::getline(lines, traceLine);) {
        if (traceLine.find(" RimPostMessage ") != std::string::npos) {
            posts.push_back(traceLine);
        }
    }
    return posts;
}

// The recording played on the simulated handheld (OS 2.1).
Replay PlayRecording(const std::filesystem::path& recording) {
    const std::string command = "(cat '" + recording.string() + "'; echo app) | '" CLAVENET_SIM "' - 2>&1";
    std::unique_ptr<FILE, decltype(&pclose)> simulator(popen(command.c_str(), "r"), &pclose);
    std::string trace;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, simulator.get()) != nullptr) {
        trace += buffer;
    }
    Replay replay{"", PostLines(trace)};
    const std::string marker = " App text=\"";
    if (const std::size_t at = trace.rfind(marker); at != std::string::npos) {
        replay.applicationText = trace.substr(at + marker.size(), trace.find('"', at + marker.size()) - at - marker.size());
    }
    return replay;
}

std::string WithoutNewlines(std::string text) {
    std::erase(text, '\n');
    return text;
}

// Held long enough for the decoders of the Palm Portable and Pocketop to
// repeat it: however many repeats the host made, the replay must make the
// same, at the same ticks.
TEST_F(AttachTest, ARecordingReplayedOnTheSimulatedHandheldTypesTheSame) {
    for (const Model& model : models) {
        SCOPED_TRACE(model.name);
        const std::filesystem::path recording = directory / (std::string(model.name) + ".scn");
        Adapter adapter;
        Attach attach({"--print", "--keypad", "--trace", "--record", recording.string(), "--model", model.name,
                       adapter.Path()});
        ASSERT_TRUE(adapter.AwaitRawLine().has_value());
        adapter.Send(TypedBytes(model.type, LineFor(model) + "\r"));
        ASSERT_TRUE(attach.AwaitOutput([&] { return attach.output.find('\n') != std::string::npos; }));
        const std::vector<std::uint8_t> heldKey = TypedBytes(model.type, "k");
        const std::size_t pressBytes = model.type == 3 ? 1 : heldKey.size() / 2;
        adapter.Send({heldKey.begin(), heldKey.begin() + static_cast<std::ptrdiff_t>(pressBytes)});
        std::this_thread::sleep_for(600ms);
        adapter.Send({heldKey.begin() + static_cast<std::ptrdiff_t>(pressBytes), heldKey.end()});
        adapter.Send(TypedBytes(model.type, "ok\r"));
        ASSERT_TRUE(attach.AwaitOutput([&] { return attach.output.ends_with("ok\n"); }));
        ASSERT_EQ(attach.Stop(SIGTERM), 0);

        const Replay replay = PlayRecording(recording);
        EXPECT_EQ(replay.applicationText, WithoutNewlines(attach.output));
        EXPECT_EQ(replay.posts, PostLines(attach.errors));
        EXPECT_FALSE(replay.posts.empty());
    }
}

// The device is a symlink, as /dev/serial/by-id/ gives it: the adapter goes
// away, and comes back as another tty.
TEST_F(AttachTest, AnUnpluggedAdapterIsReadAgainWhenItComesBack) {
    const Model& model = models[2];
    const std::filesystem::path link = directory / "keyboard";
    const std::filesystem::path recording = directory / "replug.scn";
    auto first = std::make_unique<Adapter>();
    std::filesystem::create_symlink(first->Path(), link);
    Attach attach({"--print", "--trace", "--record", recording.string(), "--model", model.name, link.string()});
    ASSERT_TRUE(first->AwaitRawLine().has_value());
    first->Send(TypedBytes(model.type, "before "));
    ASSERT_TRUE(attach.AwaitOutput([&] { return attach.output == "before "; }));

    first->Unplug();
    ASSERT_TRUE(attach.AwaitErrors(link.string() + " is gone"));
    Adapter second;
    std::filesystem::create_symlink(second.Path(), directory / "new");
    std::filesystem::rename(directory / "new", link);
    const std::optional<termios> settings = second.AwaitRawLine();
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(cfgetospeed(&*settings), model.speed);
    second.Send(TypedBytes(model.type, "after\r"));
    ASSERT_TRUE(attach.AwaitOutput([&] { return attach.output.find('\n') != std::string::npos; }));
    EXPECT_EQ(attach.output, "before after\n");
    EXPECT_NE(attach.errors.find(link.string() + " is back"), std::string::npos);
    EXPECT_EQ(attach.Stop(SIGTERM), 0);

    const std::string script = ReadFile(recording);
    EXPECT_NE(script.find("keyboard off\n"), std::string::npos);
    EXPECT_EQ(PlayRecording(recording).applicationText, "before after");
}

struct FailureCase {
    std::vector<std::string> arguments;
    int status;
    std::string message;
};

TEST_F(AttachTest, EachFailureSaysWhatToDoAndEndsTheRun) {
    const std::string file = (directory / "not-a-tty").string();
    std::ofstream(file) << "text\n";
    std::string models = "the models are ";
    for (const char* name : keyboardScriptNames) {
        models += std::string(name == keyboardScriptNames[0] ? "" : ", ") + name;
    }
    const std::string usage =
        "usage: clavenet-attach --model NAME [--keypad | --keymap FILE] [--print | --uinput] [--hold-limit SECONDS] "
        "[--trace] [--record FILE] DEVICE\n"
        "       clavenet-attach --model NAME [--keymap FILE] --print-keymap\n"
        "       clavenet-attach --detect [--listen SECONDS] DEVICE\n"
        "       clavenet-attach --version";
    const FailureCase cases[] = {
        {{"--print", "--model", "flexis", "/dev/ttyNOSUCH7"},
         1,
         "/dev/ttyNOSUCH7: no such device; plug the adapter in, or look for its name with ls /dev/ttyUSB* "
         "/dev/serial/by-id/"},
        {{"--print", "--model=flexis", file},
         1,
         file + ": not a tty; give the device of the serial adapter, e.g. /dev/ttyUSB0"},
        {{"--print", file},
         2,
         "no --model given: name the keyboard (flexis, pocketop, gotype, happy-hacking, palm-portable), or find out "
         "which it is with clavenet-attach --detect DEVICE; " +
             usage},
        {{"--frobnicate", file}, 2, "unknown option '--frobnicate'; " + usage},
        {{"--model", "ibm-pc", file}, 2, "unknown model 'ibm-pc': " + models},
        {{"--model"}, 2, "--model needs a value; " + usage},
        {{"--print"}, 2, "no DEVICE given; " + usage},
        {{"--print", "--uinput", file}, 2, "--print and --uinput exclude each other; " + usage},
        {{"--print", file, file}, 2, "one DEVICE at a time; " + usage},
    };
    for (const FailureCase& failure : cases) {
        SCOPED_TRACE(failure.message);
        Attach attach(failure.arguments);
        EXPECT_EQ(attach.Wait(), failure.status);
        EXPECT_EQ(attach.errors, "clavenet-attach: " + failure.message + "\n");
        EXPECT_EQ(attach.output, "");
    }
}

// The recording is opened once the keyboard and the output are up, so a
// mistyped device leaves the last recording as it was.
TEST_F(AttachTest, TheRecordingIsOpenedOnlyOnceTheKeyboardIsUp) {
    const std::filesystem::path kept = directory / "kept.scn";
    std::ofstream(kept) << "model gotype\n";
    Attach mistyped({"--print", "--model", "gotype", "--record", kept.string(), "/dev/ttyNOSUCH7"});
    EXPECT_EQ(mistyped.Wait(), 1);
    EXPECT_EQ(ReadFile(kept), "model gotype\n");

    Adapter adapter;
    const std::string unwritable = (directory / "no" / "such.scn").string();
    Attach attach({"--print", "--model", "gotype", "--record", unwritable, adapter.Path()});
    EXPECT_EQ(attach.Wait(), 1);
    // After the notice that a pseudo-terminal has no modem lines.
    EXPECT_TRUE(attach.errors.ends_with("\nclavenet-attach: cannot write " + unwritable + ": No such file or directory\n"))
        << attach.errors;
}

std::string GroupName(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    const group* owner = getgrgid(status.st_gid);
    return owner != nullptr ? owner->gr_name : "";
}

// Run as root, the program would open anything: it runs as nobody instead,
// from a copy that nobody may run (the build folder may lie in root's home).
TEST_F(AttachTest, APortWithoutPermissionNamesTheGroupToJoin) {
    Adapter adapter;
    ASSERT_EQ(chmod(adapter.Path().c_str(), 0600), 0);
    const bool root = geteuid() == 0;
    if (!root) {
        ASSERT_EQ(chmod(adapter.Path().c_str(), 0), 0);
    }
    const std::filesystem::path copy = directory / "clavenet-attach";
    std::filesystem::copy_file(CLAVENET_ATTACH, copy);
    std::filesystem::permissions(directory, std::filesystem::perms::all & ~std::filesystem::perms::others_write &
                                                ~std::filesystem::perms::group_write);
    Attach attach({"--print", "--model", "gotype", adapter.Path()}, [root] {
        if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(126);
        }
    }, copy.string());
    const int status = attach.Wait();
    if (status == 126 || status == 127) {
        GTEST_SKIP() << "cannot become nobody, or nobody cannot run a program from " << directory << ", here";
    }
    EXPECT_EQ(status, 1);
    const std::string group = GroupName(adapter.Path());
    EXPECT_EQ(attach.errors, "clavenet-attach: " + adapter.Path() + ": permission denied; add yourself to the group '" +
                                 group + "' (sudo usermod -aG " + group +
                                 " $USER, then log in again) or install the udev rule in docs/attach.md\n");
}

TEST_F(AttachTest, WithoutUinputItSuggestsPrinting) {
    if (access("/dev/uinput", F_OK) == 0) {
        GTEST_SKIP() << "/dev/uinput exists here";
    }
    Adapter adapter;
    Attach attach({"--model", "gotype", adapter.Path()});
    EXPECT_EQ(attach.Wait(), 1);
    EXPECT_NE(attach.errors.find("clavenet-attach: /dev/uinput: no such device; load the uinput module (sudo modprobe "
                                 "uinput), or use --print to see the keys on standard output\n"),
              std::string::npos)
        << attach.errors;
}

// The virtual keyboard among the input devices, grabbed so that the keys
// typed reach this test and nothing else on the machine.
std::unique_ptr<libevdev, decltype(&libevdev_free)> FindVirtualKeyboard() {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : std::filesystem::directory_iterator("/dev/input")) {
            if (entry.path().filename().string().rfind("event", 0) != 0) {
                continue;
            }
            const int descriptor = open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            libevdev* device = nullptr;
            if (descriptor >= 0 && libevdev_new_from_fd(descriptor, &device) == 0 &&
                std::string(libevdev_get_name(device)) == "Clavenet Flexis keyboard" &&
                libevdev_grab(device, LIBEVDEV_GRAB) == 0) {
                return {device, &libevdev_free};
            }
            libevdev_free(device);
            if (descriptor >= 0) {
                close(descriptor);
            }
        }
        std::this_thread::sleep_for(50ms);
    }
    return {nullptr, &libevdev_free};
}

TEST_F(AttachTest, KeysArriveAtTheVirtualKeyboard) {
    if (access("/dev/uinput", W_OK) != 0) {
        GTEST_SKIP() << "/dev/uinput is not writable here (" << std::strerror(errno) << ")";
    }
    Adapter adapter;
    Attach attach({"--model", "flexis", adapter.Path()});
    ASSERT_TRUE(attach.AwaitErrors("keys go to the virtual keyboard \"Clavenet Flexis keyboard\""));
    const auto device = FindVirtualKeyboard();
    ASSERT_NE(device, nullptr);
    // A keyboard as udev and the desktop know one: repeated by the kernel,
    // every key from Escape to S, on the port it is attached to.
    EXPECT_TRUE(libevdev_has_event_type(device.get(), EV_REP));
    for (unsigned code = KEY_ESC; code <= KEY_S; ++code) {
        EXPECT_TRUE(libevdev_has_event_code(device.get(), EV_KEY, code)) << code;
    }
    EXPECT_EQ(libevdev_get_id_bustype(device.get()), BUS_RS232);
    EXPECT_STREQ(libevdev_get_phys(device.get()), adapter.Path().c_str());
    adapter.Send(TypedBytes(0, "Hi\r"));
    // Then the Flexis Delete and Left keys.
    adapter.Send({0xFA, 0x7A, 0xFB, 0x7B});

    const std::vector<std::pair<std::uint16_t, int>> expected = {
        {KEY_LEFTSHIFT, 1}, {KEY_H, 1}, {KEY_H, 0},           {KEY_LEFTSHIFT, 0}, {KEY_I, 1},    {KEY_I, 0},
        {KEY_ENTER, 1},     {KEY_ENTER, 0}, {KEY_DELETE, 1}, {KEY_DELETE, 0},    {KEY_LEFT, 1}, {KEY_LEFT, 0},
    };
    std::vector<std::pair<std::uint16_t, int>> keys;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (keys.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
        input_event event{};
        const int result = libevdev_next_event(device.get(), LIBEVDEV_READ_FLAG_NORMAL, &event);
        if (result == LIBEVDEV_READ_STATUS_SUCCESS && event.type == EV_KEY) {
            keys.emplace_back(event.code, event.value);
        } else if (result == -EAGAIN) {
            std::this_thread::sleep_for(10ms);
        }
    }
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(attach.Stop(SIGTERM), 0);
}

}  // namespace
