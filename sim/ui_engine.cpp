// A small UI engine: one screen with a choice field and an edit field, and a
// menu. Keypad input reaches it through the application object's message
// handling; nothing here is traced.
#include "platform/ui_engine.h"

#include <algorithm>
#include <map>
#include <string>

#include "keyboards/key_codes.h"
#include "sim/text_entry.h"
#include "sim/ui_engine.h"

namespace {

struct UiEngine {
    UiApplication* application = nullptr;
    std::map<const UiEditField*, std::string> editTexts;
    std::vector<OsMessage> handedMessages;
};

UiEngine engine;

template <typename Field>
Field* FindField(UiField::Kind kind) {
    if (engine.application == nullptr || engine.application->shownScreen == nullptr) {
        return nullptr;
    }
    UiScreen& screen = *engine.application->shownScreen;
    for (std::int32_t i = 0; i < screen.fieldCount; ++i) {
        if (screen.fields[i]->kind == kind) {
            return static_cast<Field*>(screen.fields[i]);
        }
    }
    return nullptr;
}

UiEditField* TestField() { return FindField<UiEditField>(UiField::Kind::Edit); }
UiChoiceField* ChoiceField() { return FindField<UiChoiceField>(UiField::Kind::Choice); }

// The empty names are the engine's separators, not choices.
std::int32_t ChoiceCount(const UiChoiceField& field) {
    std::int32_t count = 0;
    for (const char* const* name = field.names; *name != nullptr; ++name) {
        count += **name != '\0' ? 1 : 0;
    }
    return count;
}

// The index-th choice, counted without the separators.
const char* ChoiceName(const UiChoiceField& field, std::int32_t index) {
    for (const char* const* name = field.names; *name != nullptr; ++name) {
        if (**name != '\0' && index-- == 0) {
            return *name;
        }
    }
    return "";
}

bool EntryDisabled(const UiMenu& menu, std::int32_t entry) {
    return (menu.entryList.disabledEntries & (1u << entry)) != 0;
}

int HandleMenuMessage(UiMenu& menu, const OsMessage& message) {
    switch (message.event) {
    case KeyClickEvent:
        return EntryDisabled(menu, menu.currentEntry) ? UiNotHandled : UiOpenMenu;
    case KeyMoveUpEvent:
        menu.currentEntry = static_cast<std::int8_t>(std::max(0, menu.currentEntry - 1));
        return 0;
    case KeyMoveDownEvent:
        menu.currentEntry = static_cast<std::int8_t>(std::min(menu.entryCount - 1, menu.currentEntry + 1));
        return 0;
    case KeyCharEvent:
        if (message.subMessage == KeyEscape) {
            return UiMenuCancelled;
        }
        if (message.subMessage == KeyDelete) {
            return UiClearField;
        }
        return UiNotHandled;
    default:
        return UiNotHandled;
    }
}

void TypeIntoTestField(const OsMessage& message) {
    UiEditField* field = TestField();
    if (field == nullptr) {
        return;
    }
    sim::TypeInto(engine.editTexts[field], message, static_cast<std::size_t>(field->capacity));
}

}  // namespace

UiApplication::UiApplication() : shownScreen(nullptr), shownMenu(nullptr), ready(0) {
    engine.application = this;
}

UiApplication::~UiApplication() {
    if (engine.application == this) {
        engine.application = nullptr;
    }
}

void UiApplication::MakeReady() { ready = 1; }

void UiApplication::ShowScreen(UiScreen& screen) { shownScreen = &screen; }

void UiApplication::ShowMenu(UiMenu& menu) { shownMenu = &menu; }

void UiApplication::TakeDownMenu(UiMenu& menu) {
    if (shownMenu == &menu) {
        shownMenu = nullptr;
    }
}

#if CLAVENET_BUILD != 950
int UiApplication::PreviewMessage(OsMessage*) { return 0; }
#endif

int UiApplication::HandleMessage(OsMessage* message) {
    engine.handedMessages.push_back(*message);
#if CLAVENET_BUILD != 950
    if (const int previewed = PreviewMessage(message); previewed != 0) {
        return previewed;
    }
#endif
    if (shownMenu != nullptr) {
        return HandleMenuMessage(*shownMenu, *message);
    }
    if (message->event == KeyClickEvent) {
        return UiOpenMenu;
    }
    TypeIntoTestField(*message);
    return 0;
}

UiTitle::UiTitle(std::int32_t, std::int32_t, std::int32_t, std::int32_t) : text(nullptr), screen(nullptr) {}

void UiTitle::SetText(const char* newText) { text = newText; }

void UiTitle::SetText(const char* newText, std::int32_t) { text = newText; }

#if CLAVENET_BUILD == 21
void UiTitle::AttachTo(UiScreen* newScreen) { screen = newScreen; }
#endif

void UiTitleArea::Place(UiTitle* newTitle, std::int32_t) { title = newTitle; }

UiChoiceField::UiChoiceField(const char* label, const char* const* names, std::int32_t initial, std::int32_t)
    : UiField{Kind::Choice}, selection(initial), label(label), names(names) {}

std::int32_t UiChoiceField::SelectedIndex() const { return selection; }

UiEditField::UiEditField(const char* label, std::int32_t, std::int32_t capacity, std::int32_t)
    : UiField{Kind::Edit}, label(label), capacity(capacity) {}

UiEditField::UiEditField(const char* label, std::int32_t width, std::int32_t capacity, std::int32_t style,
                         std::int32_t)
    : UiEditField(label, width, capacity, style) {}

std::int32_t UiEditField::TextLength() const {
    const auto text = engine.editTexts.find(this);
    return text == engine.editTexts.end() ? 0 : static_cast<std::int32_t>(text->second.size());
}

