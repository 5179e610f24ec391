// Application helpers shared by every screen: settings loader, translation
// table, screen toolkit, volume dialog and the system chores.
#pragma once

#include <string>
#include <vector>

#include "app/fn_utils_text.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/texts.h"

// Settings loader (app/fn_utils.cpp)
void UpdateParams();
// A setting's global takes a stored value, as the loader would load it; the
// language also reloads the texts.
void takeSetting(SettingId id, const std::string& stored);

// Interface texts for the current language (app/fn_utils.cpp)
class Translation {
public:
    Translation() = default;
    virtual ~Translation() = default;
    void update(std::string lang);
    std::string tr(int n);
    std::string tr(Text text) { return tr(static_cast<int>(text)); }

    std::vector<std::string> texts;
};

// Screen toolkit (app/fn_utils_screen.cpp)
void displayFrame();
void ErrorScreen(std::string text);
void ErrorScreen(std::string first, std::string second);
bool ConfirmScreen(std::string text);
void ClrButtons();
bool ButtonPressed();
void BackupScreen();
void RestoreScreen();

// Keypad dialogs (app/fn_utils_keypad.cpp): the POWER prompt, and the tenth
// key of a two-key score entry, handed to the keypad and the score record.
class PowerPrompt;
PowerPrompt& powerPrompt();
int readTenthFromKeypad(int whole);

// Volume dialog (app/fn_utils_sound.cpp)
void displayVolume(bool up);

// System chores (app/fn_utils_system.cpp)
void SystemDate(std::string serverTime);
int UpdateWifi();
void Create_sh();
