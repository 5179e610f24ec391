// The score ticket as it comes out of the virtual board's printer.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/fn_note.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"
#include "sim/devices/paper_png.h"
#include "tests/support/printer_report_support.h"

extern Pi_Thermal printer;

namespace {

using report_test::count;
using report_test::find;

const std::string kDots(32, '.');

std::string pad(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

std::vector<Note> sheet() {
    std::vector<Note> notes;
    const std::vector<std::pair<int, int>> kindsAndValues = {{0, 80},  {1, 85},  {6, 100},
                                                             {0, -10}, {0, -20}, {2, -30}};
    for (const auto& [kind, value] : kindsAndValues) {
        notes.emplace_back(kind, 7, 3, 12, static_cast<int>(notes.size()), "Loop");
        notes.back().setValue(value);
    }
    return notes;
}

std::string readFile(const std::string& name) {
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Ticket : public report_test::ReportBoard {
  protected:
    std::vector<std::string> printTicket(const std::string& lang = "ENG", int code = 0) {
        printer.printticket(7, 3, 5, 12, "F3A-P25", lang, code, sheet());
        return paperText();
    }
};

TEST_F(Ticket, FigureLinesShowEachValueAndKindOnExactlyOneLine) {
    setParam("KALVENTRIX_NbTicket", "1");
    const auto lines = printTicket();
    const std::string loop = pad("Loop", 29);
    const std::vector<std::string> expected = {
        "01 " + loop.substr(0, 26) + "  8",   "02 " + loop.substr(0, 25) + " 8.5",
        "03 " + loop.substr(0, 24) + " 10.0", "04 " + loop.substr(0, 26) + " NO",
        "05 " + loop.substr(0, 26) + " BP",   "06 " + loop.substr(0, 25) + "  -3"};
    const int first = find(lines, expected[0]);
    ASSERT_GE(first, 0);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_LT(first + i, lines.size());
        EXPECT_EQ(lines[first + i], expected[i]);
        EXPECT_EQ(lines[first + i].size(), 32u);
    }
}

TEST_F(Ticket, HeaderCarriesTheContextAndTheSignatureBoxCloses) {
    setParam("KALVENTRIX_NbTicket", "1");
    const auto lines = printTicket();
    const int schedule = find(lines, "F3A-P25");
    ASSERT_GE(schedule, 0);
    const int comp = find(lines, pad("T52", 30) + "07", schedule);
    ASSERT_GT(comp, schedule);
    EXPECT_EQ(lines[comp + 1], pad("T53", 30) + "03");
    EXPECT_EQ(lines[comp + 2], pad("T54", 29) + "005");
    EXPECT_EQ(lines[comp + 3], pad("T55", 29) + "012");
    EXPECT_EQ(find(lines, "T51"), -1) << "no error block without a reply code";

    const int signature = find(lines, "T56");
    ASSERT_GT(signature, comp);
    ASSERT_GE(lines.size(), signature + 8u);
    EXPECT_EQ(lines[signature + 1], kDots);
    for (int row = 2; row <= 6; ++row) EXPECT_EQ(lines[signature + row], "." + pad("", 30) + ".");
    EXPECT_EQ(lines[signature + 7], kDots);
}

TEST_F(Ticket, ScheduleIsCentredInDoubleHeightAndFiguresAreNormal) {
    setParam("KALVENTRIX_NbTicket", "1");
    printer.printticket(7, 3, 5, 12, "F3A-P25", "ENG", 0, sheet());
    const auto lines = paper();
    bool sawSchedule = false, sawFigure = false;
    for (const auto& line : lines) {
        if (line.text == "F3A-P25") {
            sawSchedule = true;
            EXPECT_EQ(line.justify, sim::Justify::Center);
            EXPECT_TRUE(line.doubleHeight);
        }
        if (line.text.rfind("01 Loop", 0) == 0) {
            sawFigure = true;
            EXPECT_EQ(line.justify, sim::Justify::Left);
            EXPECT_FALSE(line.doubleHeight);
        }
    }
    EXPECT_TRUE(sawSchedule);
    EXPECT_TRUE(sawFigure);
}

TEST_F(Ticket, DateLineFollowsTheLanguage) {
    setParam("KALVENTRIX_NbTicket", "1");
    auto lines = printTicket("ENG");
    int date = find(lines, "02/03/2025" + std::string(14, ' ') + "02:05");
    ASSERT_GE(date, 0);
    EXPECT_EQ(lines[date + 1], "") << "the date's own newline leaves an empty line";

    lines = printTicket("FRA");
    EXPECT_GE(find(lines, "03/02/2025" + std::string(14, ' ') + "14:05"), 0);
}

TEST_F(Ticket, EveryCountBelowOnePrintsOneTicketAndCopiesAreIdentical) {
    for (const auto& [stored, copies] : std::vector<std::pair<std::string, int>>{
             {"0", 1}, {"1", 1}, {"3", 3}, {"-2", 1}, {"", 1}}) {
        setParam("KALVENTRIX_NbTicket", stored);
        const auto lines = printTicket();
        const std::string date = "02/03/2025" + std::string(14, ' ') + "02:05";
        EXPECT_EQ(count(lines, date), copies) << "NbTicket " << stored;
        EXPECT_EQ(count(lines, "T56"), copies) << "NbTicket " << stored;
        if (copies < 2) continue;
        const int second = find(lines, date, 1);
        ASSERT_GT(second, 0);
        const std::vector<std::string> firstCopy(lines.begin(), lines.begin() + second);
        const std::vector<std::string> secondCopy(lines.begin() + second,
                                                  lines.begin() + 2 * second);
        EXPECT_EQ(firstCopy, secondCopy);
    }
}

TEST_F(Ticket, DoubleLineSettingSpacesTheFigures) {
    setParam("KALVENTRIX_NbTicket", "1");
    setParam("KALVENTRIX_DBL_LINE", "1", "", "3");
    const auto lines = printTicket();
    const int first = find(lines, "01 " + pad("Loop", 26) + "  8");
    ASSERT_GE(first, 0);
    EXPECT_EQ(lines[first + 1], "");
    EXPECT_EQ(lines[first + 2].substr(0, 8), "02 Loop ");
    EXPECT_EQ(lines[first + 3], "");

    setParam("KALVENTRIX_DBL_LINE", "0", "", "3");
    const auto single = printTicket();
    const int again = find(single, "01 " + pad("Loop", 26) + "  8");
    ASSERT_GE(again, 0);
    EXPECT_EQ(single[again + 1].substr(0, 8), "02 Loop ");
}

TEST_F(Ticket, ReplyCodesPrintTheErrorBlockBeforeTheSchedule) {
    setParam("KALVENTRIX_NbTicket", "1");
    auto lines = printTicket("ENG", 102);
    int error = find(lines, "T51");
    ASSERT_GE(error, 0);
    EXPECT_EQ(lines[error + 1], "T35");
    EXPECT_EQ(lines[error + 2], "F3A-P25");

    lines = printTicket("ENG", 904);
    error = find(lines, "T51");
    ASSERT_GE(error, 0);
    EXPECT_EQ(lines[error + 1], "T44");

    for (int withoutText : {1, 555}) {
        lines = printTicket("ENG", withoutText);
        error = find(lines, "T51");
        ASSERT_GE(error, 0) << withoutText;
        EXPECT_EQ(lines[error + 1], "") << withoutText;
        EXPECT_EQ(lines[error + 2], "F3A-P25") << withoutText;
    }
}

TEST_F(Ticket, LastTicketFilesHoldTheContextWithoutNewline) {
    setParam("KALVENTRIX_NbTicket", "3");
    printer.printticket(7, 3, 5, 12, "F3A P25", "ENG", 0, sheet());
    EXPECT_EQ(readFile("lastTicket_comp.txt"), "7");
    EXPECT_EQ(readFile("lastTicket_flight.txt"), "3");
    EXPECT_EQ(readFile("lastTicket_judge.txt"), "5");
    EXPECT_EQ(readFile("lastTicket_pilot.txt"), "12");
    EXPECT_EQ(readFile("lastTicket_schedule.txt"), "F3A P25");

    printer.printticket(21, 1, 2, 3, "X", "ENG", 0, {});
    EXPECT_EQ(readFile("lastTicket_comp.txt"), "21") << "truncated, not appended";
    EXPECT_EQ(readFile("lastTicket_schedule.txt"), "X");
}

TEST_F(Ticket, PacingFollowsTheEstimatesOnTheVirtualClock) {
    auto& clock = sim::Board::instance().clock();
    printer.println("ABCDE");
    const sim::Micros start = clock.now();
    printer.println("");
    printer.print("X");
    // the empty line waits for the printed one (with its newline byte), X for the empty one
    EXPECT_EQ(clock.now() - start, (123000u + 1250u) + (15000u + 1250u));

    const sim::Micros bytes = clock.now();
    printer.print("YZ");
    EXPECT_EQ(clock.now() - bytes, 2 * 1250u);
}

TEST_F(Ticket, PictureOfTheTicketHasARowPerPaperLine) {
    setParam("KALVENTRIX_NbTicket", "1");
    printer.printticket(7, 3, 5, 12, "F3A-P25", "ENG", 102, sheet());
    const auto lines = paper();
    std::vector<sim::PaperRow> rows;
    sim::renderPaper(lines, &rows);
    ASSERT_EQ(rows.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(rows[i].height, lines[i].doubleHeight ? 48 : 24) << lines[i].text;
    std::string error;
    EXPECT_TRUE(sim::writePaperPng(lines, "ticket.png", &error)) << error;
}

}  // namespace
