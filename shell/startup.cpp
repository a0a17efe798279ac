#include "shell/startup.h"

#include "keyboards/key_posting.h"
#include "keyboards/pocketop.h"
#include "platform/build.h"
#include "platform/options.h"
#include "platform/ribbon.h"
#include "shell/event_router.h"
#include "shell/icons.h"
#include "shell/keyboard_link.h"
#include "shell/main_screen.h"

ApplicationName applicationName = {"Clavenet", 4000};
StaticObject<UiApplication> appObject;
std::int32_t staticsInitialised;

namespace {

// Kept in the module although the exit hook below drops it: the destructor
// stays bound to the engine like every other operation on the application
// object.
[[gnu::used]] void DestroyAppObject() { appObject.Destroy(); }

// Where a C runtime would remember the destructor for the exit; the task
// never exits, so nothing is kept.
int RegisterExitFunction(StaticFunction) { return 0; }

void ConstructAppObject() {
    appObject.Construct();
    RegisterExitFunction(&DestroyAppObject);
}

constexpr StaticFunction firstInitialisers[] = {FillMenuEntryStrings};
constexpr StaticFunction secondInitialisers[] = {ConstructAppObject};
// Nothing to undo at unload.
constexpr StaticFunction firstTerminators[] = {nullptr};
constexpr StaticFunction secondTerminators[] = {nullptr};

template <std::size_t Size>
void RunTable(const StaticFunction (&table)[Size]) {
    RunStaticFunctions(table, table + Size);
}

void ResetSharedState() {
    lastActivityTick = 0;
    linkOpen = 0;
    activeScreen = nullptr;
    keyRepeatState = {};
    LayerFlags = 0;
}

void RegisterApplication() {
    if constexpr (targetBuild == Build::Pager950) {
        OptionsRegister(applicationName.text, 1, 3, 10);
    } else {
        RibbonRegister(applicationName.text, 1, 3, 10);
    }
}

#if CLAVENET_BUILD != 950
// Handheld types 1 and 3 have the screens the two icons are drawn for. The
// 950 pager's module must not even refer to the device information.
void SetIcon() {
    std::uint8_t deviceInfo[64];
    RimGetDeviceInfo(deviceInfo);
    const RibbonIcon* icon = deviceInfo[0] == 1 ? &smallIcon : deviceInfo[0] == 3 ? &largeIcon : nullptr;
    if (icon != nullptr) {
        RibbonSetIcon(applicationName.text, icon, 0, 21);
    }
}
#endif

void RegisterMessageCallback() {
    RimRegisterMessageCallback(CloseLinkEvent, -1, &OnOsMessage);
    RimRegisterMessageCallback(SerialDataEvent, -1, &OnOsMessage);
    RimRegisterMessageCallback(RepeatTimer, -1, &OnOsMessage);
    RimRegisterMessageCallback(LinkTimer, -1, &OnOsMessage);
    RimRegisterMessageCallback(IdleCheckDevice << 8, 0xFF00, &OnOsMessage);
}

}  // namespace

void RunStaticFunctions(const StaticFunction* first, const StaticFunction* last) {
    for (const StaticFunction* entry = first; entry != last; ++entry) {
        if (*entry != nullptr) {
            (*entry)();
        }
    }
}

extern "C" void RIM_CALL AppEntry() {
    RunTable(firstInitialisers);
    RunTable(secondInitialisers);
    staticsInitialised = 1;
    RimTaskYield();
    AppMain();
}

extern "C" int RIM_LOADER_CALL LibraryEntry(void*, std::uint32_t reason, void*) {
    if (reason == 0 && staticsInitialised != 0) {
        RunTable(firstTerminators);
        RunTable(secondTerminators);
        staticsInitialised = 0;
    }
    return 1;
}

void AppMain() {
    ResetSharedState();
    RegisterApplication();
    RimTaskYield();
    appObject->MakeReady();
    MainScreen screen(appObject.Get());
    activeScreen = &screen;
#if CLAVENET_BUILD != 950
    SetIcon();
#endif
    RegisterMessageCallback();
    RunMainScreen(screen);
    if constexpr (targetBuild != Build::Pager950) {
        RibbonUnregister(applicationName.text);
    }
}
