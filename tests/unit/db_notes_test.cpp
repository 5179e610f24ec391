// Score sheets and the unsent queue.
#include "app/fn_utils.h"
#include "app/globals.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::DbTest;

std::vector<Note> sheetOf(const std::vector<int>& values, const std::string& label = "Fig") {
    std::vector<Note> sheet;
    for (size_t i = 0; i < values.size(); ++i) {
        sheet.emplace_back(static_cast<int>(i % 8), 1, 2, 3, static_cast<int>(i),
                           label + " " + std::to_string(i));
        sheet.back().setValue(values[i]);
    }
    return sheet;
}

class NotesTest : public DbTest {};

TEST_F(NotesTest, InitScoresBuildsABlankSheetInFigureOrder) {
    addSchedule(1, "P12", "ENG", {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3});
    addSchedule(2, "P12", "FRA", {0});
    aNote = sheetOf({1, 2, 3});
    EXPECT_EQ(store->init_scores("P12", "ENG", 5, 6, 7), 12);
    ASSERT_EQ(aNote.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(aNote[i].getDesc(), "P12 fig " + std::to_string(i));
        EXPECT_EQ(aNote[i].getOption(), i % 8);
        EXPECT_EQ(aNote[i].getValue(), Note::initialValue(i % 8));
        EXPECT_FALSE(aNote[i].getUpdate());
    }
    EXPECT_EQ(store->init_scores("NONE", "ENG", 5, 6, 7), 0);
    EXPECT_TRUE(aNote.empty());
}

TEST_F(NotesTest, InitScoresFoldsAccentsAndUsesTheDescriptionFallback) {
    exec(
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid)"
        " VALUES (1, 'FR', 'FRA', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figdescription, figshortdesc,"
        " figoption) VALUES (1, 1, 1, 'x', 'Décollage', 3),"
        " (2, 1, 2, 'Huit cubain inversé avec demi-tonneaux', '', 1);");
    EXPECT_EQ(store->init_scores("FR", "FRA", 1, 1, 1), 2);
    EXPECT_EQ(aNote[0].getDesc(), "Decollage");
    EXPECT_EQ(aNote[1].getDesc(), "Huit cubain inverse avec demi-");  // 30 characters
}

TEST_F(NotesTest, WriteAndReadBackASheet) {
    std::vector<Note> sheet = sheetOf({100, 75, -10, -20, 0, 73, 110, -100}, "Pilot's loop");
    EXPECT_EQ(store->write_notes(sheet, 1, 2, 3, 4), 1);
    EXPECT_TRUE(store->check_pilot(1, 2, 3, 4));
    EXPECT_FALSE(store->check_pilot(1, 2, 9, 4));
    EXPECT_EQ(store->read_notes(1, 2, 3, 4), 1);
    ASSERT_EQ(aNote.size(), sheet.size());
    for (size_t i = 0; i < sheet.size(); ++i) {
        EXPECT_EQ(aNote[i].getValue(), sheet[i].getValue()) << i;
        EXPECT_EQ(aNote[i].getOption(), sheet[i].getOption()) << i;
        EXPECT_EQ(aNote[i].getDesc(), sheet[i].getDesc()) << i;
        EXPECT_FALSE(aNote[i].getUpdate());
    }
    EXPECT_EQ(count("SELECT max(fig_n) FROM note"), 7);
}

TEST_F(NotesTest, ASheetWrittenAgainIsExactlyTheNewSheet) {
    EXPECT_EQ(store->write_notes(sheetOf({10, 20, 30, 40, 50}), 1, 1, 1, 1), 1);
    EXPECT_EQ(store->write_notes(sheetOf({90, 80, 70}), 1, 1, 1, 1), 1);
    EXPECT_EQ(count("SELECT count(*) FROM note"), 3);
    store->read_notes(1, 1, 1, 1);
    ASSERT_EQ(aNote.size(), 3u);
    EXPECT_EQ(aNote[2].getValue(), 70);
}

