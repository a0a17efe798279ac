// The guest's half of the real-kernel test: PID 1's child in a busybox
// initramfs. It runs clavenet-attach (and, for udev's view of things, shell
// commands) on command and reports, over two virtio-serial ports, what the
// kernel saw:
//   clavenet.control  one command a line from the host, one reply a line
//   clavenet.events   a stream: the virtual keyboard's events as evdev gives
//                     them, the kprobe records of input_event (every event
//                     the program wrote, however a reader fares) and of
//                     tty_flip_buffer_push (bytes the USB-serial driver
//                     received), the program's standard error, its exit.
//
// It runs SCHED_FIFO so that each frame the program writes wakes it ahead
// of the program: the evdev queue cannot fill while the program types.

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* attachPath = "/bin/clavenet-attach";
constexpr const char* tracing = "/sys/kernel/tracing";
constexpr const char* namePrefix = "Clavenet";
constexpr std::int64_t shellPatienceNs = 10'000'000'000;

int controlPort = -1;
int eventPort = -1;

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void WriteAll(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(descriptor, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno == EAGAIN) {
            pollfd writable{descriptor, POLLOUT, 0};
            poll(&writable, 1, -1);
            continue;
        }
        if (count <= 0) {
            std::fprintf(stderr, "agent: writing to the host: %s\n", std::strerror(errno));
            std::exit(1);
        }
        done += static_cast<std::size_t>(count);
    }
}

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    return buffer;
}

void Emit(const std::string& line) { WriteAll(eventPort, line + "\n"); }
void Reply(const std::string& line) { WriteAll(controlPort, line + "\n"); }

