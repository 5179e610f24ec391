// The terminal's local database: settings, schedule catalogue, stored score
// sheets and their unsent queue, interface texts and the sound download.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/fn_note.h"

struct sqlite3;

class RpSqlite {
  public:
    RpSqlite(std::string path, int* rc);
    virtual ~RpSqlite();
    RpSqlite(const RpSqlite&) = delete;
    RpSqlite& operator=(const RpSqlite&) = delete;

    // "OK", or the engine's message when the settings table cannot be queried.
    std::string test_connection();

    // Row callbacks for sqlite3_exec: they ignore the rows.
    static int callback(void* unused, int count, char** values, char** names);
    static int callback_mod(void* unused, int count, char** values, char** names);

    template <typename T>
    static std::string ToString(T value) {
        std::ostringstream out;
        out << value;
        return out.str();
    }

    // Parameter store
    std::string read_param(std::string key);
    int read_param(std::string key, std::string* valeur, std::string* lib, std::string* type);
    std::string get_param_string(std::string key);
    int get_param_int(std::string key);
    bool get_param_bool(std::string key);
    int write_param(std::string key, std::string value);
    int write_param(std::string key, int value);
    int read_nb_params(std::string pattern);
    std::string read_param_n(std::string pattern, int n);
    int read_params(std::string pattern, int first, std::string* cle, std::string* valeur,
                    std::string* lib, std::string* type, int count);

    // Schedule catalogue
    int read_nb_figs(std::string shortname, std::string lang);
    int read_figs(std::string shortname, std::string lang, int first, std::string* figs,
                  std::string* options, int count);
    std::string find_schedule(std::string shortname, std::string lang, bool next);
    bool check_schedule(std::string shortname, std::string lang);
    std::string find_language(std::string lang, bool next);
    int delete_schedules(std::string lang);
    int update_schedules();
    std::string print_schedules();

    // Score sheets and the unsent queue
    int init_scores(std::string shortname, std::string lang, int cmpid, int vol_n, int pil_n);
    int write_notes(std::vector<Note> notes, int cmpid, int vol_n, int juge_n, int pil_n);
    int read_notes(int cmpid, int vol_n, int juge_n, int pil_n);
    bool check_pilot(int cmpid, int vol_n, int juge_n, int pil_n);
    int erase_pilot(int cmpid, int vol_n, int juge_n, int pil_n);
    int truncate_note();
    int write_notsent(int cmpid, int vol_n, int juge_n, int pil_n);
    // The sheet and its queue entry in one transaction, so that no moment
    // leaves a stored sheet that is neither delivered nor queued.
    int write_notes_notsent(std::vector<Note> notes, int cmpid, int vol_n, int juge_n, int pil_n);
    int read_notsent(int* cmpids, int* vols, int* juges, int* pils, int offset, int juge_n);
    int delete_notsent(int cmpid, int vol_n, int juge_n, int pil_n);
    std::string read_notsent_print();

    // Sounds and interface texts
    int download_sound();
    int translation_update(std::string lang, std::vector<std::string>* texts);

    // The sound download with its progress outputs and server given by the caller:
    // show(row, text) for the display, print(line) for the printer.
    using ShowLine = std::function<void(int row, const std::string& text)>;
    using PrintLine = std::function<void(const std::string& line)>;
    int _download_sound(const std::string& server, const ShowLine& show, const PrintLine& print);

    // The catalogue import from two files of SQL value lists (the /boot files by default).
    int _import_catalogue(const std::string& programmeFile, const std::string& figureFile);

    sqlite3* _handle() { return handle; }
    const std::string& _path() const { return dbPath; }

  private:
    // The rows of a sheet, replacing those stored for it; inside a transaction.
    int _replace_sheet(std::vector<Note>& notes, int cmpid, int vol_n, int juge_n, int pil_n);

    std::string dbPath;
    sqlite3* handle = nullptr;
};
