// Parameter store: lookups, typed getters, writers and the paged listing.
#include "tests/support/db_support.h"

namespace {

class Params : public dbtest::DbTest {
  protected:
    // KALVENTRIX_A .. KALVENTRIX_H stored out of key order, and one other family.
    void addEightKeys() {
        for (char c = 'H'; c >= 'A'; --c)
            exec(std::string("INSERT INTO param VALUES ('KALVENTRIX_") + c + "', 'v" + c +
                 "', 'Label " + c + "', '4');");
        exec("INSERT INTO param VALUES ('PELMORIDUX_JUDGE', '3', 'Judge', '4');");
    }
    // The slots of a page of `count` as "key=value/label/type" joined by "|", then
    // the result; a slot written past the caller's `count` is told.
    std::string page(int first, int count) {
        std::vector<std::string> keys(count + 1, "x"), values(count + 1), labels(count + 1),
            types(count + 1);
        const int result = store->read_params("KALVENTRIX_", first, keys.data(), values.data(),
                                              labels.data(), types.data(), count);
        std::string text;
        for (int i = 0; i < count; ++i)
            text += keys[i] +
                    (values[i].empty() ? "" : "=" + values[i] + "/" + labels[i] + "/" + types[i]) +
                    "|";
        return text + std::to_string(result) + (keys[count] == "x" ? "" : " past the end");
    }
};

TEST_F(Params, LookupsAndTypedGettersReadTheStoredText) {
    exec(
        "INSERT INTO param VALUES ('KALVENTRIX_WIFI', '1', 'l', '3'), ('KALVENTRIX_CJ', 'ON', 'l', "
        "'3'),"
        " ('KALVENTRIX_NRT', '0', 'l', '3'), ('KALVENTRIX_1VOL', '85%', 'l', '6'),"
        " ('KALVENTRIX_LANG', 'ENG', 'first', '7'), ('KALVENTRIX_LANG', 'FRA', 'second', '7'),"
        " ('KALVENTRIX_NbTicket', 'abc', 'l', '4');");
    const struct {
        const char* key;
        const char* text;
        int number;
        bool flag;
    } rows[] = {{"KALVENTRIX_WIFI", "1", 1, true},    {"KALVENTRIX_CJ", "ON", 0, false},
                {"KALVENTRIX_NRT", "0", 0, false},    {"KALVENTRIX_1VOL", "85%", 85, false},
                {"KALVENTRIX_LANG", "FRA", 0, false}, {"KALVENTRIX_NbTicket", "abc", 0, false},
                {"KALVENTRIX_MISSING", "", 0, false}, {"x' OR '1'='1", "", 0, false}};
    for (const auto& row : rows) {
        EXPECT_EQ(store->get_param_string(row.key), row.text) << row.key;
        EXPECT_EQ(store->get_param_int(row.key), row.number) << row.key;
        EXPECT_EQ(store->get_param_bool(row.key), row.flag) << row.key;
    }
    std::string value = "keep", label = "keep", type = "keep";
    EXPECT_EQ(store->read_param("KALVENTRIX_NONE", &value, &label, &type), 1);
    EXPECT_EQ(value + label + type, "keepkeepkeep");
    EXPECT_EQ(store->read_param("KALVENTRIX_LANG", &value, &label, &type), 1);
    EXPECT_EQ(value + label + type, "FRAsecond7") << "the last row wins";
}

TEST_F(Params, WritersUpdateOnlyTheRowOfTheirKey) {
    exec(
        "INSERT INTO param VALUES ('KALVENTRIX_LINE', '1', 'l', '4'), ('KALVENTRIX_O''B', 'x', "
        "'l', '1');");
    EXPECT_EQ(store->write_param("KALVENTRIX_LINE", 7), 1);
    EXPECT_EQ(store->read_param("KALVENTRIX_LINE"), "7");
    EXPECT_EQ(count("SELECT count(*) FROM param WHERE typeof(valeur) = 'integer'"), 1);
    EXPECT_EQ(store->write_param("KALVENTRIX_O'B", std::string("Jo's net' OR '1'='1")), 1);
    EXPECT_EQ(store->read_param("KALVENTRIX_O'B"), "Jo's net' OR '1'='1");
    EXPECT_EQ(store->write_param("x' OR '1'='1", std::string("hacked")), 1);
    EXPECT_EQ(store->write_param("KALVENTRIX_ABSENT", 3), 1);
    EXPECT_EQ(count("SELECT count(*) FROM param"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM param WHERE valeur IN ('hacked', 3)"), 0);
}

TEST_F(Params, ListingsFollowKeyOrderWithinThePattern) {
    addEightKeys();
    EXPECT_EQ(store->read_nb_params("KALVENTRIX_"), 8);
    EXPECT_EQ(store->read_param_n("KALVENTRIX_", 0), "KALVENTRIX_A");
    EXPECT_EQ(store->read_param_n("KALVENTRIX_", 8), "");
    // The settings screen asks for the selected key with its neighbours, the report for all.
    EXPECT_EQ(page(0, 3), "|KALVENTRIX_A=vA/Label A/4|KALVENTRIX_B=vB/Label B/4|0");
    EXPECT_EQ(page(5, 3),
              "KALVENTRIX_E=vE/Label E/4|KALVENTRIX_F=vF/Label F/4|"
              "KALVENTRIX_G=vG/Label G/4|0");
    EXPECT_EQ(page(7, 3), "KALVENTRIX_G=vG/Label G/4|KALVENTRIX_H=vH/Label H/4||0")
        << "no successor: slot 2 emptied";
    EXPECT_EQ(page(9, 3), "x|x||-2");
    exec("DELETE FROM param WHERE cle > 'KALVENTRIX_A';");
    EXPECT_EQ(page(0, 3), "|KALVENTRIX_A=vA/Label A/4||0");
}

}  // namespace
