#include "tests/support/printer_report_support.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"
#include "tests/support/program_folder.h"

namespace fs = std::filesystem;

namespace report_test {

namespace {

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS param (cle TEXT PRIMARY KEY, valeur TEXT, lib TEXT, type TEXT)",
    "CREATE TABLE IF NOT EXISTS notsent (cmpid INTEGER, vol_n INTEGER, juge_n INTEGER, "
    "pil_n INTEGER)",
    "CREATE TABLE IF NOT EXISTS note (cmpid INTEGER, vol_n INTEGER, juge_n INTEGER, "
    "pil_n INTEGER, fig_n INTEGER, fig_lib TEXT, note INTEGER, note_option INTEGER, "
    "PRIMARY KEY (cmpid, vol_n, juge_n, pil_n, fig_n))",
    "CREATE TABLE IF NOT EXISTS zeph_programme (prgid INTEGER, prglibelle TEXT, prgshortname "
    "TEXT, prglang TEXT)",
    "CREATE TABLE IF NOT EXISTS zeph_figure (figid INTEGER, prgid INTEGER, figdescription "
    "TEXT, figshortdesc TEXT, figoption INTEGER)",
    "DELETE FROM param",
    "DELETE FROM notsent",
    "DELETE FROM zeph_programme",
    "DELETE FROM zeph_figure",
};

}  // namespace

void ReportBoard::SetUp() {
    root = (fs::current_path() / "board").string();
    fs::remove_all(root);
    for (const char* dir : {"/home/pi/txt", "/var/log/kalventrix", "/.sim/bin", "/proc", "/dev"})
        fs::create_directories(root + dir);

    sim::BoardConfig config = sim::Board::defaultConfig();
    config.root = root;
    config.date = "2025-02-03 14:05:00";
    sim::Board::reset(config);

    for (const char* statement : kSchema) sql(statement);
    myTrans.texts.clear();
    for (int id = 0; id <= 77; ++id) myTrans.texts.push_back("T" + std::to_string(id));
    mySerialNum = "1234";
    gLang = "ENG";

    printer = Pi_Thermal();
    printer.setParam(platform::path("/dev/serial0"), 2.68f, 9600);
    printer.begin(120);
    paper();  // what begin fed
}

std::vector<sim::PaperLine> ReportBoard::paper() {
    return sim::Board::instance().takePaper();
}

std::vector<std::string> ReportBoard::paperText() {
    std::vector<std::string> lines;
    for (const sim::PaperLine& line : paper()) lines.push_back(line.text);
    return lines;
}

void ReportBoard::sql(const std::string& statement) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(kv_test::databaseFile().c_str(), &handle), SQLITE_OK);
    char* error = nullptr;
    const int result = sqlite3_exec(handle, statement.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(handle);
    ASSERT_EQ(result, SQLITE_OK) << statement << ": " << message;
}

void ReportBoard::setParam(const std::string& key, const std::string& value,
                           const std::string& label, const std::string& type) {
    sql("REPLACE INTO param (cle, valeur, lib, type) VALUES ('" + key + "', '" + value + "', '" +
        label + "', '" + type + "')");
}

void ReportBoard::writeFile(const std::string& absolute, const std::string& content) {
    std::ofstream out(root + absolute, std::ios::trunc);
    out << content;
}

void ReportBoard::script(const std::string& name, const std::string& body) {
    const std::string file = "/.sim/bin/" + name;
    writeFile(file, "#!/bin/sh\n" + body);
    chmod((root + file).c_str(), 0755);
}

void ReportBoard::tool(const std::string& name, const std::string& output) {
    script(name, "cat <<'TOOL_OUTPUT_END'\n" + output + "TOOL_OUTPUT_END\n");
}

int find(const std::vector<std::string>& lines, const std::string& text, int from) {
    for (int i = std::max(0, from); i < static_cast<int>(lines.size()); ++i)
        if (lines[i] == text) return i;
    return -1;
}

int count(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), text));
}

}  // namespace report_test
