// Score sheets and the unsent queue.
#include "app/fn_utils.h"
#include "app/globals.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::outputOf;

std::vector<Note> sheetOf(const std::vector<int>& values, const std::string& label = "Fig") {
    std::vector<Note> sheet;
    for (size_t i = 0; i < values.size(); ++i) {
        sheet.emplace_back(static_cast<int>(i % 8), 1, 2, 3, static_cast<int>(i),
                           label + " " + std::to_string(i));
        sheet.back().setValue(values[i]);
    }
    return sheet;
}

// The current sheet as "label:kind:value" joined by "|", "*" marking a touched record.
std::string current() {
    std::string text;
    for (Note& note : aNote)
        text += note.getDesc() + ":" + std::to_string(note.getOption()) + ":" +
                std::to_string(note.getValue()) + (note.getUpdate() ? "*|" : "|");
    return text;
}

class Sheets : public dbtest::DbTest {
  protected:
    std::string stored(int pilot) {
        store->read_notes(1, 2, 3, pilot);
        return current();
    }
};

// Labels folded and cut for the display, in figure order, at each kind's start value.
TEST_F(Sheets, FreshSheetFromTheCatalogueInFigureOrder) {
    addSchedule(1, "FR", "ENG", {0});
    exec(
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid)"
        " VALUES (3, 'FR', 'FRA', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figdescription, figshortdesc,"
        " figoption) VALUES (2, 3, 2, 'Huit cubain inversé avec demi-tonneaux', '', 4),"
        " (1, 3, 1, 'x', 'Décollage', 3);");
    aNote = sheetOf({1, 2, 3});
    EXPECT_EQ(store->init_scores("FR", "FRA", 1, 1, 1), 2);
    EXPECT_EQ(current(), "Decollage:3:100|Huit cubain inverse avec demi-:4:0|");
}

TEST_F(Sheets, StoredSheetsReadBackAndAreReplacedWhole) {
    EXPECT_EQ(
        store->write_notes(sheetOf({100, 75, -10, -20, 0, 73, 110, -100}, "Pilot's"), 1, 2, 3, 4),
        1);
    EXPECT_EQ(stored(4),
              "Pilot's 0:0:100|Pilot's 1:1:75|Pilot's 2:2:-10|Pilot's 3:3:-20|"
              "Pilot's 4:4:0|Pilot's 5:5:73|Pilot's 6:6:110|Pilot's 7:7:-100|");
    store->write_notes(sheetOf({30}), 1, 2, 3, 5);
    store->write_notes(sheetOf({40}), 1, 2, 9, 4);
    EXPECT_EQ(store->write_notes(sheetOf({90, 80, 70}), 1, 2, 3, 4), 1);
    EXPECT_EQ(stored(4), "Fig 0:0:90|Fig 1:1:80|Fig 2:2:70|");
    EXPECT_TRUE(store->check_pilot(1, 2, 9, 4));
    EXPECT_EQ(store->erase_pilot(1, 2, 3, 4), 1);
    EXPECT_FALSE(store->check_pilot(1, 2, 3, 4));
    EXPECT_TRUE(store->check_pilot(1, 2, 3, 5) && store->check_pilot(1, 2, 9, 4));
    EXPECT_NE(outputOf([this] { EXPECT_EQ(store->write_notes({}, 1, 2, 3, 5), -1); }), "");
    EXPECT_EQ(stored(5), "Fig 0:0:30|") << "an empty sheet is refused";
}

