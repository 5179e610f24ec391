// Interface texts of one language, with English behind it.
#include <cstdio>
#include <cstdlib>

#include "app/fn_utils.h"
#include "db/fn_sqlite.h"
#include "db/fn_sqlite_stmt.h"

using kvdb::Statement;

namespace {

// Puts every text of the query into its numbered place; numbers outside the table are ignored.
void fillTexts(Statement& query, std::vector<std::string>* texts) {
    while (query.next()) {
        int id = query.integer(1);
        if (id < 0 || id >= static_cast<int>(texts->size())) continue;
        std::string text = query.text(0);
        (*texts)[id] = CorrectionAccent(&text);
    }
}

}  // namespace

int RpSqlite::translation_update(std::string lang, std::vector<std::string>* texts) {
    texts->clear();
    Statement highest(handle, "SELECT max(ID) FROM translation WHERE lang IN (?,'ENG')");
    if (!highest.ok()) return -1;
    highest.bind(1, lang);
    int last = -1;
    while (highest.next()) {
        if (!highest.text(0).empty()) last = highest.integer(0);
    }
    for (int n = 0; n <= last; ++n) {
        char placeholder[24];
        std::snprintf(placeholder, sizeof placeholder, "??%02d??", n);
        texts->push_back(placeholder);
    }
    Statement english(handle, "SELECT text, ID FROM translation WHERE lang = 'ENG';");
    if (!english.ok()) return -1;
    fillTexts(english, texts);
    Statement own(handle, "SELECT text, ID FROM translation WHERE lang = ?;");
    if (!own.ok()) return -1;
    own.bind(1, lang);
    fillTexts(own, texts);
    return 1;
}
