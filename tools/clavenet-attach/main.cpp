// clavenet-attach: a real serial keyboard on a Linux machine, typing into a
// virtual keyboard or onto standard output.
//
// The host is the handheld's kernel and runs the keyboard's link as the
// handheld does (keyboards/link.h). In key mode, the default, each byte goes
// through the model's byte protocol and each key it names is a Linux key by
// the keymap (host/key_mode.h). With --keypad, serial data and RepeatTimer
// expiries go to the model's decoders, and what they post becomes key
// strokes, as the handheld's applications would receive it. The handheld's
// idle close and its LinkTimer beat mean nothing here and are left out.

#include <grp.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/detect.h"
#include "host/key_mode.h"
#include "host/key_output.h"
#include "host/key_strokes.h"
#include "host/keymap.h"
#include "host/linux_keys.h"
#include "host/recording.h"
#include "host/serial_port.h"
#include "host/trace.h"
#include "host/uinput_keyboard.h"
#include "keyboards/keyboard_models.h"
#include "keyboards/link.h"

namespace {

constexpr const char* usage =
    "usage: clavenet-attach --model NAME [--keypad | --keymap FILE] [--print | --uinput] [--hold-limit SECONDS] "
    "[--trace] [--record FILE] DEVICE\n"
    "       clavenet-attach --model NAME [--keymap FILE] --print-keymap\n"
    "       clavenet-attach --detect [--listen SECONDS] DEVICE\n"
    "       clavenet-attach --version";
// After "--model NAME    the keyboard: " and the list of models.
constexpr const char* help =
    "  --detect        find out which model is on DEVICE: type the word it shows, at each baud rate\n"
    "  --listen SECONDS  how long --detect listens at each baud rate (default 10)\n"
    "  --keymap FILE   what keys are on Linux: lines of FILE replace the model's own (docs/attach.md;\n"
    "                  the models' own are in " CLAVENET_KEYMAP_DIRECTORY ")\n"
    "  --print-keymap  write the model's keymap, with FILE's lines, to standard output and stop\n"
    "  --keypad        type what the handheld's decoders post instead of one Linux key a key\n"
    "  --uinput        type into a virtual keyboard made through /dev/uinput (the default)\n"
    "  --print         print what is typed on standard output instead\n"
    "  --hold-limit SECONDS\n"
    "                  a key held this long with no byte from the keyboard is let go, its break\n"
    "                  taken as lost (default 5; 0: never)\n"
    "  --trace         the bytes received and the keys or messages they became, on standard error\n"
    "  --record FILE   write the session to FILE as a clavenet-sim script\n"
    "  DEVICE          the serial port the keyboard is on, e.g. /dev/ttyUSB0\n"
    "Runs until SIGINT, SIGTERM or SIGHUP, with every key let go. See docs/attach.md.\n";

constexpr int RunFailure = 1;
constexpr int UsageFailure = 2;

constexpr std::uint64_t TicksPerSecond = std::chrono::seconds{1} / host::TickLength;
// How often a device that went away is looked for again.
constexpr std::uint64_t ReplugCheckTicks = std::chrono::milliseconds{200} / host::TickLength;
// How long a keyboard has to answer its wake-up.
constexpr std::uint64_t WakeReplyTicks = TicksPerSecond;

[[noreturn]] void Fail(int status, const std::string& message) {
    std::fprintf(stderr, "clavenet-attach: %s\n", message.c_str());
    std::exit(status);
}

[[noreturn]] void UsageError(const std::string& problem) { Fail(UsageFailure, problem + "; " + usage); }

struct Options {
    KeyboardType model = -1;
    bool detect = false;
    std::uint64_t listenTicks = 10 * TicksPerSecond;
    bool keypad = false;
    std::string keymapFile;
    bool printKeymap = false;
    bool print = false;
    bool uinput = false;
    std::uint64_t holdLimitTicks = 5 * TicksPerSecond;
    bool trace = false;
    std::string record;
    std::string device;
};

std::string ModelList() {
    std::string list;
    for (const char* name : keyboardScriptNames) {
        list += (list.empty() ? "" : ", ") + std::string(name);
    }
    return list;
}

KeyboardType ParseModel(const std::string& name) {
    if (const KeyboardType model = KeyboardTypeNamed(name.c_str()); model >= 0) {
        return model;
    }
    Fail(UsageFailure, "unknown model '" + name + "': the models are " + ModelList());
}

std::uint64_t ParseSeconds(const std::string& text, const std::string& flag) {
    char* end = nullptr;
    const unsigned long seconds = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-' || seconds > 86400) {
        UsageError(flag + " takes whole seconds from 0 to 86400, not '" + text + "'");
    }
    return seconds * TicksPerSecond;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    const auto value = [&](int& i, const std::string& argument, const std::string& flag) -> std::string {
        if (argument.rfind(flag + "=", 0) == 0) {
            return argument.substr(flag.size() + 1);
        }
        if (i + 1 == argc) {
            UsageError(flag + " needs a value");
        }
        return argv[++i];
    };
    const auto is = [](const std::string& argument, const std::string& flag) {
        return argument == flag || argument.rfind(flag + "=", 0) == 0;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::printf("%s\n  --model NAME    the keyboard: %s\n%s", usage, ModelList().c_str(), help);
            std::exit(0);
        } else if (argument == "--version") {
            std::printf("clavenet-attach %s\n", CLAVENET_VERSION);
            std::exit(0);
        } else if (argument == "--detect") {
            options.detect = true;
        } else if (is(argument, "--listen")) {
            options.listenTicks = ParseSeconds(value(i, argument, "--listen"), "--listen");
        } else if (is(argument, "--model")) {
            options.model = ParseModel(value(i, argument, "--model"));
        } else if (is(argument, "--keymap")) {
            options.keymapFile = value(i, argument, "--keymap");
        } else if (is(argument, "--record")) {
            options.record = value(i, argument, "--record");
        } else if (is(argument, "--hold-limit")) {
            options.holdLimitTicks = ParseSeconds(value(i, argument, "--hold-limit"), "--hold-limit");
        } else if (argument == "--print-keymap") {
            options.printKeymap = true;
        } else if (argument == "--keypad") {
            options.keypad = true;
        } else if (argument == "--print") {
            options.print = true;
        } else if (argument == "--uinput") {
            options.uinput = true;
        } else if (argument == "--trace") {
            options.trace = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            UsageError("unknown option '" + argument + "'");
        } else if (!options.device.empty()) {
            UsageError("one DEVICE at a time");
        } else {
            options.device = argument;
        }
    }
    if (options.print && options.uinput) {
        UsageError("--print and --uinput exclude each other");
    }
    if (options.keypad && !options.keymapFile.empty()) {
        UsageError("--keymap is for key mode; --keypad types what the decoders post");
    }
    if (options.device.empty() && !options.printKeymap) {
        UsageError("no DEVICE given");
    }
    if (options.model < 0 && !options.detect) {
        UsageError("no --model given: name the keyboard (" + ModelList() + "), or find out which it is with "
                   "clavenet-attach --detect DEVICE");
    }
    return options;
}

