// Stored score sheets and the queue of sheets the server has not received.
#include <iostream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "db/fn_sqlite_stmt.h"

using kvdb::Statement;

namespace {

const char* const kSheet = " WHERE cmpid = ? AND vol_n = ? AND juge_n = ? AND pil_n = ?";

void bindSheet(Statement& stmt, int cmpid, int vol_n, int juge_n, int pil_n) {
    stmt.bind(1, cmpid).bind(2, vol_n).bind(3, juge_n).bind(4, pil_n);
}

std::string groupsOf(size_t count) {
    std::string groups;
    for (size_t i = 0; i < count; ++i) groups += i ? ", (?,?,?,?,?,?,?,?)" : "(?,?,?,?,?,?,?,?)";
    return groups;
}

}  // namespace

int RpSqlite::init_scores(std::string shortname, std::string lang, int cmpid, int vol_n,
                          int pil_n) {
    int figures = read_nb_figs(shortname, lang);
    aNote.clear();
    if (figures > 0) aNote.reserve(figures);
    Statement query(handle,
                    "SELECT CASE WHEN length(`figshortdesc`) = 0 THEN "
                    "             SUBSTR(`figdescription`, 1, 30)"
                    "             ELSE `figshortdesc` "
                    "             END fig,"
                    " figoption FROM zeph_figure F "
                    "WHERE F.prgid = (SELECT prgid FROM zeph_programme P"
                    " WHERE P.prgshortname = ? AND   P.prglang = ?) ORDER BY F.figid");
    if (!query.ok()) return -1;
    query.bind(1, shortname).bind(2, lang);
    int position = 0;
    while (query.next()) {
        std::string label = query.text(0);
        aNote.emplace_back(query.integer(1), cmpid, vol_n, pil_n, position++,
                           CorrectionAccent(&label));
    }
    return position;
}

int RpSqlite::write_notes(std::vector<Note> notes, int cmpid, int vol_n, int juge_n, int pil_n) {
    if (notes.empty()) {
        std::cout << "error: no figure to store" << std::endl;
        return -1;
    }
    // The whole sheet or nothing: figures of an earlier, longer sheet must not survive.
    kvdb::Transaction transaction(handle);
    if (!transaction.ok()) return -1;
    const int stored = _replace_sheet(notes, cmpid, vol_n, juge_n, pil_n);
    if (stored != 1) return stored;
    return transaction.commit() ? 1 : -2;
}

int RpSqlite::write_notes_notsent(std::vector<Note> notes, int cmpid, int vol_n, int juge_n,
                                  int pil_n) {
    if (notes.empty()) {
        std::cout << "error: no figure to store" << std::endl;
        return -1;
    }
    kvdb::Transaction transaction(handle);
    if (!transaction.ok()) return -1;
    int result = _replace_sheet(notes, cmpid, vol_n, juge_n, pil_n);
    if (result == 1) result = write_notsent(cmpid, vol_n, juge_n, pil_n);
    if (result != 1) return result;
    return transaction.commit() ? 1 : -2;
}

int RpSqlite::_replace_sheet(std::vector<Note>& notes, int cmpid, int vol_n, int juge_n,
                             int pil_n) {
    Statement erase(handle, std::string("DELETE FROM note") + kSheet);
    bindSheet(erase, cmpid, vol_n, juge_n, pil_n);
    if (!erase.run()) return -2;
    Statement insert(handle,
                     "REPLACE INTO note (cmpid, vol_n, juge_n, pil_n, fig_n, fig_lib, note,"
                     " note_option) VALUES " +
                         groupsOf(notes.size()));
    if (!insert.ok()) return -1;
    int index = 1;
    for (size_t i = 0; i < notes.size(); ++i) {
        insert.bind(index, cmpid).bind(index + 1, vol_n).bind(index + 2, juge_n);
        insert.bind(index + 3, pil_n).bind(index + 4, static_cast<int>(i));
        insert.bind(index + 5, notes[i].getDesc()).bind(index + 6, notes[i].getValue());
        insert.bind(index + 7, notes[i].getOption());
        index += 8;
    }
    return insert.run() ? 1 : -2;
}

int RpSqlite::read_notes(int cmpid, int vol_n, int juge_n, int pil_n) {
    aNote.clear();
    Statement query(handle, std::string("SELECT note_option, fig_lib, note FROM note") + kSheet +
                                " ORDER BY fig_n");
    if (!query.ok()) return -1;
    bindSheet(query, cmpid, vol_n, juge_n, pil_n);
    int position = 0;
    while (query.next()) {
        aNote.emplace_back(query.integer(0), cmpid, vol_n, pil_n, position++, query.text(1));
        aNote.back().setValue(query.integer(2));
    }
    return 1;
}

bool RpSqlite::check_pilot(int cmpid, int vol_n, int juge_n, int pil_n) {
    Statement query(handle, std::string("SELECT count(*) FROM note") + kSheet);
    if (!query.ok()) return true;
    bindSheet(query, cmpid, vol_n, juge_n, pil_n);
    int count = 0;
    while (query.next()) count = query.integer(0);
    return !query.failed() && count != 0;
}

int RpSqlite::erase_pilot(int cmpid, int vol_n, int juge_n, int pil_n) {
    Statement erase(handle, std::string("DELETE FROM note") + kSheet);
    if (!erase.ok()) return -1;
    bindSheet(erase, cmpid, vol_n, juge_n, pil_n);
    return erase.run() ? 1 : -2;
}

int RpSqlite::truncate_note() {
    // Both tables or neither: a queue entry without its sheet cannot be resent.
    kvdb::Transaction transaction(handle);
    if (!transaction.ok()) return -1;
    Statement notes(handle, "DELETE FROM note;", kvdb::kExecError);
    if (!notes.run()) return -1;
    Statement queue(handle, "DELETE FROM notsent;", kvdb::kExecError);
    if (!queue.run()) return -1;
    return transaction.commit() ? 1 : -1;
}

int RpSqlite::write_notsent(int cmpid, int vol_n, int juge_n, int pil_n) {
    Statement insert(handle, "INSERT INTO notsent (cmpid, vol_n, juge_n, pil_n) VALUES (?,?,?,?);");
    if (!insert.ok()) return -1;
    bindSheet(insert, cmpid, vol_n, juge_n, pil_n);
    return insert.run() ? 1 : -2;
}

int RpSqlite::read_notsent(int* cmpids, int* vols, int* juges, int* pils, int offset, int juge_n) {
    Statement query(handle,
                    "SELECT cmpid, vol_n, juge_n, pil_n FROM notsent WHERE juge_n = ?"
                    " ORDER BY rowid LIMIT 20 OFFSET ?;");
    if (!query.ok()) return -1;
    query.bind(1, juge_n).bind(2, offset);
    int rows = 0;
    while (rows < 20 && query.next()) {
        cmpids[rows] = query.integer(0);
        vols[rows] = query.integer(1);
        juges[rows] = query.integer(2);
        pils[rows] = query.integer(3);
        ++rows;
    }
    return rows;
}

int RpSqlite::delete_notsent(int cmpid, int vol_n, int juge_n, int pil_n) {
    Statement erase(handle, std::string("DELETE FROM notsent") + kSheet + ";", kvdb::kExecError);
    bindSheet(erase, cmpid, vol_n, juge_n, pil_n);
    return erase.run() ? 1 : -1;
}