std::optional<std::string> ReadFile(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    std::string text;
    char buffer[256];
    ssize_t count;
    while ((count = read(descriptor, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    close(descriptor);
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = line.find(' ', at);
        const std::size_t stop = end == std::string::npos ? line.size() : end;
        if (stop > at) {
            words.push_back(line.substr(at, stop - at));
        }
        at = stop + 1;
    }
    return words;
}

// The port the host named `name`, once virtio_console has made its node.
int OpenPort(const std::string& name) {
    for (int tries = 0; tries < 1000; ++tries) {
        if (DIR* ports = opendir("/sys/class/virtio-ports")) {
            while (const dirent* entry = readdir(ports)) {
                const std::string port = entry->d_name;
                if (ReadFile("/sys/class/virtio-ports/" + port + "/name") == name) {
                    const int descriptor = open(("/dev/" + port).c_str(), O_RDWR | O_CLOEXEC);
                    if (descriptor >= 0) {
                        closedir(ports);
                        return descriptor;
                    }
                }
            }
            closedir(ports);
        }
        usleep(10000);
    }
    std::fprintf(stderr, "agent: no virtio port %s\n", name.c_str());
    std::exit(1);
}

// Lines read from a descriptor, a partial last line kept for the next read.
class LineReader {
public:
    // False at end of file or on an error other than "nothing yet".
    bool Read(int descriptor, std::vector<std::string>& lines) {
        char buffer[8192];
        for (;;) {
            const ssize_t count = read(descriptor, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0 && errno == EAGAIN) {
                return true;
            }
            if (count <= 0) {
                return false;
            }
            partial_.append(buffer, static_cast<std::size_t>(count));
            std::size_t end;
            while ((end = partial_.find('\n')) != std::string::npos) {
                lines.push_back(partial_.substr(0, end));
                partial_.erase(0, end + 1);
            }
        }
    }

private:
    std::string partial_;
};

// tracefs: one kprobe on input_event, the events the program writes through
// uinput (the kernel's own releases at a removal go another way), one on
// tty_flip_buffer_push, where the USB-serial driver hands received bytes on.
// The monotonic clock, as clock_gettime and evdev (EVIOCSCLOCKID) give it.
std::string SetUpTracing() {
    const std::string root = tracing;
    const struct {
        std::string file;
        std::string text;
    } steps[] = {
        {"/tracing_on", "0"},
        {"/trace_clock", "mono"},
        {"/buffer_size_kb", "4096"},
        {"/kprobe_events", "p:clavenet/input input_event type=$arg2:u32 code=$arg3:u32 value=$arg4:s32\n"
                           "p:clavenet/flip tty_flip_buffer_push\n"},
        {"/events/clavenet/input/filter", "type == 1"},
        {"/events/clavenet/enable", "1"},
        {"/trace", ""},
        {"/tracing_on", "1"},
    };
    for (const auto& step : steps) {
        const int descriptor = open((root + step.file).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (descriptor < 0) {
            return step.file + ": " + std::strerror(errno);
        }
        const bool written =
            step.text.empty() || write(descriptor, step.text.data(), step.text.size()) == ssize_t(step.text.size());
        const int error = errno;
        close(descriptor);
        if (!written) {
            return step.file + ": " + std::strerror(error);
        }
    }
    return "";
}

struct Pending {
    std::string command;
    std::vector<std::string> words;
    std::int64_t deadline;
};

class Agent {
public:
    void Start() {
        sigset_t childSignals;
        sigemptyset(&childSignals);
        sigaddset(&childSignals, SIGCHLD);
        sigprocmask(SIG_BLOCK, &childSignals, nullptr);
        childSignal_ = signalfd(-1, &childSignals, SFD_CLOEXEC | SFD_NONBLOCK);
        const std::string traceProblem = SetUpTracing();
        trace_ = open((std::string(tracing) + "/trace_pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const sched_param priority{10};
        const bool realTime = sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &priority) == 0;
        Emit(Format("hello kernel=%s tracing=%s realtime=%s", ReadFile("/proc/sys/kernel/osrelease")->c_str(),
                    traceProblem.empty() && trace_ >= 0 ? "on" : ("off:" + traceProblem).c_str(),
                    realTime ? "yes" : std::strerror(errno)));
    }

    [[noreturn]] void Run() {
        for (;;) {
            std::vector<pollfd> waitFor{{controlPort, POLLIN, 0}, {childSignal_, POLLIN, 0}};
            if (childOutput_ >= 0) {
                waitFor.push_back({childOutput_, POLLIN, 0});
            }
            if (evdev_ >= 0) {
                waitFor.push_back({evdev_, POLLIN, 0});
            }
            if (trace_ >= 0) {
                waitFor.push_back({trace_, POLLIN, 0});
            }
            // Some waits are for things that come without a descriptor to
            // wait on: a node in sysfs, a file gone, a line setting.
            const bool looking = pending_ || (child_ > 0 && evdev_ < 0);
            if (poll(waitFor.data(), waitFor.size(), looking ? 10 : -1) < 0 && errno != EINTR) {
                std::fprintf(stderr, "agent: poll: %s\n", std::strerror(errno));
                std::exit(1);
            }
            Drain();
            ReapChild();
            if (child_ > 0 && evdev_ < 0) {
                FindKeyboard();
            }
            std::vector<std::string> commands;
            if (!control_.Read(controlPort, commands)) {
                std::fprintf(stderr, "agent: the control port closed\n");
                std::exit(1);
            }
            for (const std::string& command : commands) {
                queued_.push_back(command);
            }
            while (!pending_ && !queued_.empty()) {
                const std::string command = queued_.front();
                queued_.erase(queued_.begin());
                Execute(command);
            }
            if (pending_) {
                Check();
            }
        }
    }

private:
    // Everything readable now, in the order it happened within each source.
    void Drain() {
        ReadEvdev();
        if (childOutput_ >= 0) {
            std::vector<std::string> lines;
            const bool open = childOutputLines_.Read(childOutput_, lines);
            for (const std::string& line : lines) {
                Emit("stderr " + line);
            }
            if (!open) {
                close(childOutput_);
                childOutput_ = -1;
            }
        }
        if (trace_ >= 0) {
            std::vector<std::string> lines;
            traceLines_.Read(trace_, lines);
            for (const std::string& line : lines) {
                Emit("T " + line);
            }
        }
    }

    void ReadEvdev() {
        if (evdev_ < 0) {
            return;
        }
        input_event events[512];
        for (;;) {
            const ssize_t count = read(evdev_, events, sizeof events);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0 && errno == EAGAIN) {
                return;
            }
            if (count <= 0) {
                Emit(Format("gone %s %s", keyboardPath_.c_str(), DownList(down_).c_str()));
                close(evdev_);
                evdev_ = -1;
                down_.clear();
                return;
            }
            const std::int64_t readAt = MonotonicNs();
            for (std::size_t i = 0; i < static_cast<std::size_t>(count) / sizeof(input_event); ++i) {
                const input_event& event = events[i];
                if (event.type == EV_SYN && event.code == SYN_DROPPED) {
                    Emit("dropped");
                }
                if (event.type == EV_KEY) {
                    if (event.value == 0) {
                        down_.erase(event.code);
                    } else {
                        down_.insert(event.code);
                    }
                }
                if (event.type == EV_KEY || event.type == EV_SYN) {
                    Emit(Format("E %lld %u %u %d %lld",
                                static_cast<long long>(event.input_event_sec) * 1000000 + event.input_event_usec,
                                event.type, event.code, event.value, static_cast<long long>(readAt)));
                }
            }
        }
    }

    static std::string DownList(const std::set<int>& keys) {
        std::string list = "keys";
        for (const int key : keys) {
            list += " " + std::to_string(key);
        }
        return list;
    }

    void ReapChild() {
        signalfd_siginfo information;
        while (read(childSignal_, &information, sizeof information) > 0) {
        }
        int status = 0;
        pid_t pid;
        while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
            if (pid != child_) {
                continue;
            }
            // Its last words first.
            Drain();
            child_ = -1;
            lastExit_ = WIFEXITED(status) ? Format("exit %d", WEXITSTATUS(status))
                                          : Format("killed %d", WIFSIGNALED(status) ? WTERMSIG(status) : -1);
            Emit(lastExit_);
        }
    }

    // The program's virtual keyboard, by the name it gives it.
    void FindKeyboard() {
        DIR* inputs = opendir("/sys/class/input");
        if (inputs == nullptr) {
            return;
        }
        while (const dirent* entry = readdir(inputs)) {
            const std::string node = entry->d_name;
            if (node.rfind("event", 0) != 0) {
                continue;
            }
            const std::optional<std::string> name = ReadFile("/sys/class/input/" + node + "/device/name");
            if (!name || name->rfind(namePrefix, 0) != 0) {
                continue;
            }
            const std::string path = "/dev/input/" + node;
            const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (descriptor < 0) {
                continue;  // devtmpfs may not have made the node yet
            }
            char actualName[256] = {};
            int clock = CLOCK_MONOTONIC;
            if (ioctl(descriptor, EVIOCGNAME(sizeof actualName - 1), actualName) < 0 ||
                std::string(actualName).rfind(namePrefix, 0) != 0 || ioctl(descriptor, EVIOCSCLOCKID, &clock) < 0) {
                close(descriptor);
                continue;
            }
            evdev_ = descriptor;
            keyboardPath_ = path;
            keyboardName_ = actualName;
            down_.clear();
            Emit("device " + path + " " + keyboardName_);
            break;
        }
        closedir(inputs);
    }

    void Execute(const std::string& line) {
        const std::vector<std::string> words = Words(line);
        if (words.empty()) {
            return;
        }
        const std::string& command = words[0];
        if (command == "ping") {
            Reply(Format("pong %s %lld", words.size() > 1 ? words[1].c_str() : "",
                         static_cast<long long>(MonotonicNs())));
        } else if (command == "start") {
            StartProgram(words);
        } else if (command == "signal" && words.size() == 2) {
            if (child_ <= 0) {
                Reply("error the program is not running");
            } else {
                kill(child_, std::atoi(words[1].c_str()));
                Reply("ok");
            }
        } else if (command == "keys") {
            Keys();
        } else if (command == "identity") {
            Identity();
        } else if (command == "sync") {
            // Everything that happened before this command is on the
            // events port before the mark.
            Drain();
            Emit("mark " + (words.size() > 1 ? words[1] : std::string()));
            Reply("ok");
        } else if (command == "sh" && words.size() > 1) {
            Shell(line.substr(line.find("sh") + 3));
        } else if ((command == "ready" && words.size() == 4) || (command == "exited" && words.size() == 2) ||
                   ((command == "absent" || command == "present") && words.size() == 3)) {
            pending_ = Pending{command, words, MonotonicNs() + std::atoll(words.back().c_str()) * 1000000};
            Check();
        } else {
            Reply("error unknown command: " + line);
        }
    }

    // Starts arguments[0] with nothing on its input and its output and
    // errors into `output`, which it closes here; the child's pid, or -1.
    static pid_t Run(char* const arguments[], int output) {
        const pid_t pid = fork();
        if (pid == 0) {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int nothing = open("/dev/null", O_RDONLY);
            dup2(nothing, 0);
            dup2(output, 1);
            dup2(output, 2);
            execv(arguments[0], arguments);
            std::fprintf(stderr, "agent: cannot run %s: %s\n", arguments[0], std::strerror(errno));
            _exit(127);
        }
        close(output);
        return pid;
    }

    void StartProgram(const std::vector<std::string>& words) {
        if (child_ > 0) {
            Reply("error the program is running already");
            return;
        }
        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0) {
            Reply(std::string("error pipe: ") + std::strerror(errno));
            return;
        }
        std::vector<char*> arguments;
        arguments.push_back(const_cast<char*>(attachPath));
        for (std::size_t i = 1; i < words.size(); ++i) {
            arguments.push_back(const_cast<char*>(words[i].c_str()));
        }
        arguments.push_back(nullptr);
        const pid_t pid = Run(arguments.data(), output[1]);
        if (pid < 0) {
            close(output[0]);
            Reply(std::string("error fork: ") + std::strerror(errno));
            return;
        }
        fcntl(output[0], F_SETFL, O_NONBLOCK);
        childOutput_ = output[0];
        childOutputLines_ = LineReader();
        child_ = pid;
        lastExit_.clear();
        Reply(Format("ok %d", pid));
    }

    // A shell command, waited for (udevadm and the like: nothing the host
    // times). The reply: its exit status and what it wrote, in hex, so that
    // its lines fit in one.
    void Shell(const std::string& script) {
        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0) {
            Reply(std::string("error pipe: ") + std::strerror(errno));
            return;
        }
        char* arguments[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"), const_cast<char*>(script.c_str()),
                             nullptr};
        const pid_t pid = Run(arguments, output[1]);
        if (pid < 0) {
            close(output[0]);
            Reply(std::string("error fork: ") + std::strerror(errno));
            return;
        }
        std::string text;
        const std::int64_t deadline = MonotonicNs() + shellPatienceNs;
        bool late = false;
        for (;;) {
            pollfd readable{output[0], POLLIN, 0};
            const std::int64_t left = (deadline - MonotonicNs()) / 1000000;
            if (left <= 0) {
                late = true;
                break;
            }
            if (poll(&readable, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
                break;
            }
            char buffer[4096];
            const ssize_t count = read(output[0], buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(count));
        }
        close(output[0]);
        if (late) {
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (late) {
            Reply("error the command ran for more than 10 s: " + script);
            return;
        }
        std::string hex;
        for (const unsigned char byte : text) {
            hex += Format("%02x", byte);
        }
        Reply(Format("ok %d ", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + hex);
    }

    // EVIOCGKEY: the keys the input core holds down on the virtual keyboard.
    void Keys() {
        if (evdev_ < 0) {
            Reply("error no virtual keyboard is open");
            return;
        }
        unsigned char bits[KEY_MAX / 8 + 1] = {};
        if (ioctl(evdev_, EVIOCGKEY(sizeof bits), bits) < 0) {
            Reply(std::string("error EVIOCGKEY: ") + std::strerror(errno));
            return;
        }
        std::set<int> down;
        for (int key = 0; key <= KEY_MAX; ++key) {
            if ((bits[key / 8] & (1 << (key % 8))) != 0) {
                down.insert(key);
            }
        }
        Reply("ok " + DownList(down));
    }

    static std::string BitList(const unsigned char* bits, int count) {
        std::string list;
        for (int bit = 0; bit < count; ++bit) {
            if ((bits[bit / 8] & (1 << (bit % 8))) != 0) {
                list += (list.empty() ? "" : ",") + std::to_string(bit);
            }
        }
        return list;
    }

    // What the virtual keyboard says it is, as evdev tells any reader (udev's
    // input_id reads the same bits from sysfs). The name goes last: it has
    // spaces.
    void Identity() {
        if (evdev_ < 0) {
            Reply("error no virtual keyboard is open");
            return;
        }
        char name[256] = {};
        char phys[256] = {};
        input_id id{};
        unsigned char types[EV_MAX / 8 + 1] = {};
        unsigned char keys[KEY_MAX / 8 + 1] = {};
        const struct {
            const char* name;
            unsigned long request;
            void* answer;
        } questions[] = {
            {"EVIOCGNAME", EVIOCGNAME(sizeof name - 1), name},
            {"EVIOCGPHYS", EVIOCGPHYS(sizeof phys - 1), phys},
            {"EVIOCGID", EVIOCGID, &id},
            {"EVIOCGBIT(0)", EVIOCGBIT(0, sizeof types), types},
            {"EVIOCGBIT(EV_KEY)", EVIOCGBIT(EV_KEY, sizeof keys), keys},
        };
        for (const auto& question : questions) {
            // ENOENT: the device has none (no phys, say); it shows as empty.
            if (ioctl(evdev_, question.request, question.answer) < 0 && errno != ENOENT) {
                Reply(std::string("error ") + question.name + ": " + std::strerror(errno));
                return;
            }
        }
        Reply(Format("ok bus=%u types=", id.bustype) + BitList(types, EV_MAX + 1) + " keys=" +
              BitList(keys, KEY_MAX + 1) + " phys=" + phys + " name=" + name);
    }

    // Whether `device` is open in the program and set raw at `baud`; what
    // stands in the way if not.
    std::string LineProblem(const std::string& device, int baud) const {
        int programs = -1;
        const std::string fds = Format("/proc/%d/fd", child_);
        if (DIR* descriptors = opendir(fds.c_str())) {
            while (const dirent* entry = readdir(descriptors)) {
                char target[256] = {};
                if (readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target - 1) > 0 && device == target) {
                    programs = std::atoi(entry->d_name);
                }
            }
            closedir(descriptors);
        }
        if (programs < 0) {
            return "the program does not have " + device + " open";
        }
        // The program's own descriptor, copied: an opening of our own would
        // raise DTR and RTS, as every open of a tty does, and spoil the
        // modem lines the program sets (a wake-up pulse).
        const int process = static_cast<int>(syscall(SYS_pidfd_open, child_, 0));
        const int descriptor = process < 0 ? -1 : static_cast<int>(syscall(SYS_pidfd_getfd, process, programs, 0));
        const int error = errno;
        if (process >= 0) {
            close(process);
        }
        if (descriptor < 0) {
            return device + ": the program's descriptor: " + std::strerror(error);
        }
        termios line{};
        const bool got = tcgetattr(descriptor, &line) == 0;
        close(descriptor);
        if (!got) {
            return device + ": tcgetattr: " + std::strerror(errno);
        }
        const struct {
            int baud;
            speed_t speed;
        } speeds[] = {{1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400}};
        int actual = -1;
        for (const auto& speed : speeds) {
            actual = cfgetispeed(&line) == speed.speed ? speed.baud : actual;
        }
        if (actual != baud || (line.c_lflag & ICANON) != 0) {
            return Format("%s is at %d baud%s", device.c_str(), actual, (line.c_lflag & ICANON) != 0 ? ", canonical" : "");
        }
        return "";
    }

    void Check() {
        const Pending& wait = *pending_;
        const bool late = MonotonicNs() > wait.deadline;
        std::optional<std::string> answer;
        if (wait.command == "ready") {
            // ready DEVICE BAUD TIMEOUT: the port open at its settings and
            // the virtual keyboard open here.
            if (child_ <= 0) {
                answer = "error the program ended: " + lastExit_;
            } else if (const std::string problem = LineProblem(wait.words[1], std::atoi(wait.words[2].c_str()));
                       evdev_ >= 0 && problem.empty()) {
                answer = "ok " + keyboardPath_ + " " + keyboardName_;
            } else if (late) {
                const std::string keyboard = evdev_ < 0 ? "no virtual keyboard named Clavenet*" : "";
                answer = "error not ready: " + keyboard + (!keyboard.empty() && !problem.empty() ? "; " : "") + problem;
            }
        } else if (wait.command == "exited") {
            if (child_ <= 0) {
                answer = "ok " + lastExit_;
            } else if (late) {
                answer = "error still running";
            }
        } else {
            struct stat status {};
            if ((stat(wait.words[1].c_str(), &status) == 0) == (wait.command == "present")) {
                answer = "ok";
            } else if (late) {
                answer = wait.command == "present" ? "error not there" : "error still there";
            }
        }
        if (answer) {
            pending_.reset();
            Reply(*answer);
        }
    }

    int childSignal_ = -1;
    int trace_ = -1;
    int evdev_ = -1;
    int childOutput_ = -1;
    pid_t child_ = -1;
    std::string lastExit_;
    std::string keyboardPath_;
    std::string keyboardName_;
    std::set<int> down_;
    LineReader control_;
    LineReader childOutputLines_;
    LineReader traceLines_;
    std::vector<std::string> queued_;
    std::optional<Pending> pending_;
};

}  // namespace

int main() {
    controlPort = OpenPort("clavenet.control");
    eventPort = OpenPort("clavenet.events");
    fcntl(controlPort, F_SETFL, O_NONBLOCK);
    Agent agent;
    agent.Start();
    agent.Run();
}
