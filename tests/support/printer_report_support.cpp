#include "tests/support/printer_report_support.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"
#include "tests/support/db_support.h"
#include "tests/support/files.h"
#include "tests/support/program_folder.h"

namespace report_test {

void ReportBoard::SetUp() {
    root = (std::filesystem::current_path() / "board").string();
    std::filesystem::remove_all(root);
    for (const char* dir : {"/home/pi/txt", "/var/log/kalventrix", "/.sim/bin", "/proc", "/dev"})
        std::filesystem::create_directories(root + dir);
    sim::BoardConfig config = sim::Board::defaultConfig();
    config.root = root;
    config.date = "2025-02-03 14:05:00";
    sim::Board::reset(config);
    sql(kv_test::readFile(kv_test::sourcePath("data/schema.sql")) +
        "DELETE FROM param; DELETE FROM notsent; DELETE FROM zeph_programme; DELETE FROM "
        "zeph_figure;");
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

void ReportBoard::sql(const std::string& statements) {
    dbtest::execSql(kv_test::databaseFile(), statements);
}

void ReportBoard::setParam(const std::string& key, const std::string& value,
                           const std::string& label, const std::string& type) {
    sql("DELETE FROM param WHERE cle = '" + key + "'; INSERT INTO param VALUES ('" + key + "', '" +
        value + "', '" + label + "', '" + type + "')");
}

void ReportBoard::writeFile(const std::string& absolute, const std::string& content) {
    kv_test::writeFile(root + absolute, content);
}

void ReportBoard::script(const std::string& name, const std::string& body) {
    writeFile("/.sim/bin/" + name, "#!/bin/sh\n" + body);
    chmod((root + "/.sim/bin/" + name).c_str(), 0755);
}

}  // namespace report_test
