#include "sim/scenario.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "keyboards/key_codes.h"
#include "keyboards/keyboard_models.h"
#include "sim/kernel.h"
#include "sim/keyboards.h"
#include "sim/platform_fault.h"
#include "sim/platform_calls.h"
#include "sim/trace.h"
#include "sim/ui_engine.h"

namespace sim {

namespace {

// The script language's menu entries are 0..4.
constexpr std::int64_t LastMenuEntry = 4;
constexpr std::int32_t CancelMenu = -1;
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

struct ScriptLine {
    int number;
    std::string text;  // comment removed, trailing blanks trimmed
    std::vector<std::string> words;
};

std::vector<ScriptLine> SplitLines(const std::string& script) {
    std::vector<ScriptLine> lines;
    // Editors that save UTF-8 may put a byte-order mark in front.
    std::size_t begin = script.starts_with(byteOrderMark) ? byteOrderMark.size() : 0;
    for (int number = 1; begin <= script.size(); ++number) {
        std::size_t end = script.find('\n', begin);
        if (end == std::string::npos) {
            end = script.size();
        }
        std::string text = script.substr(begin, end - begin);
        begin = end + 1;
        text = text.substr(0, text.find('#'));
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
            text.pop_back();
        }
        ScriptLine line{number, text, {}};
        std::size_t at = 0;
        while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
            const std::size_t wordEnd = text.find_first_of(" \t", at);
            line.words.push_back(text.substr(at, wordEnd - at));
            at = wordEnd;
        }
        if (!line.words.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

// What follows the command word, as written.
std::string RestOfLine(const ScriptLine& line) {
    const std::size_t commandEnd = line.text.find(line.words[0]) + line.words[0].size();
    const std::size_t restBegin = line.text.find_first_not_of(" \t", commandEnd);
    return restBegin == std::string::npos ? std::string() : line.text.substr(restBegin);
}

struct ScriptError {
    std::string message;
};

// A word of the script as an error shows it: bytes that would not print are
// escaped, as in the trace.
std::string Quote(std::string_view word) { return QuoteForTrace(word); }

bool LooksLikeNumber(std::string_view word) {
    const std::size_t first = !word.empty() && word[0] == '-' ? 1 : 0;
    return first < word.size() && word[first] >= '0' && word[first] <= '9';
}

std::int64_t ParseNumber(const std::string& word, std::int64_t min, std::int64_t max, std::string_view what) {
    std::string_view digits = word;
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) {
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        throw ScriptError{Quote(word) + " is not a number"};
    }
    std::int64_t value = 0;
    for (const char digit : digits) {
        int digitValue;
        if (digit >= '0' && digit <= '9') {
            digitValue = digit - '0';
        } else if (base == 16 && digit >= 'a' && digit <= 'f') {
            digitValue = digit - 'a' + 10;
        } else if (base == 16 && digit >= 'A' && digit <= 'F') {
            digitValue = digit - 'A' + 10;
        } else {
            throw ScriptError{Quote(word) + " is not a number"};
        }
        // Stop before overflowing: every range ends far below this.
        if (value > (std::int64_t{1} << 40)) {
            break;
        }
        value = value * base + digitValue;
    }
    value = negative ? -value : value;
    if (value < min || value > max) {
        throw ScriptError{word + " is out of range for " + std::string(what) + " (" + std::to_string(min) + ".." +
                          std::to_string(max) + ")"};
    }
    return value;
}

std::uint8_t ParseHexByte(const std::string& word) {
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    if (word.size() != 2 || !isHex(word[0]) || !isHex(word[1])) {
        throw ScriptError{Quote(word) + " is not a hex byte (two hex digits, e.g. 1c)"};
    }
    return static_cast<std::uint8_t>(std::stoi(word, nullptr, 16));
}

void ExpectArguments(const ScriptLine& line, std::size_t count) {
    const std::size_t given = line.words.size() - 1;
    if (given != count) {
        throw ScriptError{Quote(line.words[0]) + " takes " + std::to_string(count) +
                          (count == 1 ? " argument" : " arguments") + ", not " + std::to_string(given)};
    }
}

// The index of `word` in `names` (an empty name only holds its index's
// place); failing that, when `numbersUpTo` is given, the number the word
// writes in 0..numbersUpTo.
std::int32_t ParseChoice(const std::string& word, std::span<const std::string> names, std::string_view what,
                         std::optional<std::int64_t> numbersUpTo = std::nullopt) {
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (!names[index].empty() && word == names[index]) {
            return static_cast<std::int32_t>(index);
        }
    }
    if (numbersUpTo && LooksLikeNumber(word)) {
        return static_cast<std::int32_t>(ParseNumber(word, 0, *numbersUpTo, what));
    }
    std::string expected;
    for (const std::string& name : names) {
        if (!name.empty()) {
            expected += (expected.empty() ? "" : " or ") + name;
        }
    }
    if (numbersUpTo) {
        expected += " or 0.." + std::to_string(*numbersUpTo);
    }
    throw ScriptError{Quote(word) + " is not a choice of " + std::string(what) + " (" + expected + ")"};
}

std::vector<std::string> ModelNames() {
    std::vector<std::string> names;
    for (const char* name : keyboardScriptNames) {
        names.emplace_back(name);
    }
    return names;
}

OsMessage KeypadInput(std::int32_t event, std::int32_t subMessage) {
    OsMessage message{};
    message.device = KeypadDevice;
    message.event = event;
    message.subMessage = subMessage;
    return message;
}

const OsMessage wheelClick = KeypadInput(KeyClickEvent, 0);
const OsMessage escapeKey = KeypadInput(KeyCharEvent, KeyEscape);

class ScenarioRunner;
ScenarioRunner* runner = nullptr;

class ScenarioRunner {
public:
    ScenarioRunner(std::string scriptName, const std::string& script, ApplicationEntry entry,
                   const ScenarioOptions& options)
        : scriptName_(std::move(scriptName)), lines_(SplitLines(script)), entry_(entry), options_(options) {}

