// The unsent queue as a printed report, in the judge's language.
#include <sqlite3.h>

#include <iostream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "db/fn_sqlite_stmt.h"

using kvdb::Statement;

std::string RpSqlite::read_notsent_print() {
    const std::string sql =
        "SELECT cmpid, vol_n, pil_n FROM notsent GROUP BY cmpid, vol_n, pil_n ORDER BY cmpid, "
        "vol_n, pil_n;";
    std::cout << sql << std::endl;
    Statement query(handle, sql);
    if (!query.ok()) return std::string("error: ") + sqlite3_errmsg(handle) + "\n";
    Translation& texts = myTrans;
    std::string text;
    int previousComp = -1;
    int previousFlight = -1;
    while (query.next()) {
        int comp = query.integer(0);
        int flight = query.integer(1);
        if (comp != previousComp) {
            previousComp = comp;
            previousFlight = -1;  // each competition names its first flight
            text += "\n" + texts.tr(Text::EditCompetition) + " : " + std::to_string(comp) + "\n";
        }
        if (flight != previousFlight) {
            previousFlight = flight;
            text += "    " + texts.tr(Text::EditFlight) + " : " + std::to_string(flight) + "\n";
        }
        text += "        " + texts.tr(Text::TicketPilot) + " : " +
                std::to_string(query.integer(2)) + "\n";
    }
    text += "\n";
    std::cout << text;
    return text;
}
