// Schedule catalogue: lookups at both ends, labels, listing and the import.
#include <fstream>

#include "tests/support/db_support.h"

namespace {

using dbtest::DbTest;
using dbtest::writeFile;

class CatalogTest : public DbTest {
  protected:
    // ENG: A1, B2 (3 figures each); FRA: A1, C3.
    void addFourSchedules() {
        addSchedule(1, "A1", "ENG", {0, 1, 2});
        addSchedule(2, "B2", "ENG", {0, 0, 0});
        addSchedule(3, "A1", "FRA", {3});
        addSchedule(4, "C3", "FRA", {4, 5});
    }
};

TEST_F(CatalogTest, FigureCountPerScheduleAndLanguage) {
    addFourSchedules();
    EXPECT_EQ(store->read_nb_figs("A1", "ENG"), 3);
    EXPECT_EQ(store->read_nb_figs("A1", "FRA"), 1);
    EXPECT_EQ(store->read_nb_figs("A1", "GER"), 0);
    EXPECT_EQ(store->read_nb_figs("ZZ", "ENG"), 0);
}

TEST_F(CatalogTest, FindScheduleStopsAtBothEnds) {
    addFourSchedules();
    EXPECT_EQ(store->find_schedule("", "ENG", true), "A1");
    EXPECT_EQ(store->find_schedule("A1", "ENG", true), "B2");
    EXPECT_EQ(store->find_schedule("B2", "ENG", true), "-2");
    EXPECT_EQ(store->find_schedule("B2", "ENG", false), "A1");
    EXPECT_EQ(store->find_schedule("A1", "ENG", false), "-2");
    EXPECT_EQ(store->find_schedule("A1", "FRA", true), "C3");
    EXPECT_EQ(store->find_schedule("", "GER", true), "-2");
}

TEST_F(CatalogTest, FindLanguageStaysPutAtBothEnds) {
    addFourSchedules();
    EXPECT_EQ(store->find_language("ENG", true), "FRA");
    EXPECT_EQ(store->find_language("FRA", true), "FRA");
    EXPECT_EQ(store->find_language("FRA", false), "ENG");
    EXPECT_EQ(store->find_language("ENG", false), "ENG");
    EXPECT_EQ(store->find_language("AAA", false), "AAA");
    EXPECT_EQ(store->find_language("DEU", true), "ENG");
}

TEST_F(CatalogTest, CheckScheduleNeedsNameAndLanguage) {
    addFourSchedules();
    EXPECT_TRUE(store->check_schedule("C3", "FRA"));
    EXPECT_FALSE(store->check_schedule("C3", "ENG"));
    EXPECT_FALSE(store->check_schedule("", "ENG"));
    exec("DROP TABLE zeph_figure; DROP TABLE zeph_programme;");
    store = std::make_unique<RpSqlite>(file, &rc);
    EXPECT_TRUE(store->check_schedule("C3", "FRA"));  // unknown: do not block the flight
    EXPECT_EQ(store->find_schedule("", "ENG", true), "-1");
    EXPECT_EQ(store->find_language("ENG", true), "-1");
    EXPECT_EQ(store->read_nb_figs("A1", "ENG"), -1);
}

TEST_F(CatalogTest, QuotedNamesAreLookedUpLiterally) {
    exec(
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid)"
        " VALUES (1, 'O''Neil', 'ENG', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figshortdesc, figoption)"
        " VALUES (1, 1, 1, 'Pilot''s loop', 0);");
    EXPECT_TRUE(store->check_schedule("O'Neil", "ENG"));
    EXPECT_EQ(store->read_nb_figs("O'Neil", "ENG"), 1);
    EXPECT_EQ(store->find_schedule("", "ENG", true), "O'Neil");
    EXPECT_FALSE(store->check_schedule("x' OR '1'='1", "ENG"));
    std::string figs[3], options[3];
    EXPECT_EQ(store->read_figs("O'Neil", "ENG", 0, figs, options, 3), 1);
    EXPECT_EQ(figs[1], "Pilot's loop");
}