// The model's keymap with the user's lines; a fault in them ends the run
// before anything starts.
host::Keymap LoadKeymap(const Options& options) {
    host::Keymap keymap = host::DefaultKeymap(options.model);
    if (options.keymapFile.empty()) {
        return keymap;
    }
    std::ifstream file(options.keymapFile);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        Fail(UsageFailure, "cannot read " + options.keymapFile + ": " + std::strerror(errno));
    }
    if (const auto fault = host::ReadKeymap(text.str(), options.keymapFile, options.model, keymap)) {
        std::fprintf(stderr, "%s\n", fault->c_str());
        std::exit(UsageFailure);
    }
    return keymap;
}

// The group that may open the device, as the system names it.
std::string GroupOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (const group* owner = getgrgid(status.st_gid)) {
            return owner->gr_name;
        }
    }
    return "dialout";
}

std::string ProcessName(int pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "a process" : name;
}

std::string PortFailureMessage(const std::string& device, host::PortFailure failure) {
    switch (failure.problem) {
    case host::PortProblem::NoSuchDevice:
        return device + ": no such device; plug the adapter in, or look for its name with ls /dev/ttyUSB* "
                        "/dev/serial/by-id/";
    case host::PortProblem::NotATty:
        return device + ": not a tty; give the device of the serial adapter, e.g. /dev/ttyUSB0";
    case host::PortProblem::PermissionDenied: {
        const std::string group = GroupOf(device);
        return device + ": permission denied; add yourself to the group '" + group + "' (sudo usermod -aG " + group +
               " $USER, then log in again) or install the udev rule in docs/attach.md";
    }
    case host::PortProblem::InUse:
        return device + ": in use by " +
               (failure.holder != 0
                    ? ProcessName(failure.holder) + " (process " + std::to_string(failure.holder) + ")"
                    : std::string("another program")) +
               "; one program at a time can read a keyboard";
    case host::PortProblem::None:
    case host::PortProblem::Other: break;
    }
    return device + ": cannot open it: " + std::strerror(failure.error);
}

