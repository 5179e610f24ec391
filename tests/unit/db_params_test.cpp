// Parameter store: lookups, typed getters, writers and the paged listing.
#include "tests/support/db_support.h"

namespace {

using dbtest::DbTest;

class ParamTest : public DbTest {
  protected:
    // Eight keys in key order: KALVENTRIX_A .. KALVENTRIX_H, plus one other family.
    void addEightKeys() {
        for (char c = 'H'; c >= 'A'; --c) {
            std::string key = std::string("KALVENTRIX_") + c;
            addParam(key, std::string("v") + c, std::string("Label ") + c, "4");
        }
        addParam("PELMORIDUX_JUDGE", "3", "Judge", "4");
    }
};

TEST_F(ParamTest, TypedGettersFollowTheStoredText) {
    addParam("KALVENTRIX_WIFI", "1");
    addParam("KALVENTRIX_CJ", "ON");
    addParam("KALVENTRIX_NRT", "0");
    addParam("KALVENTRIX_CLICK", "true");
    addParam("KALVENTRIX_LINE", "2");
    addParam("KALVENTRIX_NbTicket", "abc");
    addParam("KALVENTRIX_1VOL", "85%");
    EXPECT_TRUE(store->get_param_bool("KALVENTRIX_WIFI"));
    EXPECT_FALSE(store->get_param_bool("KALVENTRIX_CJ"));
    EXPECT_FALSE(store->get_param_bool("KALVENTRIX_NRT"));
    EXPECT_FALSE(store->get_param_bool("KALVENTRIX_CLICK"));
    EXPECT_FALSE(store->get_param_bool("KALVENTRIX_MISSING"));
    EXPECT_EQ(store->get_param_int("KALVENTRIX_LINE"), 2);
    EXPECT_EQ(store->get_param_int("KALVENTRIX_NbTicket"), 0);
    EXPECT_EQ(store->get_param_int("KALVENTRIX_1VOL"), 85);
    EXPECT_EQ(store->get_param_int("KALVENTRIX_MISSING"), 0);
    EXPECT_EQ(store->get_param_string("KALVENTRIX_CJ"), "ON");
    EXPECT_EQ(store->get_param_string("KALVENTRIX_MISSING"), "");
}

TEST_F(ParamTest, DuplicatedKeyYieldsTheLastRow) {
    addParam("KALVENTRIX_LANG", "ENG", "first");
    addParam("KALVENTRIX_LANG", "FRA", "second");
    EXPECT_EQ(store->read_param("KALVENTRIX_LANG"), "FRA");
    std::string value, label, type;
    EXPECT_EQ(store->read_param("KALVENTRIX_LANG", &value, &label, &type), 1);
    EXPECT_EQ(label, "second");
}

TEST_F(ParamTest, FourOutputLookupLeavesOutputsAloneForAMissingKey) {
    addParam("KALVENTRIX_SSID", "club", "WiFi name", "1");
    std::string value = "keep", label = "keep", type = "keep";
    EXPECT_EQ(store->read_param("KALVENTRIX_NONE", &value, &label, &type), 1);
    EXPECT_EQ(value + label + type, "keepkeepkeep");
    EXPECT_EQ(store->read_param("KALVENTRIX_SSID", &value, &label, &type), 1);
    EXPECT_EQ(value, "club");
    EXPECT_EQ(label, "WiFi name");
    EXPECT_EQ(type, "1");
}

TEST_F(ParamTest, WritersUpdateOnlyExistingRows) {
    addParam("KALVENTRIX_LINE", "1");
    EXPECT_EQ(store->write_param("KALVENTRIX_LINE", 7), 1);
    EXPECT_EQ(store->read_param("KALVENTRIX_LINE"), "7");
    EXPECT_EQ(value("SELECT typeof(valeur) FROM param WHERE cle = 'KALVENTRIX_LINE'"), "integer");
    EXPECT_EQ(store->write_param("KALVENTRIX_LINE", std::string("12")), 1);
    EXPECT_EQ(value("SELECT typeof(valeur) FROM param WHERE cle = 'KALVENTRIX_LINE'"), "text");
    EXPECT_EQ(store->write_param("KALVENTRIX_ABSENT", std::string("x")), 1);
    EXPECT_EQ(count("SELECT count(*) FROM param"), 1);
}

TEST_F(ParamTest, QuotesInKeysAndValuesAreOrdinaryCharacters) {
    addParam("KALVENTRIX_SSID", "old");
    addParam("KALVENTRIX_O'BRIEN", "x");
    EXPECT_EQ(store->write_param("KALVENTRIX_SSID", std::string("Jo's net' OR '1'='1")), 1);
    EXPECT_EQ(store->read_param("KALVENTRIX_SSID"), "Jo's net' OR '1'='1");
    EXPECT_EQ(store->read_param("KALVENTRIX_O'BRIEN"), "x");
    // A quoted condition in a key must not widen the update to other rows.
    EXPECT_EQ(store->write_param("x' OR '1'='1", std::string("hacked")), 1);
    EXPECT_EQ(count("SELECT count(*) FROM param WHERE valeur = 'hacked'"), 0);
    EXPECT_EQ(store->read_nb_params("O'B"), 1);
}

TEST_F(ParamTest, CountAndNthKeyByPattern) {
    addEightKeys();
    EXPECT_EQ(store->read_nb_params("KALVENTRIX_"), 8);
    EXPECT_EQ(store->read_nb_params("PELMORIDUX_"), 1);
    EXPECT_EQ(store->read_nb_params("kalventrix_"), 8);  // LIKE ignores ASCII case
    EXPECT_EQ(store->read_param_n("KALVENTRIX_", 0), "KALVENTRIX_A");
    EXPECT_EQ(store->read_param_n("KALVENTRIX_", 7), "KALVENTRIX_H");
    EXPECT_EQ(store->read_param_n("KALVENTRIX_", 8), "");
}

TEST_F(ParamTest, PageAtFirstZeroStartsWithABlankSlot) {
    addEightKeys();
    std::string keys[3] = {"x", "x", "x"}, values[3], labels[3], types[3];
    EXPECT_EQ(store->read_params("KALVENTRIX_", 0, keys, values, labels, types, 3), 0);
    EXPECT_EQ(keys[0], "");
    EXPECT_EQ(labels[0], "");
    EXPECT_EQ(keys[1], "KALVENTRIX_A");
    EXPECT_EQ(values[1], "vA");
    EXPECT_EQ(labels[1], "Label A");
    EXPECT_EQ(types[1], "4");
    EXPECT_EQ(keys[2], "KALVENTRIX_B");
}

TEST_F(ParamTest, PageAtFirstFiveHoldsPositionsFourToSix) {
    addEightKeys();
    std::string keys[3], values[3], labels[3], types[3];
    EXPECT_EQ(store->read_params("KALVENTRIX_", 5, keys, values, labels, types, 3), 0);
    EXPECT_EQ(keys[0], "KALVENTRIX_E");
    EXPECT_EQ(keys[1], "KALVENTRIX_F");
    EXPECT_EQ(keys[2], "KALVENTRIX_G");
}

TEST_F(ParamTest, PageEndsAreBlanked) {
    addParam("KALVENTRIX_ONLY", "1");
    std::string keys[3] = {"x", "x", "x"}, values[3], labels[3], types[3] = {"x", "x", "x"};
    EXPECT_EQ(store->read_params("KALVENTRIX_", 0, keys, values, labels, types, 3), 0);
    EXPECT_EQ(keys[1], "KALVENTRIX_ONLY");
    EXPECT_EQ(keys[2], "");
    EXPECT_EQ(types[2], "");
    // The last setting selected: its successor slot is emptied.
    EXPECT_EQ(store->read_params("KALVENTRIX_", 1, keys, values, labels, types, 3), 0);
    EXPECT_EQ(keys[0], "KALVENTRIX_ONLY");
    EXPECT_EQ(keys[2], "");
    // Past the end: nothing stored.
    EXPECT_EQ(store->read_params("KALVENTRIX_", 4, keys, values, labels, types, 3), -2);
}

TEST_F(ParamTest, PageNeverWritesBeyondTheCallersArrays) {
    addEightKeys();
    std::string keys[5] = {"", "", "", "", "guard"}, values[5], labels[5], types[5];
    EXPECT_EQ(store->read_params("KALVENTRIX_", 0, keys, values, labels, types, 2), 0);
    EXPECT_EQ(keys[1], "KALVENTRIX_A");
    EXPECT_EQ(keys[2], "");
    EXPECT_EQ(keys[4], "guard");
    std::string one[1] = {"x"}, v1[1], l1[1], t1[1];
    EXPECT_EQ(store->read_params("KALVENTRIX_", 3, one, v1, l1, t1, 1), 0);
    EXPECT_EQ(one[0], "KALVENTRIX_C");
}

TEST_F(ParamTest, MissingTableReportsTheEngineMessage) {
    exec("DROP TABLE param;");
    store = std::make_unique<RpSqlite>(file, &rc);
    watch();
    EXPECT_EQ(store->test_connection(), "no such table: param");
    EXPECT_EQ(store->read_param("KALVENTRIX_LANG"), "");
    EXPECT_EQ(store->write_param("KALVENTRIX_LANG", std::string("FRA")), -1);
    EXPECT_EQ(store->read_nb_params("KALVENTRIX_"), -1);
    EXPECT_EQ(store->read_param_n("KALVENTRIX_", 0), "-1");
    std::string keys[3] = {"x", "x", "x"}, values[3], labels[3], types[3];
    EXPECT_EQ(store->read_params("KALVENTRIX_", 0, keys, values, labels, types, 3), -1);
    EXPECT_EQ(keys[0], "");
    EXPECT_EQ(keys[1], "x");
    std::string out = output();
    EXPECT_NE(out.find("error: no such table: param\n"), std::string::npos);
    EXPECT_NE(out.find("SQL error : no such table: param\n"), std::string::npos);
}

TEST_F(ParamTest, ConnectionIsOkWithTheTables) {
    EXPECT_EQ(store->test_connection(), "OK");
}

TEST(RpSqliteOpen, ReportsAFileThatCannotBeOpened) {
    ::testing::internal::CaptureStdout();
    int rc = 0;
    RpSqlite store("no-such-folder/kalventrix-db", &rc);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(out.rfind("Can't open database : ", 0), 0u) << out;
    EXPECT_NE(out.find(" return code : 14"), std::string::npos) << out;
}

TEST(RpSqliteOpen, CreatesAMissingFileWithoutTables) {
    std::remove("fresh-db");
    {
        int rc = 0;
        RpSqlite store("fresh-db", &rc);
        EXPECT_EQ(rc, 1);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(store.test_connection(), "no such table: param");
        ::testing::internal::GetCapturedStdout();
    }
    for (const char* name : {"fresh-db", "fresh-db-wal", "fresh-db-shm"}) std::remove(name);
}

TEST(RpSqliteText, NumbersAsAStreamWritesThem) {
    EXPECT_EQ(RpSqlite::ToString<int>(-42), "-42");
    EXPECT_EQ(RpSqlite::ToString<int>(1234567), "1234567");
    EXPECT_EQ(RpSqlite::ToString<int>(0), "0");
}

}  // namespace
