// Screen 2: the settings ("KALVENTRIX_" keys) listed by label, each edited in
// place with the encoder according to its type.
#pragma once

#include <string>

#include "app/settings.h"

// Something was done on the screen: leaving it then goes to the main screen.
extern bool bUpdate;

int screen_param();
void display_param(int index);
int update_param(std::string key);
void display_update_param(std::string key);

// The value after the encoder moved from `last` to `reading`, for every type
// but the language; `position` is the edited character or number.
std::string stepParamValue(int type, const std::string& key, const std::string& value, int position,
                           int last, int reading);
// A text value with its trailing blanks (spaces, tabs, line ends) removed.
std::string trimTrailingBlanks(std::string text);
