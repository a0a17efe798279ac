// A small UI engine: one screen with a choice field and an edit field, and a
// menu. Keypad input reaches it through the application object's message
// handling; nothing here is traced. It takes only what the handheld would
// draw as Clavenet means it: any other argument is a platform fault.
#include "platform/ui_engine.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "keyboards/key_codes.h"
#include "keyboards/keyboard_models.h"
#include "sim/platform_fault.h"
#include "sim/platform_calls.h"
#include "sim/text_entry.h"
#include "sim/ui_engine.h"

namespace {

using sim::CheckArgument;
using sim::CheckText;
using sim::NoteCall;
using sim::PlatformFault;

// Written out here rather than taken from the program, so that a change
// there cannot move the bar.
constexpr bool pager950 = targetBuild == Build::Pager950;
constexpr std::int32_t titleArguments[4] = {0, pager950 ? 132 : -1, 0, pager950 ? 0 : 1};
constexpr const char* titleText = "Clavenet";
constexpr const char* keyboardTypeLabel = "Keyboard type:";
constexpr const char* testFieldLabel = "Test:";
constexpr const char* menuEntries[] = {"__", "Keyboard on", "Keyboard off", "Close", "__"};
constexpr std::int32_t menuEntryCount = std::size(menuEntries);

struct UiEngine {
    UiApplication* application = nullptr;
    sim::Display display = sim::Display::NotYetShown;
    std::map<const UiEditField*, std::string> editTexts;
    std::vector<OsMessage> handedMessages;
};

UiEngine engine;

// Fields are looked for on the application's screen, under the menu too.
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

void SetEntryDisabled(UiMenuEntryList& list, std::int32_t index, bool disabled) {
    if (disabled) {
        list.disabledEntries |= 1u << index;
    } else {
        list.disabledEntries &= ~(1u << index);
    }
}

std::string EntryRange(std::int32_t count) { return "0.." + std::to_string(count - 1); }

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

// What the handheld draws when it shows the screen: the title attached both
// ways, the two fields in their order, none of them active.
void CheckScreenComplete(const UiScreen& screen) {
    const UiTitle* title = screen.titleArea.title;
    if (title == nullptr || title->screen != &screen) {
        PlatformFault("the screen's title", "attached to the screen and the screen handed to it",
                      title == nullptr ? "no title" : "a title not handed the screen");
    }
    std::string fields;
    for (std::int32_t i = 0; i < screen.fieldCount; ++i) {
        fields += std::string(fields.empty() ? "" : ", ") +
                  (screen.fields[i]->kind == UiField::Kind::Choice ? "a choice field" : "an edit field");
    }
    if (fields != "a choice field, an edit field") {
        PlatformFault("the screen's fields", "a choice field, an edit field", fields.empty() ? "none" : fields);
    }
    CheckArgument("the screen's active field", -1, screen.activeField);
}

// Both generations' edit field constructors take these.
void CheckEditField(const char* label, std::int32_t width, std::int32_t capacity, std::int32_t style) {
    NoteCall("UiEditField");
    CheckText("edit field label", testFieldLabel, label);
    CheckArgument("\"Test:\" field width", 64, width);
    CheckArgument("\"Test:\" field capacity", 1024, capacity);
    CheckArgument("\"Test:\" field style", 0, style);
}

void AddToScreen(UiScreen& screen, UiField& field) {
    if (screen.fieldCount == MaxScreenFields) {
        PlatformFault("a field added to the screen", "at most " + std::to_string(MaxScreenFields) + " fields",
                      "one more");
    }
    screen.fields[screen.fieldCount++] = &field;
}

}  // namespace

UiApplication::UiApplication() : shownScreen(nullptr), shownMenu(nullptr), ready(0) {
    NoteCall("UiApplication");
    engine.application = this;
}

UiApplication::~UiApplication() {
    if (engine.application == this) {
        engine.application = nullptr;
    }
}

void UiApplication::MakeReady() {
    NoteCall("UiApplication::MakeReady");
    CheckArgument("times the application object is made ready", 1, ready + 1);
    ready = 1;
}

void UiApplication::ShowScreen(UiScreen& screen) {
    NoteCall("UiApplication::ShowScreen");
    if (shownMenu != nullptr) {
        PlatformFault("the screen shown", "the menu taken down first", "the menu still up");
    }
    CheckScreenComplete(screen);
    shownScreen = &screen;
    engine.display = sim::Display::Screen;
}

