// Settings loader: the globals from the parameter store, with their fallbacks.
#include "app/fn_utils.h"
#include "app/globals.h"
#include "tests/support/db_support.h"
#include "tests/support/program_folder.h"

namespace {

// The loader works on the program's global store; each test empties its tables.
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dbtest::execSql(kv_test::databaseFile(),
                        dbtest::readFile(dbtest::sourcePath("data/schema.sql")) +
                            "DELETE FROM param; DELETE FROM translation;");
        gLang = "XXX";
        gNbTicket = 5;
        gIPServer = "stale";
        gWIFI = gCJ = gNRT = true;
    }
    void set(const std::string& key, const std::string& value) {
        dbtest::execSql(kv_test::databaseFile(),
                        "INSERT INTO param (cle, valeur, lib, type) VALUES ('" + key + "', '" +
                            ReplaceAll(value, "'", "''") + "', 'label', '1');");
    }
};

TEST_F(SettingsTest, EmptyStoreGivesTheFallbacks) {
    UpdateParams();
    EXPECT_EQ(gLang, "ENG");
    EXPECT_EQ(gNbTicket, 1);
    EXPECT_EQ(gIPServer, "");
    EXPECT_FALSE(gWIFI);
    EXPECT_FALSE(gCJ);
    EXPECT_FALSE(gNRT);
    EXPECT_FALSE(gCLICK || gDBLLINE || gLongWav);
    EXPECT_EQ(gJudge, 0);
    EXPECT_EQ(gLine, 0);
}

TEST_F(SettingsTest, StoredValuesReachTheGlobals) {
    set("KALVENTRIX_LANG", "FRA");
    set("KALVENTRIX_NRT", "1");
    set("KALVENTRIX_IPServer", "192.168.004.001");
    set("KALVENTRIX_JUGE", "12");
    set("KALVENTRIX_CLICK", "0");
    set("KALVENTRIX_DBL_LINE", "1");
    set("KALVENTRIX_WIFI", "0");
    set("KALVENTRIX_CJ", "1");
    set("KALVENTRIX_NbTicket", "3");
    set("KALVENTRIX_LINE", "2");
    set("KALVENTRIX_SSID", "field");
    set("KALVENTRIX_PW", "p'w");
    set("KALVENTRIX_LONG_SND", "1");
    UpdateParams();
    EXPECT_EQ(gLang, "FRA");
    EXPECT_TRUE(gNRT && gDBLLINE && gCJ && gLongWav);
    EXPECT_FALSE(gCLICK || gWIFI) << "each flag from its own key";
    EXPECT_EQ(gIPServer, "192.168.004.001");
    EXPECT_EQ(gJudge, 12);
    EXPECT_EQ(gNbTicket, 3);
    EXPECT_EQ(gLine, 2);
    EXPECT_EQ(gSSID, "field");
    EXPECT_EQ(gPW, "p'w");
}

TEST_F(SettingsTest, OnlyOneIsTrueAndBadTicketCountsBecomeOne) {
    set("KALVENTRIX_WIFI", "ON");
    set("KALVENTRIX_CJ", "true");
    set("KALVENTRIX_NRT", "0");
    set("KALVENTRIX_NbTicket", "abc");
    UpdateParams();
    EXPECT_FALSE(gWIFI || gCJ || gNRT);
    EXPECT_EQ(gNbTicket, 1);
    dbtest::execSql(kv_test::databaseFile(),
                    "UPDATE param SET valeur = '0' WHERE cle = 'KALVENTRIX_NbTicket';");
    UpdateParams();
    EXPECT_EQ(gNbTicket, 1);
}

TEST_F(SettingsTest, LanguageLoadsItsTexts) {
    set("KALVENTRIX_LANG", "FRA");
    dbtest::execSql(kv_test::databaseFile(),
                    "INSERT INTO translation (ID, lang, text) VALUES (0, 'ENG', 'Judge'),"
                    " (0, 'FRA', 'Juge');");
    UpdateParams();
    EXPECT_EQ(myTrans.tr(0), "Juge");
    dbtest::execSql(kv_test::databaseFile(), "DELETE FROM param;");
    UpdateParams();
    EXPECT_EQ(myTrans.tr(0), "Judge");
}

}  // namespace
