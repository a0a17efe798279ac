#include "wine.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

// Where the cross build puts each build's module with its platform modules
// and the loader: pe/BUILD/.
constexpr const char* peDirectory = CLAVENET_PE_DIRECTORY;

[[noreturn]] void CannotStart(const std::string& problem) {
    std::cerr << "clavenet-sim: " << problem << "\n";
    std::exit(1);
}

// Wine's command line would not carry every byte of a name unchanged.
std::string Hex(const std::string& text) {
    std::string hex;
    for (const unsigned char byte : text) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

std::string ModuleFile(const std::string& build) {
    return build == "950" ? "clavenet.dll" : "clavenet" + build + ".dll";
}

// Wine as the tests need it, unless the caller says otherwise: a prefix of
// our own, no debugging chatter, no offer to install .NET or a web engine.
void PrepareEnvironment() {
    setenv("WINEPREFIX", (std::string(peDirectory) + "/wineprefix").c_str(), 0);
    setenv("WINEDEBUG", "-all", 0);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 0);
}

// Runs `command` with `input` on its standard input; returns its exit status.
int Run(const std::vector<std::string>& command, const std::string& input, bool quiet) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        CannotStart(std::string("no pipe: ") + std::strerror(errno));
    }
    const pid_t child = fork();
    if (child < 0) {
        CannotStart(std::string("cannot start Wine: ") + std::strerror(errno));
    }
    if (child == 0) {
        dup2(pipeEnds[0], STDIN_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (quiet) {
            const int nowhere = open("/dev/null", O_WRONLY);
            dup2(nowhere, STDOUT_FILENO);
            dup2(nowhere, STDERR_FILENO);
        }
        std::vector<char*> arguments;
        for (const std::string& argument : command) {
            arguments.push_back(const_cast<char*>(argument.c_str()));
        }
        arguments.push_back(nullptr);
        execvp(arguments[0], arguments.data());
        std::cerr << "clavenet-sim: cannot run " << command[0] << ": " << std::strerror(errno) << "\n";
        _exit(1);
    }
    close(pipeEnds[0]);
    // A loader that refuses the module stops reading; its status tells why.
    std::signal(SIGPIPE, SIG_IGN);
    for (std::size_t written = 0; written < input.size();) {
        const ssize_t count = write(pipeEnds[1], input.data() + written, input.size() - written);
        if (count <= 0) {
            break;
        }
        written += static_cast<std::size_t>(count);
    }
    close(pipeEnds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// A new prefix announces itself on standard error, which belongs to the
// scenario; and Wine's own background processes, started by whichever
// program needs them first, keep that program's output open until they end.
// So both are done beforehand, quietly.
void WarmUpWine() {
    const std::string registry = std::string(std::getenv("WINEPREFIX")) + "/system.reg";
    if (access(registry.c_str(), F_OK) != 0) {
        Run({"wine", "wineboot", "--init"}, "", true);
    }
    Run({"wine", "cmd", "/c", "exit"}, "", true);
}

}  // namespace

void RunUnderWine(const std::string& build, const std::string& scriptName, const std::string& script,
                  const sim::ScenarioOptions& options) {
    const std::string directory = std::string(peDirectory) + "/" + build;
    const std::string loader = directory + "/loader.exe";
    if (access(loader.c_str(), R_OK) != 0) {
        CannotStart("no PE modules for build " + build + " in " + directory +
                    " (cmake --preset mingw-i686 && cmake --build --preset mingw-i686 builds them)");
    }
    PrepareEnvironment();
    WarmUpWine();
    std::vector<std::string> command = {"wine", loader, ModuleFile(build), Hex(scriptName)};
    if (options.explain) {
        command.emplace_back("--explain");
    }
    if (options.foldRepeats) {
        command.emplace_back("--fold-repeats");
    }
    std::exit(Run(command, script, false));
}
