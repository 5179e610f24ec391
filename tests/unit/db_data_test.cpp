// The data the terminal ships with: the database that make-db.sh builds, the
// demo catalogue, the interface texts and the settings rows.
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <set>

#include "app/fn_utils.h"
#include "app/settings.h"
#include "app/texts.h"
#include "tests/support/db_support.h"

namespace {

using dbtest::sourcePath;

// Built once for the whole suite.
class ShippedData : public ::testing::Test {
  protected:
    // One file per process: cases may run side by side.
    static void SetUpTestSuite() {
        file = "shipped-" + std::to_string(getpid()) + "/kalventrix-db";
        std::string command = sourcePath("scripts/make-db.sh") + " " + file;
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void TearDownTestSuite() {
        std::system(("rm -rf " + file.substr(0, file.find('/'))).c_str());
    }
    void SetUp() override { store = std::make_unique<RpSqlite>(kFile, &rc); }

    std::string value(const std::string& sql) { return dbtest::queryText(kFile, sql); }
    int count(const std::string& sql) { return std::stoi(value(sql)); }

    static std::string file;
    const std::string kFile = file;
    int rc = 0;
    std::unique_ptr<RpSqlite> store;
};

TEST_F(ShippedData, TablesAreThere) {
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(store->test_connection(), "OK");
    for (const char* table :
         {"param", "note", "notsent", "translation", "zeph_programme", "zeph_figure"}) {
        EXPECT_EQ(count(std::string("SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                                    " AND name = '") +
                        table + "'"),
                  1)
            << table;
    }
    EXPECT_EQ(count("SELECT count(*) FROM note") + count("SELECT count(*) FROM notsent"), 0);
}

TEST_F(ShippedData, CatalogueHasFourRealisticSchedulesPerLanguage) {
    for (const char* lang : {"ENG", "FRA"}) {
        std::string name = store->find_schedule("", lang, true);
        int schedules = 0;
        while (name != "-2" && name != "-1") {
            int figures = store->read_nb_figs(name, lang);
            EXPECT_GE(figures, 10) << lang << "/" << name;
            EXPECT_LE(figures, 25) << lang << "/" << name;
            EXPECT_EQ(store->init_scores(name, lang, 1, 1, 1), figures);
            ++schedules;
            name = store->find_schedule(name, lang, true);
        }
        EXPECT_GE(schedules, 4) << lang;
    }
    EXPECT_EQ(count("SELECT count(*) FROM zeph_programme P WHERE NOT EXISTS"
                    " (SELECT 1 FROM zeph_figure F WHERE F.prgid = P.prgid)"),
              0);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_figure F WHERE NOT EXISTS"
                    " (SELECT 1 FROM zeph_programme P WHERE F.prgid = P.prgid)"),
              0);
}

TEST_F(ShippedData, EveryScoringKindAndNoOther) {
    EXPECT_EQ(count("SELECT count(*) FROM zeph_figure WHERE figoption NOT BETWEEN 0 AND 7"), 0);
    EXPECT_EQ(count("SELECT count(DISTINCT figoption) FROM zeph_figure"), 8);
    EXPECT_GE(count("SELECT count(*) FROM zeph_figure WHERE figshortdesc = ''"
                    " AND length(figdescription) > 30"),
              1);
}

TEST_F(ShippedData, CatalogueFilesImportThroughTheTerminalsImporter) {
    EXPECT_EQ(store->_import_catalogue(sourcePath("data/zeph_programme.csv"),
                                       sourcePath("data/zeph_figure.csv")),
              1);
    EXPECT_EQ(count("SELECT count(*) FROM zeph_programme"), 8);
}

std::string ShippedData::file;

// Widest text that fits where each is shown (default: one display row); the
// pilot dialog's choices reach up to the right border.
int placeOf(Text text) {
    static const std::map<Text, int> places = {
        {Text::HeaderJudge, 6},          {Text::HeaderPilot, 6},
        {Text::AlreadyScored, 18},       {Text::EditJudge, 18},
        {Text::EditCompetition, 18},     {Text::EditFlight, 18},
        {Text::EditSchedule, 18},        {Text::EditPilot, 18},
        {Text::LabelJudge, 5},           {Text::LabelCompetition, 4},
        {Text::LabelFlight, 6},          {Text::LabelSchedule, 9},
        {Text::LabelPilot, 6},           {Text::DownloadsTitle, 18},
        {Text::TicketServerError, 32},   {Text::TicketCompetition, 30},
        {Text::TicketFlight, 30},        {Text::TicketJudge, 18},
        {Text::TicketPilot, 18},         {Text::TicketSignature, 32},
        {Text::ServerLinkOff, 18},       {Text::VolumeTitle, 18},
        {Text::ClearScoresQuestion, 18}, {Text::UnsentScores, 32},
        {Text::StoreSheet, 18},          {Text::BackToScoring, 18},
        {Text::PilotBack, 19},           {Text::PilotErase, 19},
        {Text::PilotReprint, 19}};
    // between the two arrows, after two spaces
    static const std::set<Text> menuEntries = {
        Text::TestDisplay,     Text::TestPrinter,       Text::TestKeypad,     Text::TestEncoder,
        Text::TestSdCard,      Text::TestSound,         Text::TestWifi,       Text::ClearScores,
        Text::ResendQueue,     Text::DownloadCatalogue, Text::ProgramUpdate,  Text::ServerSettings,
        Text::DefaultSettings, Text::SetHostName,       Text::PrintSchedules, Text::Reboot,
        Text::ShortcutsTitle,  Text::RelaunchProgram,   Text::ReprintTicket,  Text::Volume,
        Text::MainScreen};
    if (menuEntries.count(text)) return 17;
    auto it = places.find(text);
    return it == places.end() ? 20 : it->second;
}

TEST_F(ShippedData, EveryLanguageHasEveryTextOfTheProgramAndItFitsItsPlace) {
    std::vector<std::string> languages;
    for (int i = 0;; ++i) {
        const std::string query = "SELECT DISTINCT lang FROM translation ORDER BY lang";
        const std::string lang = value(query + " LIMIT 1 OFFSET " + std::to_string(i));
        if (lang.empty()) break;
        languages.push_back(lang);
    }
    ASSERT_FALSE(languages.empty()) << "no texts shipped";
    for (const std::string& lang : languages) {
        std::vector<std::string> texts;
        ASSERT_EQ(store->translation_update(lang, &texts), 1);
        for (Text text : kAllTexts) {
            const int n = static_cast<int>(text);
            EXPECT_EQ(count("SELECT count(*) FROM translation WHERE lang = '" + lang +
                            "' AND ID = " + std::to_string(n) + " AND text <> ''"),
                      1)
                << lang << " has no text " << n;
            ASSERT_LT(n, static_cast<int>(texts.size()));
            EXPECT_LE(static_cast<int>(texts[n].size()), placeOf(text))
                << lang << " " << n << " '" << texts[n] << "'";
            for (unsigned char c : texts[n]) EXPECT_LT(c, 128) << lang << " " << n;
        }
    }
}

// The pilot dialog prints its choices from column 0, under the left border,
// with the cursor on column 2: each text leaves those three columns blank.
TEST_F(ShippedData, PilotDialogChoicesLeaveRoomForBorderAndCursor) {
    for (const char* lang : {"ENG", "FRA"}) {
        std::vector<std::string> texts;
        ASSERT_EQ(store->translation_update(lang, &texts), 1);
        for (Text choice : {Text::PilotBack, Text::PilotErase, Text::PilotReprint}) {
            const int n = static_cast<int>(choice);
            ASSERT_GT(texts[n].size(), 3u) << lang << " " << n;
            EXPECT_EQ(texts[n].substr(0, 3), "   ") << lang << " " << n;
            EXPECT_NE(texts[n][3], ' ') << lang << " " << n;
        }
    }
}

int settingsDeclared() {
    int declared = 0;
    for (const Setting& s : kSettings)
        declared += std::string(s.key).rfind(kSettingsPrefix, 0) == 0;
    return declared;
}

// A settings value that the settings screen could have made.
void expectEditable(const Setting& s, const std::string& value, RpSqlite& store) {
    const Limits limits = limitsOf(s);
    const auto within = [&limits](int n) { return n >= limits.lowest && n <= limits.highest; };
    switch (s.type) {
        case kParamOnOff:
            EXPECT_TRUE(value == "0" || value == "1") << value;
            break;
        case kParamText:
            EXPECT_LE(value.size(), static_cast<size_t>(kTextWidth)) << value;
            for (unsigned char c : value) EXPECT_TRUE(within(c)) << value;
            break;
        case kParamQuad:
            ASSERT_EQ(value.size(), static_cast<size_t>(kQuadLength)) << value;
            for (int i = 0; i < kQuadCount; ++i)
                EXPECT_TRUE(within(std::stoi(value.substr(4 * i, 3)))) << value;
            break;
        case kParamNumber:
        case kParamVolume:
            EXPECT_TRUE(within(std::stoi(value))) << value;
            break;
        case kParamLanguage:
            EXPECT_TRUE(store.check_schedule("SPORT24", value)) << value;
            break;
        default:
            ADD_FAILURE() << "no editing for type " << s.type;
    }
}

// Every declared setting once in the store, its label fitting the list, its
// value one the settings screen accepts; the context's schedule exists.
void expectShippedSettings(RpSqlite& store, const std::string& file) {
    EXPECT_EQ(store.read_nb_params(kSettingsPrefix), settingsDeclared());
    for (const Setting& s : kSettings) {
        SCOPED_TRACE(s.key);
        EXPECT_EQ(dbtest::queryText(
                      file, std::string("SELECT count(*) FROM param WHERE cle = '") + s.key + "'"),
                  "1");
        std::string value, label, type;
        ASSERT_EQ(store.read_param(s.key, &value, &label, &type), 1);
        EXPECT_LE(label.size(), 17u);  // the list shows it after two spaces
        if (std::string(s.key).rfind(kSettingsPrefix, 0) == 0) expectEditable(s, value, store);
    }
    EXPECT_TRUE(store.check_schedule(store.get_param_string(keyOf(SettingId::ContextSchedule)),
                                     store.get_param_string(keyOf(SettingId::Language))));
}

TEST_F(ShippedData, EverySettingWithLabelTypeAndAValidValue) {
    expectShippedSettings(*store, kFile);
}

TEST_F(ShippedData, SettingsScriptsReplaceSettingsAndKeepTheFlightContext) {
    ASSERT_EQ(store->write_param("PELMORIDUX_PILOT", 42), 1);
    ASSERT_EQ(store->write_param("KALVENTRIX_LANG", std::string("FRA")), 1);
    std::string command = "sqlite3 " + kFile + " < " + sourcePath("data/param.sql");
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(store->get_param_int("PELMORIDUX_PILOT"), 42);
    expectShippedSettings(*store, kFile);
    EXPECT_EQ(store->get_param_string("KALVENTRIX_LANG"), "ENG");
    EXPECT_EQ(count("SELECT count(*) FROM param WHERE cle = 'KALVENTRIX_LANG'"), 1);
    command = "sqlite3 " + kFile + " < " + sourcePath("data/default.sql");
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(store->read_nb_params("KALVENTRIX_"), settingsDeclared());
    EXPECT_EQ(store->get_param_int("PELMORIDUX_PILOT"), 42);
    command = "sqlite3 " + kFile + " < " + sourcePath("data/translation.sql");
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(count("SELECT count(*) FROM translation"), 156);
}

TEST(ShippedSounds, LayoutForEveryLanguageAndSchedule) {
    std::string root = "sounds-" + std::to_string(getpid());
    std::string command = sourcePath("scripts/make-sounds.sh") + " " + root + "/sounds";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* path : {"#ENG/SOUNDS/ES.wav", "#FRA/SOUNDS/F.wav", "#ENG/SOUNDS/7_5.wav",
                             "#FRA/SOUNDS/NO.wav", "#ENG/SOUNDS/10.wav", "#FRA/PGM/MAST24/25.WAV",
                             "#FRA/PGM/MAST24/25L.WAV", "#ENG/PGM/SPORT24/P.WAV"}) {
        std::string wav = dbtest::readFile(root + "/sounds/" + path);
        ASSERT_GT(wav.size(), 44u) << path;
        EXPECT_EQ(wav.substr(0, 4), "RIFF") << path;
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ") << path;
    }
    EXPECT_TRUE(dbtest::readFile(root + "/sounds/#ENG/PGM/SPORT24/14.WAV").empty());
    std::system(("rm -rf " + root).c_str());
}

}  // namespace
