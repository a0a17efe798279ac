// The one screen: title, keyboard-type choice and "Test:" field, with its
// menu. Its loop is the application task's whole life.
#pragma once

#include <cstdint>

#include "platform/ui_engine.h"
#include "keyboards/keyboard_models.h"

inline constexpr std::int32_t KeyboardOnEntry = 1;
inline constexpr std::int32_t KeyboardOffEntry = 2;
inline constexpr std::int32_t CloseEntry = 3;
inline constexpr std::int32_t MenuEntryCount = 5;

// Menu codes besides the entry indexes.
inline constexpr int MenuCancelled = -1;
inline constexpr int MenuClearTestField = -2;

// Filled by a static initialiser; the menu is built from it.
extern const char* menuEntryStrings[MenuEntryCount];
void FillMenuEntryStrings();

class MenuScreen : public UiScreen {
public:
    explicit MenuScreen(UiApplication* application);
    ~MenuScreen() override;

    UiApplication* application;
    UiMenu menu;
};

class MainScreen : public MenuScreen {
public:
    explicit MainScreen(UiApplication* application);
    ~MainScreen() override;

    UiTitle title;
    UiChoiceField keyboardTypeField;
    UiEditField testField;
};

KeyboardType ReadKeyboardType(const MainScreen& screen);

// Never returns.
void RunMainScreen(MainScreen& screen);
// The chosen entry's index, MenuCancelled or MenuClearTestField.
int RunMenu(MainScreen& screen);
void ClearTestField(MainScreen& screen);