// A sheet is never stored half, nor stored without its queue entry.
TEST_F(Sheets, FailingWritesLeaveTheStoreAsItWas) {
    store->write_notes(sheetOf({10, 20}), 1, 2, 3, 4);
    EXPECT_EQ(store->write_notes_notsent(sheetOf({50}), 1, 2, 3, 6), 1);
    EXPECT_EQ(stored(6), "Fig 0:0:50|");
    exec(
        "CREATE TRIGGER no_queue BEFORE INSERT ON notsent BEGIN SELECT RAISE(ABORT, 'full'); END;");
    const std::string out = outputOf([this] {
        EXPECT_LT(store->write_notes_notsent(sheetOf({50, 60}), 1, 2, 3, 5), 0);
        EXPECT_LT(store->write_notes_notsent(sheetOf({70, 80, 90}), 1, 2, 3, 4), 0);
        EXPECT_LT(store->write_notsent(2, 2, 2, 2), 0);
    });
    EXPECT_NE(out.find("error: full"), std::string::npos) << out;
    exec(
        "CREATE TRIGGER no_insert BEFORE INSERT ON note BEGIN SELECT RAISE(ABORT, 'full'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON note BEGIN SELECT RAISE(ABORT, 'full'); END;");
    outputOf([this] {
        EXPECT_LT(store->write_notes(sheetOf({50, 60, 70}), 1, 2, 3, 4), 0);
        EXPECT_LT(store->erase_pilot(1, 2, 3, 4), 0);
        EXPECT_LT(store->truncate_note(), 0);
    });
    EXPECT_EQ(stored(5), "");
    EXPECT_EQ(stored(4), "Fig 0:0:10|Fig 1:1:20|");
    EXPECT_EQ(count("SELECT count(*) FROM notsent"), 1);
}

TEST_F(Sheets, QueuePagesOfTwentyPerJudgeOldestFirst) {
    for (int i = 0; i < 25; ++i) {
        store->write_notsent(1, 2, 7, 100 + i);
        store->write_notsent(3, 4, 8, 200 + i);
    }
    store->write_notsent(1, 2, 7, 100);
    const auto page = [this](int offset, int judge) {
        int comps[20], flights[20], judges[20], pilots[20];
        const int rows = store->read_notsent(comps, flights, judges, pilots, offset, judge);
        std::string text = std::to_string(rows) + ":";
        for (int i = 0; i < rows; ++i)
            text += " " + std::to_string(comps[i] * 1000000 + flights[i] * 10000 +
                                         judges[i] * 1000 + pilots[i]);
        return text;
    };
    std::string first = "20:";
    for (int i = 0; i < 20; ++i) first += " " + std::to_string(1027100 + i);
    EXPECT_EQ(page(0, 8).substr(0, 11), "20: 3048200");
    EXPECT_EQ(page(0, 7), first);
    EXPECT_EQ(page(20, 7), "6: 1027120 1027121 1027122 1027123 1027124 1027100");
    EXPECT_EQ(page(26, 7) + page(0, 9), "0:0:");
    EXPECT_EQ(store->delete_notsent(1, 2, 7, 100), 1) << "every copy of the sheet";
    EXPECT_EQ(page(20, 7), "4: 1027121 1027122 1027123 1027124");
}

TEST_F(Sheets, QueueReportGroupsJudgesAndCopiesAndNamesEveryFlight) {
    myTrans.texts.assign(78, "");
    myTrans.texts[23] = "Competition";
    myTrans.texts[24] = "Flight";
    myTrans.texts[55] = "Pilot";
    outputOf([this] { EXPECT_EQ(store->read_notsent_print(), "\n"); });
    const int queued[][4] = {{2, 1, 5, 30}, {1, 1, 5, 12}, {1, 1, 6, 12},
                             {1, 1, 5, 11}, {1, 2, 5, 11}, {1, 2, 5, 11}};
    for (const auto& [comp, flight, judge, pilot] : queued)
        store->write_notsent(comp, flight, judge, pilot);
    EXPECT_EQ(store->read_notsent_print(),
              "\nCompetition : 1\n    Flight : 1\n        Pilot : 11\n        Pilot : 12\n"
              "    Flight : 2\n        Pilot : 11\n"
              "\nCompetition : 2\n    Flight : 1\n        Pilot : 30\n\n");
}

}  // namespace
