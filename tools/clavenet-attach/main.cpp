// clavenet-attach: a real serial keyboard on a Linux machine, read through
// the same decoders as on the handheld, typing into a virtual keyboard or
// onto standard output.
//
// The host is the handheld's kernel and runs the keyboard's link as the
// handheld does (keyboards/link.h): serial data and RepeatTimer expiries go
// to the model's decoders; what they post becomes key strokes. The
// handheld's idle close and its LinkTimer beat mean nothing here and are
// left out.

#include <fcntl.h>
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
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/key_output.h"
#include "host/recording.h"
#include "host/serial_port.h"
#include "host/trace.h"
#include "host/uinput_keyboard.h"
#include "keyboards/keyboard_models.h"
#include "keyboards/link.h"

namespace {

constexpr const char* usage =
    "usage: clavenet-attach [--model NAME] [--print | --uinput] [--trace] [--record FILE] DEVICE";
// After "--model NAME    the keyboard: " and the list of models.
constexpr const char* help =
    "  --uinput        type into a virtual keyboard made through /dev/uinput (the default)\n"
    "  --print         print the keys typed on standard output instead\n"
    "  --trace         the bytes received and the messages posted, on standard error\n"
    "  --record FILE   write the session to FILE as a clavenet-sim script\n"
    "  DEVICE          the serial port the keyboard is on, e.g. /dev/ttyUSB0\n"
    "Runs until SIGINT, SIGTERM or SIGHUP. See docs/attach.md.\n";

constexpr int RunFailure = 1;
constexpr int UsageFailure = 2;

// How often a device that went away is looked for again: 200 ms.
constexpr std::uint64_t ReplugCheckTicks = 20;

[[noreturn]] void Fail(int status, const std::string& message) {
    std::fprintf(stderr, "clavenet-attach: %s\n", message.c_str());
    std::exit(status);
}

[[noreturn]] void UsageError(const std::string& problem) { Fail(UsageFailure, problem + "; " + usage); }

struct Options {
    KeyboardType model = FlexisKeyboard;
    bool print = false;
    bool uinput = false;
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
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::printf("%s\n  --model NAME    the keyboard: %s (the first is the default)\n%s", usage,
                        ModelList().c_str(), help);
            std::exit(0);
        } else if (argument == "--model" || argument.rfind("--model=", 0) == 0) {
            options.model = ParseModel(value(i, argument, "--model"));
        } else if (argument == "--record" || argument.rfind("--record=", 0) == 0) {
            options.record = value(i, argument, "--record");
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
    if (options.device.empty()) {
        UsageError("no DEVICE given");
    }
    return options;
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

class Attachment {
public:
    Attachment(const Options& options, host::KeyOutput& output, host::Recording& recording)
        : options_(options), output_(output), recording_(recording) {}

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
            if (linkOpen == 0 && now >= nextReplugCheck_) {
                Reconnect(now);
            }
            if (waitFor[0].revents != 0) {
                return now;
            }
        }
    }

    void Stop(std::uint64_t now) {
        output_.ReleaseAll();
        if (linkOpen != 0) {
            EndLink();
        }
        recording_.Finish(now);
    }

private:
    int Timeout() const {
        std::optional<std::uint64_t> wake = host::NextTimerDue();
        if (linkOpen == 0 && (!wake || nextReplugCheck_ < *wake)) {
            wake = nextReplugCheck_;
        }
        return wake ? static_cast<int>(host::TimeUntil(*wake).count()) : -1;
    }

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
            OnLinkSerialData(options_.model);
            break;
        case host::Reception::Nothing:
            break;
        case host::Reception::HangUp:
            output_.ReleaseAll();
            EndLink();
            recording_.KeyboardOff(now);
            nextReplugCheck_ = now + ReplugCheckTicks;
            std::fprintf(stderr, "clavenet-attach: %s is gone; every key is up, waiting for it to come back\n",
                         options_.device.c_str());
            break;
        }
    }

    void Reconnect(std::uint64_t now) {
        nextReplugCheck_ = now + ReplugCheckTicks;
        // Tried quietly first: the port's own opening is traced, and a
        // device that is there but refuses would fill the trace.
        const int probe = open(options_.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) {
            if (errno != ENOENT && !refusalTold_) {
                refusalTold_ = true;
                std::fprintf(stderr, "clavenet-attach: %s is back but cannot be opened (%s); trying again\n",
                             options_.device.c_str(), std::strerror(errno));
            }
            return;
        }
        close(probe);
        StartLink(options_.model);
        if (linkOpen == 0) {
            return;
        }
        refusalTold_ = false;
        recording_.KeyboardOn(now);
        std::fprintf(stderr, "clavenet-attach: %s is back\n", options_.device.c_str());
    }

    const Options& options_;
    host::KeyOutput& output_;
    host::Recording& recording_;
    std::vector<std::uint8_t> received_;
    bool refusalTold_ = false;
    std::uint64_t nextReplugCheck_ = 0;
};

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

    host::UseSerialDevice(options.device);
    host::AdvanceTo(host::ClockTicks());
    const std::uint64_t openedAt = host::CurrentTick();
    StartLink(options.model);
    if (linkOpen == 0) {
        Fail(RunFailure, PortFailureMessage(options.device, host::LastPortFailure()));
    }

    std::unique_ptr<host::KeyOutput> output;
    if (options.print) {
        output = std::make_unique<host::PrintedKeys>();
    } else {
        auto keyboard = std::make_unique<host::UinputKeyboard>();
        if (const auto failure = keyboard->Create()) {
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
    const std::string keysGoTo = options.print ? std::string("standard output")
                                               : std::string("the virtual keyboard \"") + host::virtualKeyboardName + "\"";
    std::fprintf(stderr, "clavenet-attach: reading a %s keyboard on %s at %d baud; keys go to %s\n",
                 modelName.c_str(), options.device.c_str(), lineSettings[options.model].baud, keysGoTo.c_str());

    Attachment attachment(options, *output, recording);
    attachment.Stop(attachment.Run(stopSignals));
    return 0;
}