std::string UinputFailureMessage(host::UinputKeyboard::Failure failure) {
    const std::string path = host::uinputPath;
    const std::string usePrint = "use --print to see the keys on standard output";
    if (failure.opening && (failure.error == ENOENT || failure.error == ENODEV || failure.error == ENXIO)) {
        return path + ": no such device; load the uinput module (sudo modprobe uinput), or " + usePrint;
    }
    if (failure.opening && (failure.error == EACCES || failure.error == EPERM)) {
        return path + ": permission denied; install the uinput udev rule in docs/attach.md, or " + usePrint;
    }
    return path + ": cannot make a virtual keyboard: " + std::strerror(failure.error) + "; " + usePrint;
}

// What the virtual keyboard says it is: a keyboard udev tags as one, with
// every key the mode can send.
host::VirtualKeyboardIdentity IdentityFor(const Options& options, const host::Keymap& keymap) {
    host::VirtualKeyboardIdentity identity{host::VirtualKeyboardName(keyboardNames[options.model]), options.device,
                                           {}, !options.keypad};
    if (options.keypad) {
        const std::vector<std::uint16_t> codes = host::HostKeyCodes();
        identity.keys = host::WithKeyboardKeys({codes.begin(), codes.end()});
    } else {
        identity.keys = host::KeyModeKeys(keymap);
    }
    return identity;
}

// SIGINT, SIGTERM and SIGHUP arrive as readable data rather than
// interrupting a decoder half-way.
int CatchStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &stopSignals, SFD_CLOEXEC);
}

std::string KeyNames(const std::vector<std::uint16_t>& codes) {
    std::string names;
    for (const std::uint16_t code : codes) {
        names += (names.empty() ? "" : ", ") + std::string(host::LinuxKeyName(code));
    }
    return names;
}

class Attachment {
public:
    Attachment(const Options& options, const host::Keymap& keymap, host::KeyOutput& output,
               host::Recording& recording)
        : options_(options), output_(output), recording_(recording), keyMode_(keymap, output) {}

    // After the port first opened at tick `now`.
    void Started(std::uint64_t now) { Connected(now); }

    // Runs until a stop signal; the tick at which it stopped.
    std::uint64_t Run(int stopSignals) {
        for (;;) {
            pollfd waitFor[] = {{stopSignals, POLLIN, 0}, {host::SerialDescriptor(), POLLIN, 0}};
            if (poll(waitFor, std::size(waitFor), Timeout()) < 0 && errno != EINTR) {
                Fail(RunFailure, std::string("waiting for the keyboard: ") + std::strerror(errno));
            }
            const std::uint64_t now = host::ClockTicks();
            while (const auto timer = host::TakeDueTimer(now)) {
                OnTimer(*timer);
            }
            host::AdvanceTo(now);
            if (waitFor[1].revents != 0) {
                OnSerial(now);
            }
            CheckHeldKeys(now);
            CheckWakeReply(now);
            if (linkOpen == 0 && now >= nextReplugCheck_) {
                Reconnect(now);
            }
            if (waitFor[0].revents != 0) {
                return now;
            }
        }
    }