    [[noreturn]] void Run() {
        ResetKernel(0);
        ResetUiEngine();
        StreamTraceTo(stdout, {.explain = options_.explain, .foldRepeats = options_.foldRepeats});
        while (next_ < lines_.size() && IsBeforeStart(lines_[next_])) {
            RunLine(lines_[next_++]);
        }
        if (next_ < lines_.size() && lines_[next_].words[0] == "start") {
            const ScriptLine& start = lines_[next_++];
            Check(start, [&start] { ExpectArguments(start, 0); });
        }
        Start();
    }

    // While the task waits with nothing queued, the script goes on.
    void OnTaskWaits() {
        while (!TaskHasMessages()) {
            if (!steps_.empty()) {
                const std::function<void()> step = std::move(steps_.front());
                steps_.pop_front();
                step();
            } else if (next_ < lines_.size()) {
                RunLine(lines_[next_++]);
            } else {
                Finish(0);
            }
        }
    }

private:
    static bool IsBeforeStart(const ScriptLine& line) {
        return line.words[0] == "tick" || line.words[0] == "device-type";
    }

    [[noreturn]] void Start() {
        started_ = true;
        SetTaskWaitHandler([] { runner->OnTaskWaits(); });
        SetFaultLocation("");
        ExpectStartUp();
        entry_();
        FlushTrace();
        std::fputs("clavenet-sim: the application's task returned\n", stderr);
        std::exit(1);
    }

    [[noreturn]] static void Finish(int status) {
        FlushTrace();
        std::exit(status);
    }

    // What the program does until the next line runs is this line's doing.
    void RunLine(const ScriptLine& line) {
        SetFaultLocation(scriptName_ + ":" + std::to_string(line.number));
        Check(line, [this, &line] { Execute(line); });
    }