TEST_F(NotesTest, SheetsOfOtherPilotsAreUntouched) {
    store->write_notes(sheetOf({10, 20}), 1, 1, 1, 1);
    store->write_notes(sheetOf({30}), 1, 1, 1, 2);
    store->write_notes(sheetOf({40}), 1, 1, 2, 1);
    EXPECT_EQ(store->erase_pilot(1, 1, 1, 1), 1);
    EXPECT_FALSE(store->check_pilot(1, 1, 1, 1));
    EXPECT_TRUE(store->check_pilot(1, 1, 1, 2));
    EXPECT_TRUE(store->check_pilot(1, 1, 2, 1));
}

TEST_F(NotesTest, AnEmptySheetIsRefusedAndKeepsTheStoredOne) {
    store->write_notes(sheetOf({10, 20}), 1, 1, 1, 1);
    watch();
    EXPECT_EQ(store->write_notes({}, 1, 1, 1, 1), -1);
    EXPECT_NE(output().find("error: "), std::string::npos);
    EXPECT_EQ(count("SELECT count(*) FROM note"), 2);
}

TEST_F(NotesTest, WritersReportAFailedStep) {
    store->write_notes(sheetOf({10, 20}), 1, 1, 1, 1);
    store->write_notsent(1, 1, 1, 1);
    // A trigger that refuses every change makes the statements fail while stepping.
    exec(
        "CREATE TRIGGER no_insert BEFORE INSERT ON note BEGIN SELECT RAISE(ABORT, 'full'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON note BEGIN SELECT RAISE(ABORT, 'full'); END;"
        "CREATE TRIGGER no_queue BEFORE INSERT ON notsent BEGIN SELECT RAISE(ABORT, 'full'); END;");
    watch();
    EXPECT_LT(store->write_notes(sheetOf({50, 60, 70}), 1, 1, 1, 1), 0);
    EXPECT_LT(store->erase_pilot(1, 1, 1, 1), 0);
    EXPECT_LT(store->write_notsent(2, 2, 2, 2), 0);
    EXPECT_LT(store->truncate_note(), 0);
    std::string out = output();
    EXPECT_NE(out.find("error: full"), std::string::npos) << out;
    // Nothing half done: the old sheet and the queue are intact.
    store->read_notes(1, 1, 1, 1);
    ASSERT_EQ(aNote.size(), 2u);
    EXPECT_EQ(aNote[1].getValue(), 20);
    EXPECT_EQ(count("SELECT count(*) FROM notsent"), 1);
}