    void Stop(std::uint64_t now) {
        LetGoOfEveryKey();
        if (linkOpen != 0) {
            EndLink();
        }
        recording_.Finish(now);
    }

private:
    int Timeout() const {
        std::optional<std::uint64_t> wake = host::NextTimerDue();
        const auto sooner = [&wake](std::uint64_t tick) {
            if (!wake || tick < *wake) {
                wake = tick;
            }
        };
        if (linkOpen == 0) {
            sooner(nextReplugCheck_);
        }
        if (HoldLimited() && !keyMode_.KeysDown().empty()) {
            sooner(lastByteTick_ + options_.holdLimitTicks);
        }
        if (wakeReplyDue_) {
            sooner(*wakeReplyDue_);
        }
        return wake ? static_cast<int>(host::TimeUntil(*wake).count()) : -1;
    }

    bool HoldLimited() const { return !options_.keypad && options_.holdLimitTicks != 0; }

    void OnTimer(std::int32_t timer) {
        if (timer == RepeatTimer && linkOpen != 0) {
            OnLinkRepeatTimer(options_.model);
        }
    }

    void OnSerial(std::uint64_t now) {
        switch (host::ReceiveSerial(received_)) {
        case host::Reception::Bytes:
            host::TraceCall("Serial", host::HexBytes(received_));
            recording_.Serial(now, received_);
            lastByteTick_ = now;
            LookForWakeReply();
            if (options_.keypad) {
                OnLinkSerialData(options_.model);
            } else {
                TypeKeys();
            }
            break;
        case host::Reception::Nothing:
            break;
        case host::Reception::HangUp:
            LetGoOfEveryKey();
            EndLink();
            recording_.KeyboardOff(now);
            wakeReplyDue_.reset();
            nextReplugCheck_ = now + ReplugCheckTicks;
            std::fprintf(stderr, "clavenet-attach: %s is gone; every key is up, waiting for it to come back\n",
                         options_.device.c_str());
            break;
        }
    }

    // Key mode: each byte through the model's protocol, each key it names
    // through the keymap.
    void TypeKeys() {
        for (int byte = CommReadChar(); byte >= 0; byte = CommReadChar()) {
            const KeyEvent event = byteProtocols[options_.model](static_cast<std::uint8_t>(byte), framing_);
            if (event.key != NoKey) {
                host::TraceCall("Key", " " + host::KeyNumberText(event.key) +
                                           (event.transition == KeyTransition::Break ? " break" : " make"));
            }
            keyMode_.Handle(event);
        }
    }

    void LetGoOfEveryKey() {
        keyMode_.ReleaseAll();
        output_.ReleaseAll();
    }

    // A key whose break never came would repeat for good.
    void CheckHeldKeys(std::uint64_t now) {
        if (!HoldLimited() || now < lastByteTick_ + options_.holdLimitTicks) {
            return;
        }
        const std::vector<std::uint16_t> down = keyMode_.KeysDown();
        if (down.empty()) {
            return;
        }
        std::fprintf(stderr,
                     "clavenet-attach: %s held for %llu s with no byte from the keyboard: let go, its break taken as "
                     "lost\n",
                     KeyNames(down).c_str(), static_cast<unsigned long long>(options_.holdLimitTicks / TicksPerSecond));
        LetGoOfEveryKey();
    }

    // The link is up at tick `now`: a new keyboard's framing, and its answer
    // to the wake-up awaited where it gives one.
    void Connected(std::uint64_t now) {
        framing_ = {};
        lastByteTick_ = now;
        replyMatched_ = 0;
        if (wakeReplies[options_.model].size != 0) {
            wakeReplyDue_ = now + WakeReplyTicks;
        }
    }

