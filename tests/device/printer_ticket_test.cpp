// The score ticket as it comes out of the virtual board's printer: every line
// of every copy, the settings it follows and the last-ticket files.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/fn_note.h"
#include "printer/Pi_Thermal.h"
#include "printer/Pi_Thermal_layout.h"
#include "tests/support/files.h"
#include "tests/support/printer_report_support.h"

extern Pi_Thermal printer;

namespace {

std::string pad(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

class Ticket : public report_test::ReportBoard {
  protected:
    void SetUp() override {
        ReportBoard::SetUp();
        for (const auto& [kind, value] :
             {std::pair{0, 80}, {1, 85}, {6, 100}, {0, -10}, {0, -20}, {2, -30}}) {
            sheet.emplace_back(kind, 7, 3, 12, static_cast<int>(sheet.size()), "Loop");
            sheet.back().setValue(value);
        }
    }
    // One copy: date, error block, schedule, context, figures, signature box.
    std::vector<std::string> copy(const std::string& date, const std::string& codeText,
                                  bool spaced) {
        std::vector<std::string> lines = {date, ""};
        if (!codeText.empty()) lines.insert(lines.end(), {"T51", codeText == "-" ? "" : codeText});
        lines.insert(lines.end(), {"F3A-P25", "", pad("T52", 30) + "07", pad("T53", 30) + "03",
                                   pad("T54", 29) + "005", pad("T55", 29) + "012", "", ""});
        for (size_t i = 0; i < sheet.size(); ++i) {
            lines.push_back(
                layout::ticketFigureLine(i + 1, "Loop", sheet[i].getOption(), sheet[i].getValue()));
            if (spaced) lines.push_back("");
        }
        lines.insert(lines.end(), {"", "", "T56", std::string(32, '.')});
        lines.insert(lines.end(), 5, "." + std::string(30, ' ') + ".");
        lines.insert(lines.end(), {std::string(32, '.'), "", "", ""});
        return lines;
    }
    std::vector<Note> sheet;
};

TEST_F(Ticket, EveryCopyHoldsTheWholeTicket) {
    const std::string eng = "02/03/2025" + std::string(14, ' ') + "02:05",
                      fra = "03/02/2025" + std::string(14, ' ') + "14:05";
    const struct {
        const char *tickets, *doubleLine, *lang;
        int code;
        std::string date, codeText;
        int copies;
    } rows[] = {{"1", "0", "ENG", 0, eng, "", 1},
                {"0", "1", "FRA", 102, fra, "T35", 1},
                {"3", "0", "ENG", 904, eng, "T44", 3},
                {"-2", "0", "ENG", 1, eng, "-", 1},
                {"", "0", "ENG", 555, eng, "-", 1}};
    for (const auto& row : rows) {
        setParam("KALVENTRIX_NbTicket", row.tickets);
        setParam("KALVENTRIX_DBL_LINE", row.doubleLine, "", "3");
        printer.printticket(7, 3, 5, 12, "F3A-P25", row.lang, row.code, sheet);
        const std::vector<sim::PaperLine> lines = paper();
        std::vector<std::string> texts, expected;
        for (const sim::PaperLine& line : lines) texts.push_back(line.text);
        for (int n = 0; n < row.copies; ++n) {
            const auto one = copy(row.date, row.codeText, row.doubleLine[0] == '1');
            expected.insert(expected.end(), one.begin(), one.end());
        }
        EXPECT_EQ(texts, expected) << "tickets '" << row.tickets << "' code " << row.code;
        // The schedule centred in double height, the figures in normal size on the left.
        const size_t schedule = std::find(texts.begin(), texts.end(), "F3A-P25") - texts.begin();
        ASSERT_LT(schedule + 8, lines.size());
        EXPECT_TRUE(lines[schedule].justify == sim::Justify::Center &&
                    lines[schedule].doubleHeight && !lines[schedule + 8].doubleHeight &&
                    lines[schedule + 8].justify == sim::Justify::Left);
    }
}

TEST_F(Ticket, LastTicketFilesHoldTheContextWithoutNewline) {
    setParam("KALVENTRIX_NbTicket", "3");
    const auto files = [] {
        std::string text;
        for (const char* name : {"comp", "flight", "judge", "pilot", "schedule"})
            text += kv_test::readFile(std::string("lastTicket_") + name + ".txt") + "|";
        return text;
    };
    printer.printticket(7, 3, 5, 12, "F3A P25", "ENG", 0, sheet);
    EXPECT_EQ(files(), "7|3|5|12|F3A P25|");
    printer.printticket(21, 1, 2, 3, "X", "ENG", 0, {});
    EXPECT_EQ(files(), "21|1|2|3|X|") << "rewritten, not appended";
}

}  // namespace
