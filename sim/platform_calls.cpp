#include "sim/platform_calls.h"

#include <cstddef>
#include <string>
#include <vector>

#include "platform/build.h"
#include "sim/kernel.h"
#include "sim/platform_fault.h"

namespace sim {

namespace {

std::vector<std::string_view> expectedSteps;
std::size_t nextStep = 0;
CallObserver callObserver = nullptr;

// The static initialisers build the application object; each yield lets
// the ribbon and the other tasks take in what came before it; the object is
// ready before anything is built on it.
std::vector<std::string_view> StartUpSteps(std::uint8_t deviceType) {
    constexpr bool pager950 = targetBuild == Build::Pager950;
    std::vector<std::string_view> steps = {
        "UiApplication",
        "RimTaskYield",
        pager950 ? "OptionsRegister" : "RibbonRegister",
        "RimTaskYield",
        "UiApplication::MakeReady",
        "UiScreen",
        "UiMenu",
        "UiTitle",
        "UiChoiceField",
        "UiEditField",
        "UiTitle::SetText",
    };
    if constexpr (targetBuild == Build::Os21) {
        steps.insert(steps.end(), {"UiTitleArea::Place", "UiTitle::AttachTo", "UiScreen::AppendField",
                                   "UiScreen::AppendField"});
    } else {
        steps.insert(steps.end(), {"UiScreen::SetTitle", "UiScreen::AddField", "UiScreen::AddField"});
    }
    if constexpr (!pager950) {
        steps.push_back("RimGetDeviceInfo");
        if (deviceType == 1 || deviceType == 3) {
            steps.push_back("RibbonSetIcon");
        }
    }
    steps.insert(steps.end(), 5, "RimRegisterMessageCallback");
    if constexpr (pager950) {
        // "Close" is of no use without a ribbon.
        steps.push_back("UiMenu::MakeUnavailable");
    }
    steps.insert(steps.end(), {"UiApplication::ShowScreen", "RimGetMessage"});
    return steps;
}

}  // namespace

void ExpectStartUp() {
    expectedSteps = StartUpSteps(DeviceType());
    nextStep = 0;
}

void ForgetStartUp() {
    expectedSteps.clear();
    nextStep = 0;
}

void ObserveCalls(CallObserver observer) { callObserver = observer; }

void NoteCall(std::string_view call) {
    if (callObserver != nullptr) {
        callObserver(call);
    }
    if (nextStep == expectedSteps.size()) {
        return;
    }
    if (call != expectedSteps[nextStep]) {
        PlatformFault("start-up step " + std::to_string(nextStep + 1), expectedSteps[nextStep], call);
    }
    ++nextStep;
}

}  // namespace sim