TEST_F(CatalogTest, EmptyShortLabelFallsBackToThirtyCharactersOfDescription) {
    exec(
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid)"
        " VALUES (1, 'P', 'ENG', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figdescription, figshortdesc,"
        " figoption) VALUES (10, 1, 1, 'Half square loop on corner with half roll up', '', 2),"
        " (11, 1, 2, 'unused description', 'Stall turn', 0);");
    std::string figs[3], options[3];
    EXPECT_EQ(store->read_figs("P", "ENG", 0, figs, options, 3), 1);
    EXPECT_EQ(figs[1], "Half square loop on corner wit");
    EXPECT_EQ(options[1], "2");
    EXPECT_EQ(figs[2], "Stall turn");
    EXPECT_EQ(options[2], "0");
}

TEST_F(CatalogTest, FigurePagesFollowFigidOrder) {
    // Inserted out of order: storage order is ascending figid.
    exec(
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid)"
        " VALUES (1, 'P', 'ENG', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figshortdesc, figoption) VALUES"
        " (30, 1, 3, 'third', 3), (10, 1, 1, 'first', 1), (20, 1, 2, 'second', 2);");
    std::string figs[3], options[3];
    EXPECT_EQ(store->read_figs("P", "ENG", 2, figs, options, 3), 1);
    EXPECT_EQ(figs[0], "second");
    EXPECT_EQ(figs[1], "third");
    EXPECT_EQ(figs[2], "");
    EXPECT_EQ(store->read_figs("P", "ENG", 4, figs, options, 3), -2);
}

TEST_F(CatalogTest, OverviewGroupsByLanguageAndCutsNames) {
    addSchedule(1, "LONGNAME10", "ENG", {0, 0});
    addSchedule(2, "F3A", "ENG", {0});
    addSchedule(3, "B", "FRA", {0, 0, 0});
    addSchedule(4, "A", "FRA", std::vector<int>(12, 0));
    addSchedule(5, "EMPTY", "FRA", {});
    EXPECT_EQ(store->print_schedules(),
              "\nENG\n"
              "    F3A           (1)\n"
              "    LONGNAME      (2)\n"
              "\nFRA\n"
              "    A             (12)\n"
              "    B             (3)\n");
}

TEST_F(CatalogTest, DeleteSchedulesOfOneLanguage) {
    addFourSchedules();
    EXPECT_EQ(store->delete_schedules("ENG"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_programme"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_figure"), 3);
    EXPECT_EQ(store->delete_schedules("x' OR '1'='1"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_programme"), 2);
}

// The import keeps the server's value-list lines; files are written per test.
class ImportTest : public CatalogTest {
  protected:
    void SetUp() override {
        CatalogTest::SetUp();
        programmes = file + ".prg.csv";
        figures = file + ".fig.csv";
    }
    void TearDown() override {
        std::remove(programmes.c_str());
        std::remove(figures.c_str());
        CatalogTest::TearDown();
    }
    int import() { return store->_import_catalogue(programmes, figures); }

    std::string programmes;
    std::string figures;
};

const char* const kGoodProgrammes =
    "1,'Sportsman 2024','SPORT','ENG',1,1,8,999.99,999.99,4,3,2,'2024'\r\n"
    "2,\"Pilote d'essai\",'SPORT','FRA',1,1,8,999.99,999.99,4,3,2,'2024'\n"
    "3, 'Unlimited', 'UNL''X', 'ENG', 2, 3, 10, 150.5, -1e2, 4, 3, 2, '2017'\n";
const char* const kGoodFigures =
    "1,1,1,2,'Takeoff sequence','Takeoff',3\n"
    "2,1,2,4,'Loop with a \"full\" roll','Loop, roll',0\r\n"
    "3,2,1,2,'Décollage','Décollage',3\n"
    "4,3,1,NULL,'A description only','',6\n";

TEST_F(ImportTest, GoodFilesReplaceTheWholeCatalogue) {
    addSchedule(9, "OLD", "ENG", {0, 0});
    writeFile(programmes, kGoodProgrammes);
    writeFile(figures, kGoodFigures);
    EXPECT_EQ(import(), 1);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_programme"), 3);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_figure"), 4);
    EXPECT_FALSE(store->check_schedule("OLD", "ENG"));
    EXPECT_EQ(value("SELECT prglibelle FROM zeph_programme WHERE prgid = 2"), "Pilote d'essai");
    EXPECT_EQ(value("SELECT prgshortname FROM zeph_programme WHERE prgid = 3"), "UNL'X");
    EXPECT_EQ(value("SELECT figshortdesc FROM zeph_figure WHERE figid = 2"), "Loop, roll");
    EXPECT_EQ(value("SELECT figdescription FROM zeph_figure WHERE figid = 2"),
              "Loop with a \"full\" roll");
    EXPECT_EQ(value("SELECT typeof(promothreshold2) FROM zeph_programme WHERE prgid = 3"), "real");
    EXPECT_EQ(value("SELECT typeof(figcomplexite) FROM zeph_figure WHERE figid = 4"), "null");
    EXPECT_EQ(store->read_nb_figs("SPORT", "ENG"), 2);
    std::string figs[3], options[3];
    EXPECT_EQ(store->read_figs("UNL'X", "ENG", 1, figs, options, 3), 1);
    EXPECT_EQ(figs[0], "A description only");
    EXPECT_EQ(options[0], "6");
}