    // Runs `action` for `line`; a script error in it ends the run.
    template <typename Action>
    void Check(const ScriptLine& line, Action action) {
        try {
            action();
        } catch (const ScriptError& error) {
            FlushTrace();
            std::fprintf(stderr, "%s:%d: error: %s\n", scriptName_.c_str(), line.number, error.message.c_str());
            Finish(2);
        }
    }

    void Execute(const ScriptLine& line) {
        const std::string& command = line.words[0];
        if (command == "tick" || command == "device-type") {
            ExpectArguments(line, 1);
            if (started_) {
                throw ScriptError{Quote(command) + " only works before the start"};
            }
            if (command == "tick") {
                // The tick is the kernel's starting point, so the kernel starts
                // again from it; the device type set so far stays.
                ResetKernel(static_cast<std::uint32_t>(ParseNumber(line.words[1], 0, 4294967295, "tick")));
                if (deviceType_) {
                    SetDeviceType(*deviceType_);
                }
            } else {
                deviceType_ = static_cast<std::uint8_t>(ParseNumber(line.words[1], 0, 255, "device-type"));
                SetDeviceType(*deviceType_);
            }
        } else if (command == "start") {
            ExpectArguments(line, 0);
            throw ScriptError{"\"start\" after the start"};
        } else if (command == "model") {
            ExpectArguments(line, 1);
            ChooseKeyboardType(ParseChoice(line.words[1], ModelNames(), "model", KeyboardTypeCount - 1));
        } else if (command == "keyboard") {
            ExpectArguments(line, 1);
            const std::string onOff[] = {"on", "off"};
            const std::int32_t choice = ParseChoice(line.words[1], onOff, "keyboard");
            ChooseFromMenu(choice == 0 ? 1 : 2);
        } else if (command == "menu") {
            ExpectArguments(line, 1);
            const std::string entries[] = {"", "on", "off", "close", "cancel"};
            const std::int32_t entry = ParseChoice(line.words[1], entries, "menu", LastMenuEntry);
            ChooseFromMenu(line.words[1] == "cancel" ? CancelMenu : entry);
        } else if (command == "key") {
            ExpectArguments(line, 2);
            const auto event = static_cast<std::int32_t>(ParseNumber(line.words[1], INT32_MIN, INT32_MAX, "key"));
            const auto sub = static_cast<std::int32_t>(ParseNumber(line.words[2], INT32_MIN, INT32_MAX, "key"));
            QueueTaskMessage(KeypadInput(event, sub));
        } else if (command == "serial") {
            if (line.words.size() < 2) {
                throw ScriptError{"\"serial\" takes one or more bytes"};
            }
            std::vector<std::uint8_t> bytes;
            for (std::size_t i = 1; i < line.words.size(); ++i) {
                bytes.push_back(ParseHexByte(line.words[i]));
            }
            NoteIfLinkClosed(line);
            ReceiveSerial(bytes);
        } else if (command == "type") {
            Type(RestOfLine(line));
            NoteIfLinkClosed(line);
        } else if (command == "wait") {
            ExpectArguments(line, 1);
            const std::uint64_t end = ElapsedTicks() + static_cast<std::uint64_t>(
                                                          ParseNumber(line.words[1], 0, 4294967295, "wait"));
            steps_.push_back([this, end] { WaitUntil(end); });
        } else if (command == "event") {
            ExpectArguments(line, 2);
            const auto device = static_cast<std::int32_t>(ParseNumber(line.words[1], INT32_MIN, INT32_MAX, "event"));
            const auto event = static_cast<std::int32_t>(ParseNumber(line.words[2], INT32_MIN, INT32_MAX, "event"));
            DeliverEvent(device, event);
            if (device == SystemDevice || device == KeypadDevice) {
                OsMessage message{};
                message.device = device;
                message.event = event;
                QueueTaskMessage(message);
            }
        } else if (command == "foreground") {
            ExpectArguments(line, 1);
            const std::string who[] = {"app", "clavenet", "none"};
            constexpr Foreground foregrounds[] = {Foreground::App, Foreground::Clavenet, Foreground::None};
            SetForeground(foregrounds[ParseChoice(line.words[1], who, "foreground")]);
        } else if (command == "port") {
            ExpectArguments(line, 1);
            const std::string states[] = {"ok", "fail"};
            SetPortFails(ParseChoice(line.words[1], states, "port") == 1);
        } else if (command == "screen") {
            ExpectArguments(line, 0);
            TraceLine("Screen")
                .Word("type=" + std::to_string(KeyboardTypeChoice()))
                .Word("test=" + QuoteForTrace(TestFieldText()))
                .Word(MenuShown() ? "menu=shown" : "menu=hidden")
                .Word(PortOpen() ? "link=open" : "link=closed");
            TraceComment(ScreenPicture());
        } else if (command == "note") {
            TraceLine("Note").Quoted(RestOfLine(line));
        } else if (command == "app") {
            ExpectArguments(line, 0);
            TraceLine("App").Word("text=" + QuoteForTrace(ApplicationText()));
        } else {
            throw ScriptError{"unknown command " + Quote(command)};
        }
    }