void UiEditField::DeleteRange(std::int32_t first, std::int32_t last) {
    std::string& text = engine.editTexts[this];
    const std::int32_t end = std::min(last + 1, static_cast<std::int32_t>(text.size()));
    if (first >= 0 && first < end) {
        text.erase(static_cast<std::size_t>(first), static_cast<std::size_t>(end - first));
    }
}

UiScreen::UiScreen() : titleArea{nullptr}, activeField(-1), fields{}, fieldCount(0) {}

void UiScreen::SetTitle(UiTitle& title) {
    titleArea.title = &title;
    title.screen = this;
}

void UiScreen::AddField(UiField& field, std::int32_t flags) {
    AppendField(field, flags);
    activeField = -1;
}

void UiScreen::AppendField(UiField& field, std::int32_t) {
    if (fieldCount < MaxScreenFields) {
        fields[fieldCount++] = &field;
    }
    // The engine makes the newest field the active one.
    activeField = fieldCount - 1;
}

void UiMenuEntryList::SetDisabled(std::int32_t index, std::int32_t disabled) {
    if (disabled != 0) {
        disabledEntries |= 1u << index;
    } else {
        disabledEntries &= ~(1u << index);
    }
}

UiMenu::UiMenu(const char* const* entries, std::int32_t count)
    : entryList{0}, entryCount(static_cast<std::int8_t>(count)), currentEntry(0), entries(entries) {}

std::int32_t UiMenu::SelectedEntry() const { return currentEntry; }

void UiMenu::MakeUnavailable(std::int32_t index) { entryList.SetDisabled(index, 1); }

void UiMenu::MakeAvailable(std::int32_t index) {
    if (index < entryCount) {
        entryList.SetDisabled(index, 0);
    }
}

void UiMenu::SetDefaultEntry(std::int32_t index) {
    currentEntry = static_cast<std::int8_t>(std::clamp(index, 0, entryCount - 1));
}

namespace sim {

void ResetUiEngine() { engine = UiEngine{}; }

bool ScreenShown() { return engine.application != nullptr && engine.application->shownScreen != nullptr; }

bool MenuShown() { return engine.application != nullptr && engine.application->shownMenu != nullptr; }

std::int32_t KeyboardTypeChoice() {
    const UiChoiceField* field = ChoiceField();
    return field != nullptr ? field->selection : 0;
}

void ChooseKeyboardType(std::int32_t index) {
    if (UiChoiceField* field = ChoiceField(); field != nullptr && index >= 0 && index < ChoiceCount(*field)) {
        field->selection = index;
    }
}

std::string TestFieldText() {
    const UiEditField* field = TestField();
    return field != nullptr ? std::string(engine.editTexts[field]) : std::string();
}

bool MenuEntryAvailable(std::int32_t entry) {
    return MenuShown() && entry >= 0 && entry < engine.application->shownMenu->entryCount &&
           !EntryDisabled(*engine.application->shownMenu, entry);
}

std::string MenuEntryText(std::int32_t entry) {
    if (!MenuShown() || entry < 0 || entry >= engine.application->shownMenu->entryCount) {
        return "";
    }
    return engine.application->shownMenu->entries[entry];
}

namespace {

// Rows drawn in a box as wide as its widest row.
std::string Box(const std::vector<std::string>& rows) {
    std::size_t width = 0;
    for (const std::string& row : rows) {
        width = std::max(width, row.size());
    }
    const std::string edge = "+" + std::string(width + 2, '-') + "+\n";
    std::string box = edge;
    for (const std::string& row : rows) {
        box += "| " + row + std::string(width - row.size(), ' ') + " |\n";
    }
    return box + edge;
}

std::vector<std::string> ScreenRows(const UiScreen& screen) {
    std::vector<std::string> rows;
    const UiTitle* title = screen.titleArea.title;
    rows.emplace_back(title != nullptr && title->text != nullptr ? title->text : "");
    for (std::int32_t i = 0; i < screen.fieldCount; ++i) {
        const UiField& field = *screen.fields[i];
        if (field.kind == UiField::Kind::Choice) {
            const auto& choice = static_cast<const UiChoiceField&>(field);
            rows.push_back(std::string(choice.label) + " " + ChoiceName(choice, choice.selection));
        } else {
            const auto& edit = static_cast<const UiEditField&>(field);
            rows.push_back(std::string(edit.label) + " " + engine.editTexts[&edit]);
        }
    }
    return rows;
}

std::vector<std::string> MenuRows(const UiMenu& menu) {
    std::vector<std::string> rows;
    for (std::int32_t entry = 0; entry < menu.entryCount; ++entry) {
        const bool highlighted = entry == menu.currentEntry;
        rows.push_back((highlighted ? "[" : " ") + std::string(menu.entries[entry]) + (highlighted ? "]" : " ") +
                       (EntryDisabled(menu, entry) ? " (unavailable)" : ""));
    }
    return rows;
}

}  // namespace

std::string ScreenPicture() {
    if (!ScreenShown()) {
        return "(no screen shown)";
    }
    std::string picture = Box(ScreenRows(*engine.application->shownScreen));
    if (MenuShown()) {
        picture += "Menu:\n" + Box(MenuRows(*engine.application->shownMenu));
    }
    picture.pop_back();
    return picture;
}

const std::vector<OsMessage>& HandedMessages() { return engine.handedMessages; }

void RollMenuTo(std::int32_t entry) {
    if (MenuShown()) {
        engine.application->shownMenu->currentEntry = static_cast<std::int8_t>(entry);
    }
}

}  // namespace sim
