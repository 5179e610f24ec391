// Schedule catalogue: lookups, listing and the import of the two catalogue files.
#include <sqlite3.h>

#include <iostream>

#include "db/fn_sqlite.h"
#include "db/fn_sqlite_import.h"
#include "db/fn_sqlite_stmt.h"
#include "platform/platform.h"

using kvdb::SqlValue;
using kvdb::Statement;

namespace {

// Storage order of the figures is their figid order; the join alone does not promise it.
const char* const kFigureLabel =
    "SELECT CASE WHEN length(`figshortdesc`) = 0 THEN "
    "             SUBSTR(`figdescription`, 1, 30)"
    "             ELSE `figshortdesc` "
    "             END fig,";

const char* const kProgrammeInsert =
    "INSERT INTO zeph_programme (prgid, prglibelle, prgshortname, prglang, typeid, catid,"
    " duration, promothreshold1, promothreshold2, promoflightsmax, promoflights,"
    " promoflightsmin, promoversion) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)";
const int kProgrammeColumns = 13;

const char* const kFigureInsert =
    "INSERT INTO zeph_figure (figid, prgid, figposition, figcomplexite, figdescription,"
    " figshortdesc, figoption) VALUES (?,?,?,?,?,?,?)";
const int kFigureColumns = 7;

void bindValue(Statement& stmt, int index, const SqlValue& value) {
    switch (value.kind) {
        case SqlValue::Null:
            stmt.bindNull(index);
            break;
        case SqlValue::Integer:
            stmt.bind(index, value.integer);
            break;
        case SqlValue::Real:
            stmt.bind(index, value.real);
            break;
        case SqlValue::Text:
            stmt.bind(index, value.text);
            break;
    }
}

// Inserts every row of one file; reports and stops at the first bad row.
bool insertRows(sqlite3* handle, const char* sql, size_t columns, const std::string& file,
                const std::vector<std::vector<SqlValue>>& rows) {
    Statement insert(handle, sql);
    if (!insert.ok()) return false;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].size() != columns) {
            std::cout << "error: " << file << " row " << r + 1 << ": " << rows[r].size()
                      << " values instead of " << columns << std::endl;
            return false;
        }
        insert.reset();
        for (size_t c = 0; c < columns; ++c) bindValue(insert, static_cast<int>(c + 1), rows[r][c]);
        if (!insert.run()) {
            std::cout << "error: " << file << " row " << r + 1 << " refused" << std::endl;
            return false;
        }
    }
    return true;
}

bool readCatalogueFile(const std::string& file, std::vector<std::vector<SqlValue>>* rows) {
    std::string error;
    if (!kvdb::readValueFile(file, rows, &error)) {
        std::cout << "error: " << error << std::endl;
        return false;
    }
    if (rows->empty()) {
        std::cout << "error: " << file << " holds no row" << std::endl;
        return false;
    }
    return true;
}

}  // namespace

int RpSqlite::read_nb_figs(std::string shortname, std::string lang) {
    Statement query(handle,
                    "SELECT count(figid) FROM zeph_figure F INNER JOIN zeph_programme P ON "
                    "F.prgid = P.prgid WHERE P.prgshortname = ? AND P.prglang = ?;");
    if (!query.ok()) return -1;
    query.bind(1, shortname).bind(2, lang);
    int count = 0;
    while (query.next()) count = query.columnInt(0);
    return count;
}

int RpSqlite::read_figs(std::string shortname, std::string lang, int first, std::string* figs,
                        std::string* options, int count) {
    int slot = 0;
    if (first == 0) {
        figs[0] = options[0] = "";
        slot = 1;
    }
    Statement query(handle, std::string(kFigureLabel) +
                                " figoption FROM zeph_figure F"
                                " INNER JOIN zeph_programme P ON F.prgid = P.prgid"
                                " WHERE P.prgshortname = ? AND P.prglang = ?"
                                " ORDER BY F.figid LIMIT ?,?");
    if (!query.ok()) return -1;
    query.bind(1, shortname).bind(2, lang).bind(3, first > 0 ? first - 1 : 0).bind(4, count);
    bool stored = false;
    while (slot < count && query.next()) {
        figs[slot] = query.text(0);
        options[slot] = query.text(1);
        ++slot;
        stored = true;
    }
    if (slot < 3 && count > 2) figs[2] = options[2] = "";
    return (stored && !query.failed()) ? 1 : -2;
}

