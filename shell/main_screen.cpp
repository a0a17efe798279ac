#include "shell/main_screen.h"

#include "keyboards/key_codes.h"
#include "keyboards/key_posting.h"
#include "platform/build.h"
#include "platform/ribbon.h"
#include "shell/keyboard_link.h"

const char* menuEntryStrings[MenuEntryCount];

namespace {

constexpr char titleText[] = "Clavenet";
constexpr std::int32_t titleLength = sizeof titleText - 1;

constexpr KeyboardTypeNameList keyboardTypeNames = MakeKeyboardTypeNameList();

// The OS 2.1 engine leaves more to the program where the older ones had
// calls: it reads and writes stored fields of the engine's objects, attaches
// the title itself and clears the active field after adding one.
constexpr bool os21Engine = targetBuild == Build::Os21;
constexpr bool hasEscapeRule = targetBuild != Build::Pager950;
constexpr bool canClose = targetBuild != Build::Pager950;

int HandMessageToApplication(UiApplication& application, OsMessage& message) {
    return CallVirtualOperation<int>(application, HandleMessageSlot, &message);
}

void AddFieldToScreen(UiScreen& screen, UiField& field) {
    if constexpr (os21Engine) {
        screen.AppendField(field, 0);
        screen.activeField = -1;
    } else {
        screen.AddField(field, 0);
    }
}

// The older engines' call checks the index against the entry count itself.
void SetEntryAvailable(UiMenu& menu, std::int32_t index, bool available) {
    if (!available) {
        menu.MakeUnavailable(index);
    } else if constexpr (os21Engine) {
        if (menu.entryCount > index) {
            menu.entryList.SetDisabled(index, 0);
        }
    } else {
        menu.MakeAvailable(index);
    }
}

void SetCurrentEntry(UiMenu& menu, std::int32_t index) {
    if constexpr (os21Engine) {
        menu.currentEntry = static_cast<std::int8_t>(index < menu.entryCount ? index : menu.entryCount);
    } else {
        menu.SetDefaultEntry(index);
    }
}

std::int32_t SelectedMenuEntry(const UiMenu& menu) {
    if constexpr (os21Engine) {
        return menu.currentEntry;
    } else {
        return menu.SelectedEntry();
    }
}

// The menu opens on the entry that changes the link's state.
void PrepareMenu(UiMenu& menu) {
    const bool open = linkOpen != 0;
    SetEntryAvailable(menu, KeyboardOnEntry, !open);
    SetEntryAvailable(menu, KeyboardOffEntry, open);
    SetCurrentEntry(menu, open ? KeyboardOffEntry : KeyboardOnEntry);
}

// Only the builds with the Escape rule use it.
[[maybe_unused]] bool IsEscape(const OsMessage& message) {
    return (message.event == KeyCharEvent || message.event == KeyStatusEvent) && message.subMessage == KeyEscape;
}

// Waits until the application object asks for the menu.
void RunScreenUntilMenu(MainScreen& screen) {
    for (;;) {
        OsMessage message{};
        RimGetMessage(&message);
        if (message.device == SystemDevice && message.event == ClearTestFieldEvent) {
            ClearTestField(screen);
            continue;
        }
        if (message.device != KeypadDevice) {
            continue;
        }
        if constexpr (hasEscapeRule) {
            if (IsEscape(message)) {
                RibbonSwitch();
            }
        }
        if (HandMessageToApplication(*screen.application, message) == UiOpenMenu) {
            return;
        }
    }
}

void ActOnMenuCode(MainScreen& screen, int code) {
    switch (code) {
    case MenuClearTestField:
        ClearTestField(screen);
        break;
    case KeyboardOnEntry:
        OpenKeyboardLink();
        break;
    case KeyboardOffEntry:
        if (linkOpen != 0) {
            CloseKeyboardLink();
        }
        break;
    case CloseEntry:
        if constexpr (canClose) {
            RibbonSwitch();
        }
        break;
    default:
        break;
    }
}

}  // namespace

void FillMenuEntryStrings() {
    menuEntryStrings[0] = "__";
    menuEntryStrings[KeyboardOnEntry] = "Keyboard on";
    menuEntryStrings[KeyboardOffEntry] = "Keyboard off";
    menuEntryStrings[CloseEntry] = "Close";
    menuEntryStrings[4] = "__";
}

MenuScreen::MenuScreen(UiApplication* application)
    : application(application), menu(menuEntryStrings, MenuEntryCount) {}

MenuScreen::~MenuScreen() = default;

MainScreen::MainScreen(UiApplication* application)
    : MenuScreen(application),
      title(0, targetBuild == Build::Pager950 ? 132 : -1, 0, targetBuild == Build::Pager950 ? 0 : 1),
      keyboardTypeField("Keyboard type:", keyboardTypeNames.names, 0, 32),
#if CLAVENET_BUILD == 950
      testField("Test:", 64, 1024, 0)
#else
      testField("Test:", 64, 1024, 0, 0)
#endif
{
    if constexpr (os21Engine) {
        title.SetText(titleText, titleLength);
        titleArea.Place(&title, 0);
        CallVirtualOperation<void>(title, 0, static_cast<UiScreen*>(this));
    } else {
        title.SetText(titleText);
        SetTitle(title);
    }
    AddFieldToScreen(*this, keyboardTypeField);
    AddFieldToScreen(*this, testField);
}

MainScreen::~MainScreen() = default;

KeyboardType ReadKeyboardType(const MainScreen& screen) {
    if constexpr (os21Engine) {
        return screen.keyboardTypeField.selection;
    } else {
        return screen.keyboardTypeField.SelectedIndex();
    }
}

void RunMainScreen(MainScreen& screen) {
    if constexpr (!canClose) {
        screen.menu.MakeUnavailable(CloseEntry);
    }
    ClearKeypadMessage();
    for (;;) {
        screen.application->ShowScreen(screen);
        RunScreenUntilMenu(screen);
        PrepareMenu(screen.menu);
        ActOnMenuCode(screen, RunMenu(screen));
    }
}

int RunMenu(MainScreen& screen) {
    UiApplication& application = *screen.application;
    application.ShowMenu(screen.menu);
    int code;
    for (;;) {
        OsMessage message{};
        RimGetMessage(&message);
        if (message.device != KeypadDevice) {
            continue;
        }
        const int result = HandMessageToApplication(application, message);
        if (result == UiOpenMenu) {
            code = SelectedMenuEntry(screen.menu);
            break;
        }
        if (result == UiMenuCancelled) {
            code = MenuCancelled;
            break;
        }
        if (result == UiClearField) {
            code = MenuClearTestField;
            break;
        }
        if (result == UiNotHandled && message.event == KeyCharEvent && message.subMessage == KeyBackspace) {
            code = MenuCancelled;
            break;
        }
    }
    application.TakeDownMenu(screen.menu);
    return code;
}

void ClearTestField(MainScreen& screen) {
    const std::int32_t length = screen.testField.TextLength();
    screen.testField.DeleteRange(0, length - 1);
}
