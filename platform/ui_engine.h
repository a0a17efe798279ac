// The platform's UI engine as Clavenet declares and uses it. The engine
// builds and owns the look of every element; the program touches only the
// members named here. Each generation exports a different set of these
// operations, by ordinal (noted per declaration as 950 / OS 2.0 / OS 2.1).
// Destroying a title, field or menu takes no engine call: their destructors
// are trivial, so that no module needs another's virtual tables.
#pragma once

#include <cstdint>

#include "platform/build.h"
#include "platform/kernel.h"

#if defined(__i386__)
#define UI_THISCALL __attribute__((thiscall))
#else
#define UI_THISCALL
#endif

class UiScreen;
class UiMenu;

// Calls the engine object's virtual operation in `slot` of its table. The
// program never names an engine's virtual function directly: a compiler that
// devirtualised the call would bind the program to an export it must not use.
template <typename Result, typename Object, typename... Arguments>
Result CallVirtualOperation(Object& object, int slot, Arguments... arguments) {
    using Operation = Result(UI_THISCALL*)(Object*, Arguments...);
    const Operation* table;
    __builtin_memcpy(&table, static_cast<const void*>(&object), sizeof table);
    return table[slot](&object, arguments...);
}

class UiApplication {
public:
    UiApplication();   // 72 / 96 / 96
    ~UiApplication();  // 99 / 135 / 135
    void MakeReady();  // 370 / 622 / 622
    void ShowScreen(UiScreen& screen);    // 418 / 734 / 734
    void ShowMenu(UiMenu& menu);          // 417 / 733 / 733
    void TakeDownMenu(UiMenu& menu);      // 190 / 260 / 260

    // Reached through the table only (HandleMessageSlot).
#if CLAVENET_BUILD != 950
    virtual int PreviewMessage(OsMessage* message);
#endif
    virtual int HandleMessage(OsMessage* message);

    // The engine's own.
    UiScreen* shownScreen;
    UiMenu* shownMenu;
    std::int32_t ready;
};

// Where the application object's message handling stands in its table.
inline constexpr int HandleMessageSlot = targetBuild == Build::Pager950 ? 0 : 1;

// Message handling results that the program acts on.
inline constexpr int UiOpenMenu = 1;       // on a screen; in a menu: entry chosen
inline constexpr int UiNotHandled = -2;
inline constexpr int UiMenuCancelled = -3;
inline constexpr int UiClearField = -4;

class UiTitle {
public:
    UiTitle(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);  // 68 / 92 / 92
    void SetText(const char* text);                       // 562 / 933 / –
    void SetText(const char* text, std::int32_t length);  // – / – / 934
#if CLAVENET_BUILD == 21
    // Slot 0; reached through the table only.
    virtual void AttachTo(UiScreen* screen);
#endif

    // The engine's own.
    const char* text;
    UiScreen* screen;
};

// The title area of an OS 2.1 screen.
class UiTitleArea {
public:
    void Place(UiTitle* title, std::int32_t flags);  // – / – / 627

    UiTitle* title;
};

// Base of the fields that a screen holds.
class UiField {
public:
    enum class Kind : std::int32_t { Choice, Edit };

    Kind kind;  // the engine's own
};

class UiChoiceField : public UiField {
public:
    // `names` ends with a null entry.
    UiChoiceField(const char* label, const char* const* names, std::int32_t initial, std::int32_t width);  // 10 / 1035 / 1035
    std::int32_t SelectedIndex() const;  // 308 / 509 / –

    std::int32_t selection;  // read directly on OS 2.1

    // The engine's own.
    const char* label;
    const char* const* names;
};

class UiEditField : public UiField {
public:
    UiEditField(const char* label, std::int32_t width, std::int32_t capacity, std::int32_t style);  // 24 / – / –
    UiEditField(const char* label, std::int32_t width, std::int32_t capacity, std::int32_t style,
                std::int32_t flags);  // – / 37 / 37
    std::int32_t TextLength() const;                          // 291 / 482 / 482
    void DeleteRange(std::int32_t first, std::int32_t last);  // 201 / 276 / 276

    // The engine's own.
    const char* label;
    std::int32_t capacity;
};

inline constexpr int MaxScreenFields = 4;

class UiScreen {
public:
    UiScreen();  // 51 / 74 / 74
    virtual ~UiScreen() {}
    void SetTitle(UiTitle& title);                         // 166 / 220 / –
    // Also leaves no field active.
    void AddField(UiField& field, std::int32_t flags);     // 165 / 1037 / –
    void AppendField(UiField& field, std::int32_t flags);  // – / – / 218

    UiTitleArea titleArea;     // OS 2.1
    std::int32_t activeField;  // -1: none

    // The engine's own.
    UiField* fields[MaxScreenFields];
    std::int32_t fieldCount;
};

// The availability of a menu's entries.
class UiMenuEntryList {
public:
    void SetDisabled(std::int32_t index, std::int32_t disabled);  // – / – / 1095

    std::uint32_t disabledEntries;  // the engine's own: one bit an entry
};

class UiMenu {
public:
    UiMenu(const char* const* entries, std::int32_t count);  // 46 / 67 / 67
    std::int32_t SelectedEntry() const;          // 310 / 511 / –
    void MakeUnavailable(std::int32_t index);    // 364 / 613 / 613
    void MakeAvailable(std::int32_t index);      // 577 / 952 / –
    void SetDefaultEntry(std::int32_t index);    // 554 / 923 / –

    UiMenuEntryList entryList;  // OS 2.1
    std::int8_t entryCount;
    std::int8_t currentEntry;

    // The engine's own.
    const char* const* entries;
};