void UiApplication::ShowMenu(UiMenu& menu) {
    NoteCall("UiApplication::ShowMenu");
    if (shownMenu != nullptr) {
        PlatformFault("the menu shown", "no menu up", "a menu already up");
    }
    if (menu.currentEntry < 0 || menu.currentEntry >= menu.entryCount || EntryDisabled(menu, menu.currentEntry)) {
        PlatformFault("the entry the menu opens on", "an available entry of " + EntryRange(menu.entryCount),
                      std::to_string(menu.currentEntry) +
                          (menu.currentEntry >= 0 && menu.currentEntry < 32 && EntryDisabled(menu, menu.currentEntry)
                               ? ", unavailable"
                               : ""));
    }
    shownMenu = &menu;
    engine.display = sim::Display::Menu;
}

void UiApplication::TakeDownMenu(UiMenu& menu) {
    NoteCall("UiApplication::TakeDownMenu");
    if (shownMenu != &menu) {
        PlatformFault("the menu taken down", "the menu that is up", shownMenu == nullptr ? "no menu up" : "another");
    }
    shownMenu = nullptr;
    // The screen went with the menu: it is gone until it is shown again.
    engine.display = sim::Display::Blank;
}

#if CLAVENET_BUILD != 950
int UiApplication::PreviewMessage(OsMessage*) { return 0; }
#endif