std::string RpSqlite::find_schedule(std::string shortname, std::string lang, bool next) {
    Statement query(handle, next ? "SELECT prgshortname FROM zeph_programme WHERE prglang = ?"
                                   " AND prgshortname > ? ORDER BY prgshortname LIMIT 1"
                                 : "SELECT prgshortname FROM zeph_programme WHERE prglang = ?"
                                   " AND prgshortname < ? ORDER BY prgshortname DESC LIMIT 1");
    if (!query.ok()) return "-1";
    query.bind(1, lang).bind(2, shortname);
    std::string found = "-2";
    while (query.next()) found = query.text(0);
    return query.failed() ? "-2" : found;
}

bool RpSqlite::check_schedule(std::string shortname, std::string lang) {
    Statement query(handle,
                    "SELECT count(*) FROM zeph_programme WHERE prgshortname =  ? AND prglang = ?");
    if (!query.ok()) return true;
    query.bind(1, shortname).bind(2, lang);
    int count = 0;
    while (query.next()) count = query.integer(0);
    return !query.failed() && count != 0;
}

std::string RpSqlite::find_language(std::string lang, bool next) {
    Statement query(handle, next ? "SELECT prglang FROM zeph_programme WHERE prglang > ?"
                                   " GROUP BY prglang ORDER BY prglang ASC limit 1;"
                                 : "SELECT prglang FROM zeph_programme WHERE prglang < ?"
                                   " GROUP BY prglang ORDER BY prglang DESC limit 1;");
    if (!query.ok()) return "-1";
    query.bind(1, lang);
    std::string found = "ZZZ";
    while (query.next()) found = query.text(0);
    return found == "ZZZ" ? lang : found;
}

int RpSqlite::delete_schedules(std::string lang) {
    kvdb::Transaction transaction(handle);
    if (!transaction.ok()) return -1;
    Statement figures(handle,
                      "DELETE FROM zeph_figure WHERE prgid in (SELECT prgid FROM zeph_programme"
                      " WHERE prglang = ?);",
                      kvdb::kExecError);
    if (!figures.bind(1, lang).run()) return -1;
    Statement schedules(handle, "DELETE FROM zeph_programme WHERE prglang = ?;", kvdb::kExecError);
    if (!schedules.bind(1, lang).run()) return -1;
    return transaction.commit() ? 1 : -1;
}

int RpSqlite::update_schedules() {
    _import_catalogue(platform::path("/boot/zeph_programme.csv"),
                      platform::path("/boot/zeph_figure.csv"));
    return 0;
}

int RpSqlite::_import_catalogue(const std::string& programmeFile, const std::string& figureFile) {
    std::vector<std::vector<SqlValue>> programmes;
    std::vector<std::vector<SqlValue>> figures;
    if (!readCatalogueFile(programmeFile, &programmes) ||
        !readCatalogueFile(figureFile, &figures)) {
        std::cout << "error: catalogue not imported, the previous one is kept" << std::endl;
        return -1;
    }
    kvdb::Transaction transaction(handle);
    bool done =
        transaction.ok() &&
        sqlite3_exec(handle, "DELETE FROM zeph_programme; DELETE FROM zeph_figure;", callback,
                     nullptr, nullptr) == SQLITE_OK &&
        insertRows(handle, kProgrammeInsert, kProgrammeColumns, programmeFile, programmes) &&
        insertRows(handle, kFigureInsert, kFigureColumns, figureFile, figures) &&
        transaction.commit();
    if (!done) {
        std::cout << "error: catalogue not imported, the previous one is kept" << std::endl;
        return -1;
    }
    return 1;
}

std::string RpSqlite::print_schedules() {
    Statement query(handle,
                    "SELECT prglang, prgshortname, count(figid) from zeph_programme P INNER JOIN "
                    "zeph_figure F ON P.prgid = F.prgid GROUP BY P.prgid  ORDER BY P.prglang, "
                    "P.prgshortname;");
    if (!query.ok()) return sqlite3_errmsg(handle);
    std::string text;
    std::string previousLanguage;
    while (query.next()) {
        std::string language = query.text(0);
        if (language != previousLanguage) {
            previousLanguage = language;
            text += "\n" + language + "\n";
        }
        std::string name = query.text(1);
        name.resize(8, ' ');
        text += "    " + name + "      (" + query.text(2) + ")\n";
    }
    return text;
}
