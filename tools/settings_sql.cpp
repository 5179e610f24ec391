// Writes the shipped settings scripts from the settings declaration:
//   kv_settings_sql DIR          writes DIR/default.sql and DIR/param.sql
//   kv_settings_sql --check DIR  fails, naming the file, when either differs
// default.sql holds the factory values; param.sql what the reference
// competition server hands out to its terminals.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"

namespace {

struct ServerValue {
    SettingId id;
    const char* value;
};

// Where the server's settings differ from the factory's: the field's WiFi,
// two tickets per flight and no key click.
const ServerValue kServerValues[] = {
    {SettingId::KeyClick, "0"},
    {SettingId::Tickets, "2"},
    {SettingId::WifiName, "F3A-FIELD"},
    {SettingId::WifiPassword, "aerobatics"},
};

const char kFactoryTitle[] = "-- Factory settings of the terminal.\n";
const char kServerTitle[] = "-- Settings the competition server hands out to its terminals.\n";
const char kHowApplied[] =
    "-- Applied with the sqlite3 shell. Every setting row is replaced; the scoring\n"
    "-- context of the main screen is only added where it is missing, so a flight\n"
    "-- in progress keeps its judge, competition, flight, schedule and pilot.\n";

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

bool isContext(const Setting& s) {
    return std::string(s.key).rfind(kContextPrefix, 0) == 0;
}

const char* valueOf(const Setting& s, bool server) {
    if (server)
        for (const ServerValue& v : kServerValues)
            if (v.id == s.id) return v.value;
    return s.factory;
}

std::string row(const Setting& s, bool server) {
    return quoted(s.key) + ", " + quoted(valueOf(s, server)) + ", " + quoted(s.label) + ", " +
           quoted(std::to_string(s.type));
}

// In key order, so that the scripts read like the settings screen's list.
std::vector<const Setting*> sorted(bool context) {
    std::vector<const Setting*> out;
    for (const Setting& s : kSettings)
        if (isContext(s) == context) out.push_back(&s);
    std::sort(out.begin(), out.end(), [](const Setting* a, const Setting* b) {
        return std::string(a->key) < std::string(b->key);
    });
    return out;
}

std::string script(bool server) {
    std::ostringstream out;
    out << (server ? kServerTitle : kFactoryTitle) << kHowApplied << "BEGIN;\n";
    const std::vector<const Setting*> settings = sorted(false);
    out << "DELETE FROM param WHERE cle IN (";
    for (size_t i = 0; i < settings.size(); ++i) out << (i ? ", " : "") << quoted(settings[i]->key);
    out << ");\nINSERT INTO param (cle, valeur, lib, type) VALUES\n";
    for (size_t i = 0; i < settings.size(); ++i)
        out << "  (" << row(*settings[i], server) << ")"
            << (i + 1 < settings.size() ? ",\n" : ";\n");
    for (const Setting* s : sorted(true))
        out << "INSERT INTO param (cle, valeur, lib, type) SELECT " << row(*s, server)
            << " WHERE NOT EXISTS (SELECT 1 FROM param WHERE cle = " << quoted(s->key) << ");\n";
    out << "COMMIT;\n";
    return out.str();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[argc - 1];
    int status = 0;
    for (bool server : {false, true}) {
        const std::string path = dir + (server ? "/param.sql" : "/default.sql");
        const std::string text = script(server);
        if (check && readFile(path) != text) {
            std::fprintf(stderr,
                         "%s differs from the settings declaration (app/settings.h):"
                         " run ninja settings-sql\n",
                         path.c_str());
            status = 1;
        } else if (!check && !writeFile(path, text)) {
            std::fprintf(stderr, "%s: cannot write\n", path.c_str());
            status = 1;
        }
    }
    return status;
}
