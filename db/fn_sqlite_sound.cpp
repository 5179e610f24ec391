// Download of every schedule's figure sounds. Each language's sounds are
// fetched into a staging folder and swapped in afterwards, so a download that
// brings nothing never leaves the terminal without its old sounds.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/fn_utils_text.h"
#include "db/fn_sqlite.h"
#include "db/fn_sqlite_stmt.h"
#include "platform/platform.h"

using kvdb::Statement;
namespace fs = std::filesystem;

namespace {

// A language or schedule name becomes a folder name: it must stay one folder.
bool isSafeFolderName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    for (unsigned char c : name) {
        if (c == '/' || c < 32 || c == 127) return false;
    }
    return true;
}

bool hasFiles(const fs::path& folder) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    return !error && it != fs::directory_iterator();
}

class SoundDownload {
  public:
    SoundDownload(const std::string& server, const RpSqlite::ShowLine& show,
                  const RpSqlite::PrintLine& print)
        : server(server),
          show(show),
          print(print),
          soundsRoot(platform::path("/home/pi/sounds")),
          curlLog(platform::path("/home/pi/logCurl.txt"), std::ios::trunc) {}

    ~SoundDownload() { finishLanguage(); }

    void schedule(const std::string& lang, const std::string& shortname, int figures) {
        if (lang != language) startLanguage(lang);
        show(2, shortname);
        char line[64];
        std::snprintf(line, sizeof line, "      Nb : %d\n", figures);
        scheduleLog += std::string(14, ' ') + shortname + line;
        if (!languageSafe || !isSafeFolderName(shortname)) {
            std::cout << "error: unsafe schedule name " << lang << "/" << shortname << std::endl;
        } else if (!fetch(shortname, figures)) {
            failed.push_back(shortname);
        }
        print(lang + "/" + shortname);
    }

    const std::string& log() const { return scheduleLog; }

  private:
    std::string languageFolder() const { return soundsRoot + "/#" + language; }
    std::string stagingFolder() const { return languageFolder() + "/PGM.new"; }

    void startLanguage(const std::string& lang) {
        finishLanguage();
        language = lang;
        languageSafe = isSafeFolderName(lang);
        failed.clear();
        show(1, lang);
        scheduleLog += "Language : " + lang + "\n";
        if (languageSafe) runLogged("rm -fr " + shellQuoted(stagingFolder()));
    }

    bool fetch(const std::string& shortname, int figures) {
        std::string folder = stagingFolder() + "/" + shortname;
        platform::shell("mkdir -p " + shellQuoted(folder));
        std::string base = server + "/SD-Template/%23" + urlEncode(language) + "/PGM/" +
                           urlEncode(shortname) + "/";
        std::string range =
            "[01-" + (figures < 10 ? "0" + std::to_string(figures) : std::to_string(figures)) + "]";
        std::string command = "cd " + shellQuoted(folder) + " && curl -f --remote-name-all " +
                              shellQuoted(base + range + ".WAV") + " " +
                              shellQuoted(base + range + "L.WAV") + " " +
                              shellQuoted(base + "P.WAV") + " > /dev/null 2>&1";
        std::cout << command << std::endl;
        platform::shell(command);
        if (hasFiles(folder)) return true;
        std::error_code error;
        fs::remove_all(folder, error);
        return false;
    }

    // Schedules whose download brought nothing keep their old folder; then the
    // staging folder replaces the language's sounds.
    void finishLanguage() {
        if (language.empty() || !languageSafe) return;
        std::string current = languageFolder() + "/PGM";
        std::error_code error;
        fs::create_directories(stagingFolder(), error);
        for (const std::string& shortname : failed) {
            fs::path old = current + "/" + shortname;
            if (fs::exists(old, error)) fs::rename(old, stagingFolder() + "/" + shortname, error);
        }
        runLogged("rm -fr " + shellQuoted(current));
        fs::rename(stagingFolder(), current, error);
        if (error) std::cout << "error: " << current << ": " << error.message() << std::endl;
        language.clear();
    }

    void runLogged(const std::string& command) {
        int status = platform::shell(command);
        if (status != 0) curlLog << command << "\nret : " << status << "\n";
    }

    std::string server;
    const RpSqlite::ShowLine& show;
    const RpSqlite::PrintLine& print;
    std::string soundsRoot;
    std::ofstream curlLog;
    std::string language;
    bool languageSafe = false;
    std::vector<std::string> failed;
    std::string scheduleLog;
};

}  // namespace

int RpSqlite::_download_sound(const std::string& server, const ShowLine& show,
                              const PrintLine& print) {
    Statement query(handle,
                    "SELECT prglang, prgshortname, count(figid) from zeph_programme P INNER JOIN "
                    "zeph_figure F ON P.prgid = F.prgid GROUP BY P.prgid  ORDER BY P.prglang, "
                    "P.prgshortname;");
    if (!query.ok()) return -1;
    std::string scheduleLog;
    {
        SoundDownload download(server, show, print);
        while (query.next()) download.schedule(query.text(0), query.text(1), query.integer(2));
        scheduleLog = download.log();
    }
    std::FILE* file = std::fopen(platform::path("/home/pi/logSchedules.txt").c_str(), "w");
    if (file) {
        std::fputs(scheduleLog.c_str(), file);
        std::fclose(file);
    }
    return 1;
}
