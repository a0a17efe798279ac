// clavenet-sim: plays a scenario script on the simulated handheld with one
// of the three builds of Clavenet.
//
// Each build of the program is its own executable (the builds share their
// symbol names); this one runs the build it was compiled as and hands any
// other to its sibling. With --pe, the build's PE module runs under Wine
// instead.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "shell/startup.h"
#include "sim/scenario.h"
#include "wine.h"

namespace {

constexpr const char* usage =
    "usage: clavenet-sim [--build 950|20|21] [--pe] [--explain] [--demo | SCRIPT | -]\n"
    "  --build    the build to run: 950 (clavenet), 20 (clavenet20), 21 (clavenet21, the default)\n"
    "  --pe       run the build's PE module under Wine instead of the native program\n"
    "  --explain  add a comment to each trace line that says what its numbers mean\n"
    "  --demo     run the bundled demo scenario\n"
    "  SCRIPT     a scenario script; - or none reads it from standard input\n";

constexpr const char* demoScript =
#include "demo_script.inc"
    ;

constexpr const char* ownBuild = CLAVENET_BUILD == 950 ? "950" : CLAVENET_BUILD == 20 ? "20" : "21";

[[noreturn]] void UsageError(const std::string& problem) {
    std::cerr << "clavenet-sim: " << problem << "\n" << usage;
    std::exit(2);
}

struct Options {
    std::string build = "21";
    bool demo = false;
    bool pe = false;
    bool explain = false;
    std::optional<std::string> script;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << usage;
            std::exit(0);
        } else if (argument == "--build" || argument.rfind("--build=", 0) == 0) {
            if (argument == "--build" && i + 1 == argc) {
                UsageError("--build needs a value");
            }
            options.build = argument == "--build" ? argv[++i] : argument.substr(std::strlen("--build="));
            if (options.build != "950" && options.build != "20" && options.build != "21") {
                UsageError("unknown build '" + options.build + "'");
            }
        } else if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--pe") {
            options.pe = true;
        } else if (argument == "--explain") {
            options.explain = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            UsageError("unknown option '" + argument + "'");
        } else if (options.script) {
            UsageError("only one script at a time");
        } else {
            options.script = argument;
        }
    }
    if (options.demo && options.script) {
        UsageError("--demo runs its own script; give no other");
    }
    // No script at all reads it from standard input, as "-" does.
    if (!options.demo && !options.script) {
        options.script = "-";
    }
    return options;
}

// The executable of another build lives next to this one.
[[noreturn]] void RunSibling(const std::string& build, char** argv) {
    std::vector<char> self(4096);
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::string directory = length > 0 ? std::string(self.data(), static_cast<std::size_t>(length)) : argv[0];
    directory = directory.substr(0, directory.rfind('/') + 1);
    const std::string sibling = directory + (build == "21" ? "clavenet-sim" : "clavenet-sim-" + build);
    execv(sibling.c_str(), argv);
    std::cerr << "clavenet-sim: cannot run " << sibling << ": " << std::strerror(errno) << "\n";
    std::exit(2);
}

[[noreturn]] void CannotRead(const std::string& name, const std::string& why) {
    std::cerr << "clavenet-sim: cannot read " << name << ": " << why << "\n";
    std::exit(2);
}

std::string ReadScript(const std::string& name) {
    std::ostringstream text;
    if (name == "-") {
        text << std::cin.rdbuf();
        return text.str();
    }
    // A folder opens like a file and reads as nothing: it would run as an
    // empty script.
    std::error_code unknown;  // left to the open below to report
    if (std::filesystem::is_directory(name, unknown)) {
        CannotRead(name, "it is a directory");
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        CannotRead(name, std::strerror(errno));
    }
    text << file.rdbuf();
    if (file.bad()) {
        CannotRead(name, std::strerror(errno));
    }
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    // The sibling reads the script itself, standard input included.
    if (options.build != ownBuild && !options.pe) {
        RunSibling(options.build, argv);
    }
    const std::string scriptName = options.demo ? "demo" : *options.script;
    const std::string script = options.demo ? demoScript : ReadScript(scriptName);
    // The demo is read by people: long runs of the same timer line are counted.
    const sim::ScenarioOptions scenarioOptions{.explain = options.explain, .foldRepeats = options.demo};
    if (options.pe) {
        RunUnderWine(options.build, scriptName, script, scenarioOptions);
    }
    sim::RunScenario(scriptName, script, &AppEntry, scenarioOptions);
}
