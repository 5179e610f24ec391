// Schedule catalogue: lookups at both ends, labels, listing and the import.
#include <cstdio>

#include "tests/support/db_support.h"

namespace {

using dbtest::writeFile;

class Catalogue : public dbtest::DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        addSchedule(1, "A1", "ENG", {0, 1, 2});
        addSchedule(2, "B2", "ENG", {0, 0});
        addSchedule(3, "A1", "FRA", {3});
        addSchedule(4, "O'N", "FRA", {4, 5});
    }
    // Labels and kinds of a page of three figures, as "label:kind" joined by "|", then the result.
    std::string figures(const std::string& name, int first) {
        std::string labels[3] = {"x", "x", "x"}, kinds[3], text;
        const int result = store->read_figs(name, "ENG", first, labels, kinds, 3);
        for (int i = 0; i < 3; ++i) text += labels[i] + ":" + kinds[i] + "|";
        return text + std::to_string(result);
    }
};

TEST_F(Catalogue, LookupsStayWithinOneLanguageAndStopAtBothEnds) {
    const struct {
        const char *name, *lang;
        int figures;
        bool exists;
        const char *next, *previous;
    } rows[] = {{"A1", "ENG", 3, true, "B2", "-2"},
                {"B2", "ENG", 2, true, "-2", "A1"},
                {"A1", "FRA", 1, true, "O'N", "-2"},
                {"O'N", "FRA", 2, true, "-2", "A1"},
                {"", "ENG", 0, false, "A1", "-2"},
                {"A1", "GER", 0, false, "-2", "-2"},
                {"x' OR '1'='1", "ENG", 0, false, "-2", "B2"}};
    for (const auto& row : rows) {
        EXPECT_EQ(store->read_nb_figs(row.name, row.lang), row.figures) << row.name << row.lang;
        EXPECT_EQ(store->check_schedule(row.name, row.lang), row.exists) << row.name << row.lang;
        EXPECT_EQ(store->find_schedule(row.name, row.lang, true), row.next) << row.name << row.lang;
        EXPECT_EQ(store->find_schedule(row.name, row.lang, false), row.previous) << row.name;
    }
    const struct {
        const char* lang;
        bool next;
        const char* found;
    } languages[] = {{"ENG", true, "FRA"},  {"FRA", true, "FRA"},  {"FRA", false, "ENG"},
                     {"ENG", false, "ENG"}, {"AAA", false, "AAA"}, {"DEU", true, "ENG"}};
    for (const auto& row : languages)
        EXPECT_EQ(store->find_language(row.lang, row.next), row.found) << row.lang << row.next;
}

TEST_F(Catalogue, FiguresComeInFigidOrderWithTheDescriptionForAMissingLabel) {
    exec(
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang, typeid, catid)"
        " VALUES (9, 'P', 'ENG', 1, 1);"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figdescription, figshortdesc,"
        " figoption) VALUES (30, 9, 3, 'x', 'Stall turn', 0), (10, 9, 1, 'x', 'Loop', 1),"
        " (20, 9, 2, 'Half square loop on corner with half roll up', '', 2);");
    EXPECT_EQ(figures("P", 0), ":|Loop:1|Half square loop on corner wit:2|1");
    EXPECT_EQ(figures("P", 2), "Half square loop on corner wit:2|Stall turn:0|:|1");
    EXPECT_EQ(figures("P", 4), "x:|x:|:|-2");
}

TEST_F(Catalogue, OverviewByLanguageWithNamesCutToEight) {
    addSchedule(5, "LONGNAME10", "ENG", {0});
    addSchedule(6, "EMPTY", "FRA", {});
    EXPECT_EQ(store->print_schedules(),
              "\nENG\n    A1            (3)\n    B2            (2)\n    LONGNAME      (1)\n"
              "\nFRA\n    A1            (1)\n    O'N           (2)\n");
    exec("DROP TABLE zeph_figure; DROP TABLE zeph_programme;");
    reopen();
    EXPECT_TRUE(store->check_schedule("A1", "FRA")) << "unknown: the flight is not blocked";
}

const char* const kProgrammes =
    "1,'Sportsman 2024','SPORT','ENG',1,1,8,999.99,999.99,4,3,2,'2024'\r\n"
    "2,\"Pilote d'essai\",'SPORT','FRA',1,1,8,999.99,999.99,4,3,2,'2024'\n"
    "\n"
    "3, 'Unlimited', 'UNL''X', 'ENG', 2, 3, 10, 150.5, -1e2, 4, 3, 2, '2017'\n";
const char* const kFigures =
    "1,1,1,2,'Takeoff sequence','Takeoff',3\n"
    "2,1,2,4,'Loop with a \"full\" roll','Loop, roll',0\r\n"
    "3,2,1,2,'Décollage','Décollage',3\n"
    "4,3,1,NULL,'A description only','',6\n";

// The import replaces the whole catalogue or, with any bad line, keeps the old one.
TEST_F(Catalogue, ImportIsAllOrNothing) {
    const std::string programmes = file + ".prg.csv", figureFile = file + ".fig.csv";
    const auto catalogue = [this] {
        return value(
                   "SELECT group_concat(prgid || prgshortname || prglang || prglibelle ||"
                   " typeof(promothreshold2), ';') FROM zeph_programme") +
               "#" +
               value(
                   "SELECT group_concat(figid || figshortdesc || figdescription || "
                   "figoption || typeof(figcomplexite), ';') FROM zeph_figure");
    };
    const std::string before = catalogue();
    writeFile(programmes, kProgrammes);
    for (const std::string& bad :
         {std::string(kFigures) + "5,1,3,2,'unterminated,0\n",
          std::string(kFigures) + "5,1,3,2,'six values only'\n",
          std::string(kFigures) + "5,1,3,2,'x','y',0); DELETE FROM param; --\n",
          std::string(kFigures) + "4,1,3,2,'duplicate figid','y',0\n",
          std::string(kFigures) + "6,1,3,2,'x',NULL,0\n",  // short label is NOT NULL
          "figid,prgid,figposition,figcomplexite,figdescription,figshortdesc,figoption\n" +
              std::string(kFigures),
          std::string(""), std::string("missing")}) {
        if (bad == "missing")
            std::remove(figureFile.c_str());
        else
            writeFile(figureFile, bad);
        const std::string out = dbtest::outputOf(
            [&] { EXPECT_EQ(store->_import_catalogue(programmes, figureFile), -1); });
        EXPECT_NE(out.find("error: catalogue not imported"), std::string::npos) << bad;
        EXPECT_EQ(catalogue(), before) << bad;
    }
    writeFile(figureFile,
              std::string(kFigures) + "5,1,3,2,'" + std::string(700, 'd') + "','Long',1\n");
    EXPECT_EQ(store->_import_catalogue(programmes, figureFile), 1);
    EXPECT_EQ(catalogue(),
              "1SPORTENGSportsman 2024real;2SPORTFRAPilote d'essaireal;3UNL'XENGUnlimitedreal#"
              "1TakeoffTakeoff sequence3integer;2Loop, rollLoop with a \"full\" roll0integer;"
              "3DécollageDécollage3integer;4A description only6null;5Long" +
                  std::string(700, 'd') + "1integer");
}

}  // namespace
