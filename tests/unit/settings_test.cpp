// Settings loader and the interface text table, on the program's own store.
#include <utility>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "tests/support/db_support.h"
#include "tests/support/program_folder.h"

namespace {

void sql(const std::string& statements) {
    dbtest::execSql(kv_test::databaseFile(), statements);
}

class Loaded : public ::testing::Test {
  protected:
    void SetUp() override {
        sql(dbtest::readFile(dbtest::sourcePath("data/schema.sql")) +
            "DELETE FROM param; DELETE FROM translation;"
            "INSERT INTO translation (ID, lang, text) VALUES (0, 'ENG', 'Judge'), (0, 'FRA',"
            " 'Juge'), (1, 'ENG', 'One'), (3, 'ENG', 'Three'), (1, 'FRA', 'Un'), (4, 'FRA',"
            " 'Pil\tnumérique'), (5, 'GER', 'Fuenf'), (-3, 'FRA', 'neg');");
    }
    // Every loaded global, flags as NRT CLICK DBL_LINE WIFI CJ LONG_SND.
    static std::string globals() {
        std::string flags;
        for (bool flag : {gNRT, gCLICK, gDBLLINE, gWIFI, gCJ, gLongWav}) flags += flag ? '1' : '0';
        return gLang + "|" + gIPServer + "|" + gSSID + "|" + gPW + "|" + std::to_string(gJudge) +
               "|" + std::to_string(gNbTicket) + "|" + std::to_string(gLine) + "|" + flags + "|" +
               myTrans.tr(0);
    }
};

TEST_F(Loaded, GlobalsTakeTheStoredSettingsOrTheirFallbacks) {
    // Stored rows as "KEY=value;" (KALVENTRIX_ left out), and the globals after loading.
    const std::pair<std::string, std::string> rows[] = {
        {"", "ENG||||0|1|0|000000|Judge"},
        {"LANG=FRA;IPServer=192.168.004.001;SSID=field;PW=p'w;JUGE=12;NbTicket=3;LINE=2;WIFI=1;"
         "CJ=1;LONG_SND=1;",
         "FRA|192.168.004.001|field|p'w|12|3|2|000111|Juge"},
        {"CLICK=1;DBL_LINE=1;LONG_SND=1;NbTicket=0;LANG=;", "ENG||||0|1|0|011001|Judge"},
        // Only "1" is on.
        {"NRT=1;DBL_LINE=1;CJ=1;WIFI=ON;CLICK=true;NbTicket=abc;", "ENG||||0|1|0|101010|Judge"},
    };
    for (const auto& [stored, expected] : rows) {
        sql("DELETE FROM param;");
        for (size_t at = 0, end; (end = stored.find(';', at)) != std::string::npos; at = end + 1) {
            const size_t is = stored.find('=', at);
            sql("INSERT INTO param (cle, valeur, lib, type) VALUES ('KALVENTRIX_" +
                stored.substr(at, is - at) + "', '" +
                ReplaceAll(stored.substr(is + 1, end - is - 1), "'", "''") + "', 'label', '1');");
        }
        gLang = gIPServer = "stale";
        gNbTicket = 5;
        gWIFI = gCJ = gNRT = true;
        UpdateParams();
        EXPECT_EQ(globals(), expected);
    }
}

TEST_F(Loaded, TextsInTheLanguageOverEnglishOverPlaceholders) {
    Translation table;
    EXPECT_EQ(table.tr(0) + "|" + table.tr(-1), "?>MAX?|?<0?");
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"FRA", {"Juge", "Un", "??02??", "Three", "Pil numerique"}},
        {"ITA", {"Judge", "One", "??02??", "Three"}},
        {"x') OR 1=1 --", {"Judge", "One", "??02??", "Three"}},
        {"GER", {"Judge", "One", "??02??", "Three", "??04??", "Fuenf"}},
    };
    for (const auto& [lang, texts] : rows) {
        table.update(lang);
        EXPECT_EQ(table.texts, texts) << lang;
        EXPECT_EQ(table.tr(static_cast<int>(texts.size())), "?>MAX?") << lang;
    }
}

}  // namespace