// A sheet is never stored without its queue entry, nor queued without its rows.
TEST_F(NotesTest, SheetAndItsQueueEntryAreWrittenTogetherOrNotAtAll) {
    EXPECT_EQ(store->write_notes_notsent(sheetOf({10, 20}), 1, 2, 3, 4), 1);
    EXPECT_EQ(count("SELECT count(*) FROM note WHERE pil_n = 4"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM notsent WHERE pil_n = 4"), 1);
    exec(
        "CREATE TRIGGER no_queue BEFORE INSERT ON notsent BEGIN SELECT RAISE(ABORT, 'full'); END;");
    watch();
    EXPECT_LT(store->write_notes_notsent(sheetOf({50, 60}), 1, 2, 3, 5), 0);
    EXPECT_LT(store->write_notes_notsent(sheetOf({70, 80, 90}), 1, 2, 3, 4), 0);
    EXPECT_EQ(count("SELECT count(*) FROM note WHERE pil_n = 5"), 0);
    store->read_notes(1, 2, 3, 4);
    ASSERT_EQ(aNote.size(), 2u);
    EXPECT_EQ(aNote[1].getValue(), 20);
    exec("DROP TRIGGER no_queue;");
    EXPECT_EQ(store->write_notes_notsent({}, 1, 2, 3, 6), -1);
    EXPECT_EQ(count("SELECT count(*) FROM notsent WHERE pil_n = 6"), 0);
}

TEST_F(NotesTest, TruncateEmptiesScoresAndQueue) {
    store->write_notes(sheetOf({10}), 1, 1, 1, 1);
    store->write_notsent(1, 1, 1, 1);
    EXPECT_EQ(store->truncate_note(), 1);
    EXPECT_EQ(count("SELECT count(*) FROM note") + count("SELECT count(*) FROM notsent"), 0);
}

TEST_F(NotesTest, QueuePagesPerJudgeInStorageOrder) {
    for (int i = 0; i < 25; ++i) {
        store->write_notsent(1, 1, 7, 100 + i);
        store->write_notsent(1, 1, 8, 200 + i);
    }
    int comps[20], flights[20], judges[20], pilots[20];
    EXPECT_EQ(store->read_notsent(comps, flights, judges, pilots, 0, 7), 20);
    EXPECT_EQ(pilots[0], 100);
    EXPECT_EQ(pilots[19], 119);
    EXPECT_EQ(judges[5], 7);
    EXPECT_EQ(store->read_notsent(comps, flights, judges, pilots, 20, 7), 5);
    EXPECT_EQ(pilots[0], 120);
    EXPECT_EQ(pilots[4], 124);
    EXPECT_EQ(store->read_notsent(comps, flights, judges, pilots, 25, 7), 0);
    EXPECT_EQ(store->read_notsent(comps, flights, judges, pilots, 0, 9), 0);
}

TEST_F(NotesTest, QueueingTwiceThenDeletingOnceLeavesNothing) {
    store->write_notsent(1, 2, 3, 4);
    store->write_notsent(1, 2, 3, 4);
    store->write_notsent(1, 2, 3, 5);
    EXPECT_EQ(count("SELECT count(*) FROM notsent"), 3);
    EXPECT_EQ(store->delete_notsent(1, 2, 3, 4), 1);
    EXPECT_EQ(count("SELECT count(*) FROM notsent"), 1);
}

TEST_F(NotesTest, MissingTablesGiveTheFailureValues) {
    exec("DROP TABLE note; DROP TABLE notsent;");
    store = std::make_unique<RpSqlite>(file, &rc);
    int a[20], b[20], c[20], d[20];
    watch();
    EXPECT_TRUE(store->check_pilot(1, 1, 1, 1));  // unknown: refuse to score again
    EXPECT_EQ(store->read_notes(1, 1, 1, 1), -1);
    EXPECT_EQ(store->erase_pilot(1, 1, 1, 1), -1);
    EXPECT_EQ(store->write_notsent(1, 1, 1, 1), -1);
    EXPECT_EQ(store->read_notsent(a, b, c, d, 0, 1), -1);
    EXPECT_EQ(store->delete_notsent(1, 1, 1, 1), -1);
    EXPECT_EQ(store->truncate_note(), -1);
    EXPECT_EQ(store->write_notes(sheetOf({1}), 1, 1, 1, 1), -2);
    std::string out = output();
    EXPECT_NE(out.find("SQL error : no such table: notsent"), std::string::npos) << out;
    EXPECT_NE(out.find("error: no such table: note"), std::string::npos) << out;
}

class QueueReportTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        myTrans.texts.assign(78, "");
        myTrans.texts[23] = "Competition";
        myTrans.texts[24] = "Flight";
        myTrans.texts[55] = "Pilot";
    }
};

TEST_F(QueueReportTest, EmptyQueueIsOneLineFeed) {
    watch();
    EXPECT_EQ(store->read_notsent_print(), "\n");
    EXPECT_NE(output().find("SELECT cmpid, vol_n, pil_n FROM notsent GROUP BY"), std::string::npos);
}

TEST_F(QueueReportTest, GroupsJudgesAndRepeatsAndNamesEveryFlight) {
    store->write_notsent(2, 1, 5, 30);
    store->write_notsent(1, 1, 5, 12);
    store->write_notsent(1, 1, 6, 12);  // another judge, same sheet
    store->write_notsent(1, 1, 5, 11);
    store->write_notsent(1, 2, 5, 11);
    store->write_notsent(1, 2, 5, 11);  // queued twice
    EXPECT_EQ(store->read_notsent_print(),
              "\nCompetition : 1\n"
              "    Flight : 1\n"
              "        Pilot : 11\n"
              "        Pilot : 12\n"
              "    Flight : 2\n"
              "        Pilot : 11\n"
              "\nCompetition : 2\n"
              "    Flight : 1\n"
              "        Pilot : 30\n"
              "\n");
}

}  // namespace
