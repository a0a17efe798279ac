// The handheld's loader under Wine: loads a Clavenet module as the platform
// does, checks its header (and on OS 2.x its dependency records), and starts
// the application's task at the header's entry, playing a scenario script
// read from standard input.
//
//   loader.exe MODULE SCRIPT-NAME-IN-HEX < SCRIPT
//
// The script's name, used in error messages, comes in hex: Wine's command
// line would not carry every byte of it unchanged.
//
// Exit status: that of the scenario (0, 2 at a bad line, 3 at a platform
// fault); 1 when the module cannot be started or the application crashes.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/application_header.h"
#include "platform/build.h"
#include "sim/scenario.h"

namespace {

std::string moduleName;

[[noreturn]] void Refuse(const std::string& module, const std::string& problem) {
    std::fprintf(stderr, "clavenet-sim: %s: %s\n", module.c_str(), problem.c_str());
    std::exit(1);
}

const unsigned char* ImageByte(HMODULE module, DWORD rva) { return reinterpret_cast<const unsigned char*>(module) + rva; }

const IMAGE_NT_HEADERS32& NtHeaders(HMODULE module) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    return *reinterpret_cast<const IMAGE_NT_HEADERS32*>(ImageByte(module, dos->e_lfanew));
}

bool InsideImage(HMODULE module, const void* address) {
    const auto* byte = static_cast<const unsigned char*>(address);
    return byte >= ImageByte(module, 0) && byte < ImageByte(module, NtHeaders(module).OptionalHeader.SizeOfImage);
}

// Wine binds an import that its module does not export to a stub that
// fails only when called; the handheld refuses such a module outright.
void CheckImports(HMODULE module, const std::string& name) {
    const IMAGE_DATA_DIRECTORY& directory = NtHeaders(module).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.Size == 0) {
        return;
    }
    for (auto* imports = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(ImageByte(module, directory.VirtualAddress));
         imports->Name != 0; ++imports) {
        const auto* dll = reinterpret_cast<const char*>(ImageByte(module, imports->Name));
        const HMODULE exporter = GetModuleHandleA(dll);
        const DWORD lookup = imports->OriginalFirstThunk != 0 ? imports->OriginalFirstThunk : imports->FirstThunk;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA32*>(ImageByte(module, lookup));
             thunk->u1.AddressOfData != 0; ++thunk) {
            std::string what;
            const char* wanted;
            if (IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal)) {
                what = "ordinal " + std::to_string(IMAGE_ORDINAL32(thunk->u1.Ordinal));
                wanted = MAKEINTRESOURCEA(IMAGE_ORDINAL32(thunk->u1.Ordinal));
            } else {
                wanted = reinterpret_cast<const char*>(
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(ImageByte(module, thunk->u1.AddressOfData))->Name);
                what = wanted;
            }
            if (exporter == nullptr || GetProcAddress(exporter, wanted) == nullptr) {
                Refuse(name, "imports " + what + " from " + dll + ", which does not export it");
            }
        }
    }
}

const RimApplicationHeader& CheckHeader(HMODULE module, const std::string& name) {
    const auto* header = reinterpret_cast<const RimApplicationHeader*>(GetProcAddress(module, "RimHeader"));
    if (header == nullptr) {
        Refuse(name, "no application header");
    }
    if (header->marker != headerMarker || std::memcmp(header->signature, headerSignature, sizeof headerSignature) != 0) {
        Refuse(name, "not a RIM application");
    }
    if (header->platformVersion != platformVersion) {
        char problem[96];
        std::snprintf(problem, sizeof problem, "made for platform version 0x%04X, this handheld runs 0x%04X",
                      static_cast<unsigned>(header->platformVersion), static_cast<unsigned>(platformVersion));
        Refuse(name, problem);
    }
    if (!InsideImage(module, reinterpret_cast<const void*>(header->entry))) {
        Refuse(name, "the application entry lies outside the module");
    }
    return *header;
}

// OS 2.x: the module names the platform modules it needs, each record at
// its own (relocated) address.
void CheckDependencyRecords(HMODULE module, const std::string& name) {
    for (const char* record : {"_dRibbon", "_dOptions", "_dUI32"}) {
        const auto* dependency = reinterpret_cast<const DependencyRecord*>(GetProcAddress(module, record));
        if (dependency == nullptr || dependency->self != dependency) {
            Refuse(name, std::string("no valid dependency record ") + record);
        }
    }
}

// A fault in the application ends the run with one line on standard error,
// instead of Wine's debugger writing its report onto the trace.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    std::fflush(stdout);
    std::fprintf(stderr, "clavenet-sim: %s: the application crashed (exception 0x%08lX at %p)\n",
                 moduleName.c_str(), exception->ExceptionRecord->ExceptionCode,
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ExitProcess(1);
}

[[noreturn]] void Usage() {
    std::fputs("usage: loader.exe MODULE SCRIPT-NAME-IN-HEX [--explain] [--fold-repeats] < SCRIPT\n", stderr);
    std::exit(2);
}

std::string FromHex(const std::string& hex) {
    constexpr std::string_view digits = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const std::size_t high = digits.find(hex[i]);
        const std::size_t low = i + 1 < hex.size() ? digits.find(hex[i + 1]) : std::string_view::npos;
        if (high == std::string_view::npos || low == std::string_view::npos) {
            Usage();
        }
        text += static_cast<char>(high * 16 + low);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    // The trace is the same bytes as on any other host: no CR before LF.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (argc < 3) {
        Usage();
    }
    moduleName = argv[1];
    const std::string scriptName = FromHex(argv[2]);
    sim::ScenarioOptions options;
    for (int i = 3; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (flag == "--explain") {
            options.explain = true;
        } else if (flag == "--fold-repeats") {
            options.foldRepeats = true;
        } else {
            Usage();
        }
    }
    const std::string script{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};

    const HMODULE module = LoadLibraryA(moduleName.c_str());
    if (module == nullptr) {
        Refuse(moduleName, "cannot load it (error " + std::to_string(GetLastError()) + ")");
    }
    CheckImports(module, moduleName);
    const RimApplicationHeader& header = CheckHeader(module, moduleName);
    if constexpr (targetBuild != Build::Pager950) {
        CheckDependencyRecords(module, moduleName);
    }
    SetUnhandledExceptionFilter(ReportCrash);
    sim::RunScenario(scriptName, script, header.entry, options);
}
