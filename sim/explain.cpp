#include "sim/explain.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

#include "keyboards/key_codes.h"
#include "keyboards/keyboard_models.h"
#include "platform/kernel.h"
#include "sim/keyboards.h"
#include "sim/ui_engine.h"

namespace sim {

namespace {

// The words of a line after the tick and the name; a quoted string stays one
// word, quotes and all.
std::vector<std::string> Arguments(std::string_view line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ' ') {
            ++at;
            continue;
        }
        std::size_t end = at;
        if (line[at] == '"') {
            for (++end; end < line.size() && line[end] != '"'; ++end) {
                end += line[end] == '\\' ? 1 : 0;
            }
            ++end;
        } else {
            end = line.find(' ', at);
        }
        end = std::min(end, line.size());
        words.emplace_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

std::int64_t Number(const std::string& word) { return std::strtoll(word.c_str(), nullptr, 10); }

std::string StatusNames(std::int64_t status) {
    std::string names;
    const auto add = [&names](const char* name) { names += (names.empty() ? "" : " and ") + std::string(name); };
    if ((status & StatusAlt) != 0) {
        add("Alt");
    }
    if ((status & StatusShift) != 0) {
        add("Shift");
    }
    if ((status & StatusCapsLock) != 0) {
        add("Caps Lock");
    }
    return names;
}

std::string CharacterName(std::int64_t character) {
    switch (character) {
    case KeyBackspace: return "Backspace";
    case KeyTab: return "Tab";
    case KeyEnter: return "Enter";
    case KeyEscape: return "Escape";
    case '\'': return "\"'\"";
    default: break;
    }
    if (character >= 32 && character <= 126) {
        return "'" + std::string(1, static_cast<char>(character)) + "'";
    }
    return "character " + std::to_string(character);
}

// RimPostMessage TASK DEVICE EVENT SUB W3 W4 STATUS TICK
std::string ExplainPost(const std::vector<std::string>& words) {
    if (words.size() != 8 || Number(words[1]) != KeypadDevice) {
        return "";
    }
    const std::int64_t event = Number(words[2]);
    const std::int64_t status = Number(words[6]);
    const bool alt = (status & StatusAlt) != 0;
    std::string key;
    switch (event) {
    case KeyCharEvent: key = CharacterName(Number(words[3])); break;
    case KeyClickEvent: key = "click"; break;
    case KeyMoveUpEvent: key = alt ? "Left (up with Alt)" : "Up"; break;
    case KeyMoveDownEvent: key = alt ? "Right (down with Alt)" : "Down"; break;
    case KeyStatusEvent: {
        const std::string names = StatusNames(status);
        return "modifiers now " + (names.empty() ? std::string("none") : names);
    }
    default: return "";
    }
    // Movement keys set Alt themselves: saying so twice would mislead.
    const std::string names = StatusNames(event == KeyCharEvent || event == KeyClickEvent ? status : status & ~StatusAlt);
    return names.empty() ? key : key + " with " + names;
}

std::string TimerName(std::int64_t timer) {
    switch (timer) {
    case RepeatTimer: return "RepeatTimer";
    case LinkTimer: return "LinkTimer";
    default: return "timer " + std::to_string(timer);
    }
}

std::string ExplainTimer(const std::vector<std::string>& words) {
    const std::int64_t interval = Number(words[1]);
    return TimerName(Number(words[0])) +
           (interval == 0 ? " stopped" : " started, every " + std::to_string(interval) + " ticks");
}

std::string ExplainRegistration(const std::vector<std::string>& words) {
    const std::int64_t event = Number(words[0]);
    if (Number(words[1]) == 0xFF00) {
        return "every event of device " + std::to_string(event >> 8) +
               (event >> 8 == IdleCheckDevice ? ": the idle check" : "");
    }
    switch (event) {
    case CloseLinkEvent: return "event 259: the system closes the link";
    case SerialDataEvent: return "serial data has arrived";
    case RepeatTimer:
    case LinkTimer: return TimerName(event) + " has expired";
    default: return "";
    }
}

std::string ExplainSelect(const std::string& quotedName) {
    static const std::map<std::string, std::string> hotKeys = {
        {"\"Address Book\"", "Alt+1"}, {"\"Compose\"", "Alt+2"}, {"\"Alarm\"", "Alt+3"},
        {"\"Options\"", "Alt+4"},      {"\"Search Messages\"", "Alt+f"},
    };
    const auto hotKey = hotKeys.find(quotedName);
    return hotKey == hotKeys.end() ? "" : "the Flexis hot key " + hotKey->second;
}

std::string ExplainMenuEntry(const std::string& word) {
    const std::string text = MenuEntryText(static_cast<std::int32_t>(Number(word)));
    return text.empty() ? "" : "menu entry \"" + text + "\"";
}

// Screen type=N ...
std::string ExplainScreen(const std::vector<std::string>& words) {
    if (words.empty() || words[0].rfind("type=", 0) != 0) {
        return "";
    }
    const std::int64_t type = Number(words[0].substr(5));
    return type >= 0 && type < KeyboardTypeCount ? "keyboard " + std::string(keyboardNames[static_cast<KeyboardType>(type)])
                                                 : "no keyboard of that type";
}

}  // namespace

std::string ExplainTraceLine(std::string_view line) {
    std::vector<std::string> words = Arguments(line);
    if (words.size() < 2) {
        return "";
    }
    const std::string name = words[1];
    words.erase(words.begin(), words.begin() + 2);
    if (name == "RimPostMessage") {
        return ExplainPost(words);
    }
    if (name == "CommOpenPort" && words.size() == 6) {
        return words[0] + " baud, " + words[1] + " data bits, " + (words[2] == "0" ? "no" : "with") + " parity, " +
               words[3] + " stop bit" + (words[3] == "1" ? "" : "s");
    }
    if (name == "CommSetDsr" && words.size() == 1) {
        return words[0] == "0" ? "DSR low" : "DSR high";
    }
    if (name == "CommClosePort") {
        return "the keyboard's port is closed";
    }
    if (name == "RimSetTimer" && words.size() == 3) {
        return ExplainTimer(words);
    }
    if (name == "RimSleep" && words.size() == 1) {
        return "the task sleeps " + words[0] + " units";
    }
    if (name == "RimPagerSetup") {
        return "LinkTimer's call, every 500 ticks while the link is open";
    }
    if (name == "RimRequestPowerOff") {
        return "the handheld switches off (the Flexis hot key Alt+=)";
    }
    if (name == "RimGetDeviceInfo") {
        return "the handheld type, which picks the icon";
    }
    if (name == "RimRegisterMessageCallback" && words.size() == 2) {
        return ExplainRegistration(words);
    }
    if (name == "RibbonRegister") {
        return "Clavenet appears on the ribbon";
    }
    if (name == "OptionsRegister") {
        return "Clavenet appears in the options module (the 950 pager has no ribbon)";
    }
    if (name == "RibbonSetIcon" && words.size() == 5) {
        return "the " + words[1] + "x" + words[2] + " icon";
    }
    if (name == "RibbonSelect" && words.size() == 1) {
        return ExplainSelect(words[0]);
    }
    if (name == "RibbonSwitch") {
        return "to the application just selected, or else to the ribbon";
    }
    if (name == "MenuUnavailable" && words.size() == 1) {
        return ExplainMenuEntry(words[0]);
    }
    if (name == "Screen") {
        return ExplainScreen(words);
    }
    return "";
}

}  // namespace sim
