// The text of the printed lines that follow fixed layouts: ticket date and
// figure lines, the reply-code texts and the pieces the settings report cuts
// out of the system tools' output. Pure functions, so the layouts can be
// checked without a printer.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "printer/printer_profile.h"

namespace layout {

constexpr int kPaperWidth = kInstalledPrinter.columns();

// printf into a std::string, whatever the length.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// "MM/DD/YYYY              hh:mm\n" (12-hour clock) for "ENG", otherwise
// "DD/MM/YYYY              HH:mm\n".
std::string ticketDateLine(const std::tm& time, const std::string& lang);

// "\nMM/DD/YYYY                hh:mm\n" whatever the language.
std::string settingsDateLine(const std::tm& time);

// One figure of the ticket: number, label and value, 32 characters.
std::string ticketFigureLine(int number, const std::string& desc, int option, int value);

// The translation number of a reply code's ticket text, or 0 (Text::None) when it has none.
int replyCodeTextId(int code);

// The thirteen legend lines of the log report, in code order.
const std::vector<std::string>& replyCodeLegend();

// Cuts from the system tools' output. Each returns false when the line does
// not hold what the report looks for.
bool modelValue(const std::string& line, std::string* value);
std::string macValue(const std::string& line);
bool essidName(const std::string& line, std::string* name);
bool pingReply(const std::string& line, std::string* reply);

// A setting as the report shows it: booleans (type "3") as YES or NO.
std::string settingShown(const std::string& value, const std::string& type);

// Cut to the paper width.
std::string paperCut(const std::string& text);

}  // namespace layout