    // The answer is looked for, not taken out: the protocols name no key in it.
    void LookForWakeReply() {
        const WakeReply& reply = wakeReplies[options_.model];
        if (!wakeReplyDue_) {
            return;
        }
        for (const std::uint8_t byte : received_) {
            replyMatched_ = byte == reply.bytes[replyMatched_] ? replyMatched_ + 1 : byte == reply.bytes[0] ? 1 : 0;
            if (replyMatched_ == reply.size) {
                std::fprintf(stderr, "clavenet-attach: the %s keyboard answered its wake-up (%s)\n",
                             keyboardNames[options_.model],
                             host::HexBytes({reply.bytes, reply.bytes + reply.size}).substr(1).c_str());
                wakeReplyDue_.reset();
                return;
            }
        }
    }

    void CheckWakeReply(std::uint64_t now) {
        if (wakeReplyDue_ && now >= *wakeReplyDue_) {
            wakeReplyDue_.reset();
            std::fprintf(stderr,
                         "clavenet-attach: no answer from the %s keyboard to its wake-up within 1 s; is it plugged in "
                         "and powered (DTR)?\n",
                         keyboardNames[options_.model]);
        }
    }

    // The device is opened once it is there again, and only then: an open
    // that fails for another reason is told once and tried again quietly.
    void Reconnect(std::uint64_t now) {
        nextReplugCheck_ = now + ReplugCheckTicks;
        if (access(options_.device.c_str(), F_OK) != 0) {
            return;
        }
        StartLink(options_.model);
        if (linkOpen == 0) {
            if (!refusalTold_) {
                refusalTold_ = true;
                std::fprintf(stderr, "clavenet-attach: %s is back but cannot be used (%s); trying again\n",
                             options_.device.c_str(),
                             PortFailureMessage(options_.device, host::LastPortFailure()).c_str());
            }
            return;
        }
        refusalTold_ = false;
        recording_.KeyboardOn(now);
        Connected(now);
        std::fprintf(stderr, "clavenet-attach: %s is back\n", options_.device.c_str());
    }

    const Options& options_;
    host::KeyOutput& output_;
    host::Recording& recording_;
    host::KeyMode keyMode_;
    KeyFraming framing_{};
    std::vector<std::uint8_t> received_;
    std::uint64_t lastByteTick_ = 0;
    std::optional<std::uint64_t> wakeReplyDue_;
    std::size_t replyMatched_ = 0;
    bool refusalTold_ = false;
    std::uint64_t nextReplugCheck_ = 0;
};