    // Bytes sent to a closed port are lost, as on the handheld; a script
    // that sends them most likely forgot "keyboard on".
    void NoteIfLinkClosed(const ScriptLine& line) const {
        if (!PortOpen()) {
            FlushTrace();
            std::fprintf(stderr, "# note: %s:%d: the link is closed: the keyboard's bytes are lost\n",
                         scriptName_.c_str(), line.number);
        }
    }

    // The user opens the menu with the wheel, then rolls to the entry and
    // clicks, or cancels with Escape.
    void ChooseFromMenu(std::int32_t entry) {
        if (MenuShown()) {
            ChooseShownEntry(entry);
            return;
        }
        QueueTaskMessage(wheelClick);
        steps_.push_back([entry] { ChooseShownEntry(entry); });
    }

    static void ChooseShownEntry(std::int32_t entry) {
        if (!MenuShown()) {
            return;
        }
        if (entry == CancelMenu) {
            QueueTaskMessage(escapeKey);
        } else if (!MenuEntryAvailable(entry)) {
            TraceLine("MenuUnavailable").Number(entry);
            QueueTaskMessage(escapeKey);
        } else {
            RollMenuTo(entry);
            QueueTaskMessage(wheelClick);
        }
    }

    void Type(const std::string& text) {
        if (text.empty()) {
            throw ScriptError{"\"type\" takes a text"};
        }
        const std::int32_t model = KeyboardTypeChoice();
        const Typing typing = TypeOnKeyboard(model, text);
        if (typing.missing != 0) {
            throw ScriptError{"the " + std::string(keyboardNames[model]) + " keyboard has no key for " +
                              QuoteForTrace(std::string(1, typing.missing))};
        }
        for (const KeyTransitionBytes& transition : typing.transitions) {
            steps_.push_back([transition] { ReceiveSerial(transition); });
        }
    }

    // One expiry a step, so that the task sees what each one posted to it
    // before the next falls due.
    void WaitUntil(std::uint64_t end) {
        if (DeliverNextExpiry(end)) {
            steps_.push_front([this, end] { WaitUntil(end); });
        } else {
            AdvanceClockTo(end);
        }
    }

    std::string scriptName_;
    std::vector<ScriptLine> lines_;
    ApplicationEntry entry_;
    ScenarioOptions options_;
    std::size_t next_ = 0;
    bool started_ = false;
    std::optional<std::uint8_t> deviceType_;
    std::deque<std::function<void()>> steps_;
};

}  // namespace

void RunScenario(const std::string& scriptName, const std::string& script, ApplicationEntry entry,
                 const ScenarioOptions& options) {
    static ScenarioRunner scenario(scriptName, script, entry, options);
    runner = &scenario;
    scenario.Run();
}

}  // namespace sim
