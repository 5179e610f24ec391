// The data the terminal ships with: the database that make-db.sh builds, the
// demo catalogue, the interface texts and the settings rows.
#include <unistd.h>

#include <cstdlib>

#include "app/settings.h"
#include "app/texts.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::sourcePath;

class ShippedData : public ::testing::Test {
  protected:
    // One database per process, as cases may run side by side.
    static void SetUpTestSuite() {
        file = "shipped-" + std::to_string(getpid()) + "/kalventrix-db";
        ASSERT_EQ(std::system((sourcePath("scripts/make-db.sh") + " " + file).c_str()), 0);
    }
    static void TearDownTestSuite() {
        std::system(("rm -rf " + file.substr(0, file.find('/'))).c_str());
    }
    void SetUp() override { store = std::make_unique<RpSqlite>(file, &rc); }
    int count(const std::string& sql) { return std::stoi(dbtest::queryText(file, sql)); }
    void apply(const char* script) {
        ASSERT_EQ(std::system(("sqlite3 " + file + " < " + sourcePath(script)).c_str()), 0);
    }

    static std::string file;
    int rc = 0;
    std::unique_ptr<RpSqlite> store;
};
std::string ShippedData::file;

TEST_F(ShippedData, TablesAndARealisticCatalogueOfEveryScoringKind) {
    EXPECT_EQ(count("SELECT (SELECT count(*) FROM note) + (SELECT count(*) FROM notsent)"), 0);
    EXPECT_EQ(dbtest::queryText(file, "SELECT group_concat(n) FROM (SELECT prglang || count(*)"
                                      " AS n FROM zeph_programme GROUP BY prglang)"),
              "ENG4,FRA4");
    EXPECT_EQ(count("SELECT count(*) FROM (SELECT count(*) AS n FROM zeph_figure GROUP BY prgid)"
                    " WHERE n BETWEEN 10 AND 25"),
              8);
    EXPECT_EQ(count("SELECT count(DISTINCT figoption) || min(figoption) || max(figoption) FROM"
                    " zeph_figure"),
              807);  // every scoring kind, and no other
}

// Widest text that fits where each is shown: a display row but for the
// ticket's lines.
int placeOf(Text text) {
    for (Text ticket : {Text::TicketCompetition, Text::TicketFlight, Text::TicketServerError,
                        Text::TicketSignature, Text::UnsentScores})
        if (text == ticket) return 32;
    return 20;
}

// Every language the judge can pick, the catalogue's.
TEST_F(ShippedData, EveryLanguageHasEveryTextOfTheProgramFittingItsPlace) {
    for (std::string lang = store->find_language("", true), last; lang != last;
         last = lang, lang = store->find_language(lang, true)) {
        std::vector<std::string> texts;
        ASSERT_EQ(store->translation_update(lang, &texts), 1);
        for (Text text : kAllTexts) {
            const int n = static_cast<int>(text);
            EXPECT_EQ(count("SELECT count(*) FROM translation WHERE lang = '" + lang +
                            "' AND text <> '' AND ID = " + std::to_string(n)),
                      1)
                << lang << n;
            ASSERT_LT(n, static_cast<int>(texts.size()));
            EXPECT_LE(static_cast<int>(texts[n].size()), placeOf(text))
                << lang << " '" << texts[n] << "'";
            for (unsigned char c : texts[n]) EXPECT_LT(c, 128) << lang << n;
        }
    }
}

// The rows come from the settings declaration (checked where they are
// written); here what the screens make of them.
TEST_F(ShippedData, SettingsScriptsAndLabelsFitTheList) {
    // The server's default settings keep the flight context.
    ASSERT_EQ(store->write_param("PELMORIDUX_PILOT", 42), 1);
    apply("data/default.sql");
    EXPECT_EQ(store->get_param_int("PELMORIDUX_PILOT"), 42);
    for (const Setting& s : kSettings) {
        std::string value, label, type;
        ASSERT_EQ(store->read_param(s.key, &value, &label, &type), 1);
        EXPECT_LE(label.size(), 17u) << s.key;  // the list shows it after two spaces
    }
    EXPECT_TRUE(store->check_schedule(store->get_param_string(keyOf(SettingId::ContextSchedule)),
                                      store->get_param_string(keyOf(SettingId::Language))));
}

}  // namespace
