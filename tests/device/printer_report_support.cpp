#include "tests/device/printer_report_support.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wiringPi.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"

namespace {

// Test cases may run in parallel processes from the same folder: each process
// works in a folder of its own (database, board root, last-ticket files).
// Defined before the database so that it opens there.
struct ProcessFolder {
    ProcessFolder() : path(std::filesystem::current_path() / ("run-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ProcessFolder() {
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};
ProcessFolder processFolder;

}  // namespace

// The program globals the reports and their libraries reach.
int rc = 0;
RpSqlite db("report-test.db", &rc);
Translation myTrans;
Pi_Thermal printer;
std::string mySerialNum;
std::vector<Note> aNote;
std::string gLang = "ENG";
std::string gIPServer;
std::string gHostname;
std::string gSSID;
std::string gPW;
bool gNRT = true, gCLICK = false, gDBLLINE = false, gWIFI = false, gCJ = false, gLongWav = false;
int gNbTicket = 1, gJudge = 0, gLine = 1;

// The keypad and display that the score record and the screen toolkit reach.
namespace {
void noKeyHandler() {}
}  // namespace
std::atomic<bool> bAllowScore{true};
std::atomic<unsigned int> gPowerTime{0};
int old_pos_raw = 0;
RpLcd myLcd;
RpButton myButton_R_C("R_C", 22, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_PLUS("PLUS", 28, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_MINUS("MINUS", 24, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_VALID("VALID", 27, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_REPEAT("REPEAT", 29, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_NO("NO", 25, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_10("10", 11, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_9("9", 10, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_8("8", 6, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_7("7", 3, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_6("6", 4, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_5("5", 0, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_4("4", 14, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_3("3", 21, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_2("2", 13, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_1("1", 12, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_0("0", 7, INT_EDGE_BOTH, noKeyHandler);
RpButton myButton_POWER("POWER", 2, INT_EDGE_FALLING, noKeyHandler);

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
    ASSERT_EQ(sqlite3_open("report-test.db", &handle), SQLITE_OK);
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