// Listens at each baud rate the models use while the user types the word,
// and names the model whose byte protocol reads it there.
int Detect(const Options& options, int stopSignals) {
    host::UseSerialDevice(options.device);
    std::string received;
    for (const std::int32_t baud : host::ModelBauds()) {
        // Opened as the model at this rate that needs the most: a Palm
        // Portable is woken only by its pulse.
        KeyboardType opening = -1;
        std::string names;
        for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
            if (lineSettings[type].baud == baud) {
                names += (names.empty() ? "" : ", ") + std::string(keyboardNames[type]);
                if (opening < 0 || lineSettings[type].afterOpen == AfterOpen::PulseDsr) {
                    opening = type;
                }
            }
        }
        host::AdvanceTo(host::ClockTicks());
        StartLink(opening);
        if (linkOpen == 0) {
            Fail(RunFailure, PortFailureMessage(options.device, host::LastPortFailure()));
        }
        std::printf("Listening at %d baud (%s): type %s on the keyboard\n", baud, names.c_str(),
                    std::string(host::detectionWord).c_str());
        std::fflush(stdout);
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint8_t> burst;
        const std::uint64_t until = host::ClockTicks() + options.listenTicks;
        std::vector<KeyboardType> found;
        while (found.empty() && host::ClockTicks() < until) {
            pollfd waitFor[] = {{stopSignals, POLLIN, 0}, {host::SerialDescriptor(), POLLIN, 0}};
            poll(waitFor, std::size(waitFor), static_cast<int>(host::TimeUntil(until).count()));
            if (waitFor[0].revents != 0) {
                EndLink();
                return RunFailure;
            }
            if (waitFor[1].revents != 0 && host::ReceiveSerial(burst) == host::Reception::Bytes) {
                host::TraceCall("Serial", host::HexBytes(burst));
                bytes.insert(bytes.end(), burst.begin(), burst.end());
                found = host::ModelsTyping(host::detectionWord, bytes, baud);
            }
        }
        EndLink();
        if (!found.empty()) {
            for (const KeyboardType type : found) {
                std::printf("This is a%s %s keyboard: clavenet-attach --model %s %s\n",
                            std::string("AEIOU").find(keyboardNames[type][0]) != std::string::npos ? "n" : "",
                            keyboardNames[type], keyboardScriptNames[type], options.device.c_str());
            }
            return 0;
        }
        received += "  at " + std::to_string(baud) + " baud: " +
                    (bytes.empty() ? std::string("nothing") : std::to_string(bytes.size()) + " bytes:" +
                                                                   host::HexBytes(bytes)) +
                    "\n";
    }
    std::printf("No model read %s in what arrived:\n%sCheck the cable and the adapter with --print and --trace "
                "(docs/wiring.md).\n",
                std::string(host::detectionWord).c_str(), received.c_str());
    return RunFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    const int stopSignals = CatchStopSignals();
    if (stopSignals < 0) {
        Fail(RunFailure, std::string("cannot wait for the signals that stop it: ") + std::strerror(errno));
    }
    if (options.trace) {
        host::TraceTo(stderr);
    }
    if (options.detect) {
        return Detect(options, stopSignals);
    }
    const host::Keymap keymap = LoadKeymap(options);
    if (options.printKeymap) {
        std::fputs(host::WriteKeymap(keymap, options.model).c_str(), stdout);
        return 0;
    }

    host::UseSerialDevice(options.device);
    host::AdvanceTo(host::ClockTicks());
    const std::uint64_t openedAt = host::CurrentTick();
    StartLink(options.model);
    if (linkOpen == 0) {
        Fail(RunFailure, PortFailureMessage(options.device, host::LastPortFailure()));
    }

    std::unique_ptr<host::KeyOutput> output;
    const host::VirtualKeyboardIdentity identity = IdentityFor(options, keymap);
    if (options.print) {
        output = std::make_unique<host::PrintedKeys>();
    } else {
        auto keyboard = std::make_unique<host::UinputKeyboard>();
        if (const auto failure = keyboard->Create(identity)) {
            EndLink();
            Fail(RunFailure, UinputFailureMessage(*failure));
        }
        output = std::move(keyboard);
    }
    host::SendKeysTo(output.get());
    // Only once everything else is up: a mistyped device must not empty the
    // last recording.
    host::Recording recording;
    if (!options.record.empty() && !recording.Open(options.record)) {
        const std::string why = std::strerror(errno);
        EndLink();
        Fail(RunFailure, "cannot write " + options.record + ": " + why);
    }

    const std::string modelName = keyboardScriptNames[options.model];
    recording.Start(modelName, options.device);
    recording.KeyboardOn(openedAt);
    const std::string keysGoTo =
        options.print ? std::string("standard output") : "the virtual keyboard \"" + identity.name + "\"";
    std::fprintf(stderr, "clavenet-attach: reading a %s keyboard on %s at %d baud; %s go to %s\n", modelName.c_str(),
                 options.device.c_str(), lineSettings[options.model].baud,
                 options.keypad ? "the decoders' keypad messages" : "its keys", keysGoTo.c_str());

    Attachment attachment(options, keymap, *output, recording);
    attachment.Started(host::CurrentTick());
    attachment.Stop(attachment.Run(stopSignals));
    return 0;
}