int UiApplication::HandleMessage(OsMessage* message) {
    NoteCall("UiApplication::HandleMessage");
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

UiTitle::UiTitle(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) : text(nullptr), screen(nullptr) {
    NoteCall("UiTitle");
    const std::int32_t given[] = {a, b, c, d};
    for (std::size_t i = 0; i < std::size(given); ++i) {
        CheckArgument("title construction, argument " + std::to_string(i + 1), titleArguments[i], given[i]);
    }
}

void UiTitle::SetText(const char* newText) {
    NoteCall("UiTitle::SetText");
    CheckText("title text", titleText, newText);
    text = newText;
}

void UiTitle::SetText(const char* newText, std::int32_t length) {
    NoteCall("UiTitle::SetText");
    CheckText("title text", titleText, newText);
    CheckArgument("title text length", static_cast<std::int64_t>(std::char_traits<char>::length(titleText)), length);
    text = newText;
}

#if CLAVENET_BUILD == 21
void UiTitle::AttachTo(UiScreen* newScreen) {
    NoteCall("UiTitle::AttachTo");
    if (newScreen == nullptr || newScreen->titleArea.title != this) {
        PlatformFault("the screen handed to the title", "the screen whose title area holds it",
                      newScreen == nullptr ? "null" : "another screen");
    }
    screen = newScreen;
}
#endif

void UiTitleArea::Place(UiTitle* newTitle, std::int32_t flags) {
    NoteCall("UiTitleArea::Place");
    CheckArgument("flags of the title placed in the title area", 0, flags);
    title = newTitle;
}

namespace {

// The models' names, with the engine's separator, an empty name that is no
// choice, after the first.
std::vector<std::string> KeyboardTypeNames() {
    std::vector<std::string> names;
    for (const char* name : keyboardNames) {
        names.emplace_back(name);
    }
    names.insert(names.begin() + 1, "");
    return names;
}

}  // namespace

UiChoiceField::UiChoiceField(const char* label, const char* const* names, std::int32_t initial, std::int32_t width)
    : UiField{Kind::Choice}, selection(initial), label(label), names(names) {
    NoteCall("UiChoiceField");
    CheckText("choice field label", keyboardTypeLabel, label);
    if (names == nullptr) {
        PlatformFault("the choice field's names", "a list", "null");
    }
    const std::vector<std::string> expected = KeyboardTypeNames();
    std::size_t count = 0;
    for (; names[count] != nullptr && count < expected.size(); ++count) {
        CheckText("choice field name " + std::to_string(count), expected[count], names[count]);
    }
    CheckArgument("the choice field's names before the end marker", expected.size(),
                  names[count] == nullptr ? count : count + 1);
    CheckArgument("choice field initial choice", 0, initial);
    CheckArgument("choice field width", 32, width);
}

std::int32_t UiChoiceField::SelectedIndex() const {
    NoteCall("UiChoiceField::SelectedIndex");
    return selection;
}

UiEditField::UiEditField(const char* label, std::int32_t width, std::int32_t capacity, std::int32_t style)
    : UiField{Kind::Edit}, label(label), capacity(capacity) {
    CheckEditField(label, width, capacity, style);
}

UiEditField::UiEditField(const char* label, std::int32_t width, std::int32_t capacity, std::int32_t style,
                         std::int32_t flags)
    : UiField{Kind::Edit}, label(label), capacity(capacity) {
    CheckEditField(label, width, capacity, style);
    CheckArgument("\"Test:\" field flags", 0, flags);
}

std::int32_t UiEditField::TextLength() const {
    NoteCall("UiEditField::TextLength");
    const auto text = engine.editTexts.find(this);
    return text == engine.editTexts.end() ? 0 : static_cast<std::int32_t>(text->second.size());
}

// A range is its first and last character; first = last + 1 is empty. The
// engine takes none that reaches outside the text.
void UiEditField::DeleteRange(std::int32_t first, std::int32_t last) {
    NoteCall("UiEditField::DeleteRange");
    std::string& text = engine.editTexts[this];
    const auto length = static_cast<std::int32_t>(text.size());
    if (first < 0 || first > std::int64_t{last} + 1 || last >= length) {
        PlatformFault("the range deleted from the \"Test:\" field", "one within 0.." + std::to_string(length - 1),
                      std::to_string(first) + ".." + std::to_string(last));
    }
    text.erase(static_cast<std::size_t>(first), static_cast<std::size_t>(last + 1 - first));
}

UiScreen::UiScreen() : titleArea{nullptr}, activeField(-1), fields{}, fieldCount(0) { NoteCall("UiScreen"); }

void UiScreen::SetTitle(UiTitle& title) {
    NoteCall("UiScreen::SetTitle");
    titleArea.title = &title;
    title.screen = this;
}

void UiScreen::AddField(UiField& field, std::int32_t flags) {
    NoteCall("UiScreen::AddField");
    CheckArgument("flags of a field added to the screen", 0, flags);
    AddToScreen(*this, field);
    activeField = -1;
}

void UiScreen::AppendField(UiField& field, std::int32_t flags) {
    NoteCall("UiScreen::AppendField");
    CheckArgument("flags of a field added to the screen", 0, flags);
    // The program clears what the previous addition made active.
    CheckArgument("the screen's active field when a field is added", -1, activeField);
    AddToScreen(*this, field);
    // The engine makes the newest field the active one.
    activeField = fieldCount - 1;
}

void UiMenuEntryList::SetDisabled(std::int32_t index, std::int32_t disabled) {
    NoteCall("UiMenuEntryList::SetDisabled");
    // The program only ever makes entries available this way.
    CheckArgument("the entry list's availability argument", 0, disabled);
    if (index < 0 || index >= 32) {
        PlatformFault("the entry made available", "one of 0..31", std::to_string(index));
    }
    SetEntryDisabled(*this, index, false);
}

UiMenu::UiMenu(const char* const* entries, std::int32_t count)
    : entryList{0}, entryCount(static_cast<std::int8_t>(count)), currentEntry(0), entries(entries) {
    NoteCall("UiMenu");
    CheckArgument("menu entry count", menuEntryCount, count);
    if (entries == nullptr) {
        PlatformFault("the menu's entries", "a list", "null");
    }
    for (std::int32_t i = 0; i < menuEntryCount; ++i) {
        CheckText("menu entry " + std::to_string(i), menuEntries[i], entries[i]);
    }
}

std::int32_t UiMenu::SelectedEntry() const {
    NoteCall("UiMenu::SelectedEntry");
    return currentEntry;
}

void UiMenu::MakeUnavailable(std::int32_t index) {
    NoteCall("UiMenu::MakeUnavailable");
    if (index < 0 || index >= entryCount) {
        PlatformFault("the entry made unavailable", "one of " + EntryRange(entryCount), std::to_string(index));
    }
    SetEntryDisabled(entryList, index, true);
}

// The older engines check the index against the entry count themselves.
void UiMenu::MakeAvailable(std::int32_t index) {
    NoteCall("UiMenu::MakeAvailable");
    if (index >= 0 && index < entryCount) {
        SetEntryDisabled(entryList, index, false);
    }
}

void UiMenu::SetDefaultEntry(std::int32_t index) {
    NoteCall("UiMenu::SetDefaultEntry");
    currentEntry = static_cast<std::int8_t>(std::clamp(index, 0, entryCount - 1));
}

namespace sim {

void ResetUiEngine() { engine = UiEngine{}; }

Display OnDisplay() { return engine.display; }

bool ScreenShown() { return engine.display == Display::Screen || engine.display == Display::Menu; }

bool MenuShown() { return engine.display == Display::Menu; }

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