TEST_F(ImportTest, OneBadLineKeepsThePreviousCatalogue) {
    addSchedule(9, "OLD", "ENG", {0, 0});
    writeFile(programmes, kGoodProgrammes);
    const std::vector<std::string> badFigureFiles = {
        std::string(kGoodFigures) + "5,1,3,2,'unterminated,0\n",
        std::string(kGoodFigures) + "5,1,3,2,'six values only'\n",
        std::string(kGoodFigures) + "5,1,3,2,'x','y',0); DELETE FROM param; --\n",
        std::string(kGoodFigures) + "4,1,3,2,'duplicate figid','y',0\n",
        std::string(kGoodFigures) + "6,1,3,2,'x',NULL,0\n",  // short label is NOT NULL
        "figid,prgid,figposition,figcomplexite,figdescription,figshortdesc,figoption\n" +
            std::string(kGoodFigures),
        "",
    };
    addParam("KALVENTRIX_LANG", "ENG");
    for (const std::string& bad : badFigureFiles) {
        writeFile(figures, bad);
        watch();
        EXPECT_EQ(import(), -1) << bad;
        EXPECT_NE(output().find("error: "), std::string::npos) << bad;
        EXPECT_TRUE(store->check_schedule("OLD", "ENG")) << bad;
        EXPECT_EQ(store->read_nb_figs("OLD", "ENG"), 2) << bad;
        EXPECT_EQ(count("SELECT count(*) FROM zeph_programme"), 1) << bad;
    }
    EXPECT_EQ(count("SELECT count(*) FROM param"), 1);
}

TEST_F(ImportTest, MissingFileKeepsThePreviousCatalogue) {
    addSchedule(9, "OLD", "ENG", {0});
    writeFile(programmes, kGoodProgrammes);
    std::remove(figures.c_str());
    watch();
    EXPECT_EQ(import(), -1);
    EXPECT_NE(output().find("error: cannot read " + figures), std::string::npos);
    EXPECT_TRUE(store->check_schedule("OLD", "ENG"));
}

TEST_F(ImportTest, LinesLongerThanTheOldBufferAreAccepted) {
    std::string description(700, 'd');
    writeFile(programmes, kGoodProgrammes);
    writeFile(figures, std::string(kGoodFigures) + "5,1,3,2,'" + description + "','Long',1\n");
    EXPECT_EQ(import(), 1);
    EXPECT_EQ(value("SELECT length(figdescription) FROM zeph_figure WHERE figid = 5"), "700");
    EXPECT_EQ(store->read_nb_figs("SPORT", "ENG"), 3);
}

TEST_F(ImportTest, UpdateSchedulesReadsTheBootFolderUnderTheRoot) {
    dbtest::useRoot("import-root");
    std::system("mkdir -p import-root/boot");
    writeFile("import-root/boot/zeph_programme.csv", kGoodProgrammes);
    writeFile("import-root/boot/zeph_figure.csv", kGoodFigures);
    EXPECT_EQ(store->update_schedules(), 0);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_figure"), 4);
    dbtest::useRoot("");
    std::system("rm -rf import-root");
}

}  // namespace
