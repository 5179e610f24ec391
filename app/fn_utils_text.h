// Text helpers with no dependencies (app/fn_utils_text.cpp): the screens, the
// store and the server link all build text for the display, the shell and URLs.
#pragma once

#include <string>

std::string CorrectionAccent(std::string* text);
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);
// A text in single quotes, each embedded single quote written as '\''.
std::string shellQuoted(const std::string& text);
// A text as one shell word: unchanged when the shell leaves it alone, else quoted.
std::string shellWord(const std::string& text);
// Percent-encoding of everything but letters, digits and "-._~".
std::string urlEncode(const std::string& text);
// The host-name script of the system image for this serial number; the
// downloads screen and the POWER hold run the same command.
std::string hostnameCommand(const std::string& serial);
