#include "bench/support/board_fixture.h"

#include <sqlite3.h>
#include <wiringPi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"

namespace kv_test {

namespace {
int gWatchdogGeneration = 0;
}  // namespace

sim::Board& board() {
    return sim::Board::instance();
}

sim::Micros atMillis(unsigned int ms) {
    return board().clock().now() + sim::Micros(ms) * 1000;
}

void press(const std::string& key, unsigned int atMs, unsigned int holdMs) {
    board().keyDown(atMillis(atMs), key);
    board().keyUp(atMillis(atMs + holdMs), key);
}

void turn(int detents, unsigned int atMs, unsigned int msPerDetent) {
    const int count = detents < 0 ? -detents : detents;
    for (int i = 0; i < count; ++i)
        board().detent(atMillis(atMs + i * msPerDetent), detents > 0,
                       sim::Micros(msPerDetent) * 1000 / 2);
}

void waitMillis(unsigned int ms) {
    delay(ms);
}

std::string glassRow(int row) {
    const sim::Glass glass = board().glass();
    std::string text;
    for (std::uint8_t cell : glass.cells[row]) text += cell < 8 ? '#' : static_cast<char>(cell);
    return text;
}

void captureGlassAt(unsigned int atMs, std::vector<std::string>* rows) {
    board().clock().scheduleAt(atMillis(atMs), [rows] {
        rows->clear();
        for (int row = 0; row < 4; ++row) rows->push_back(glassRow(row));
    });
}

std::size_t shellCount() {
    return board().shellLog().size();
}

std::vector<std::string> shellSince(std::size_t from) {
    std::vector<std::string> commands;
    const std::vector<sim::ShellRecord> log = board().shellLog();
    for (std::size_t i = from; i < log.size(); ++i) commands.push_back(log[i].command);
    return commands;
}

std::vector<unsigned long long> shellTimesSince(std::size_t from, const std::string& text) {
    std::vector<unsigned long long> times;
    const std::vector<sim::ShellRecord> log = board().shellLog();
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].command.find(text) != std::string::npos)
            times.push_back(static_cast<unsigned long long>(log[i].at));
    return times;
}

std::vector<std::string> paperLines() {
    std::vector<std::string> lines;
    for (const sim::PaperLine& line : board().takePaper()) lines.push_back(line.text);
    return lines;
}

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return countContaining(lines, text) > 0;
}

int countContaining(const std::vector<std::string>& lines, const std::string& text) {
    int count = 0;
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) ++count;
    return count;
}

void exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db._handle(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "SQL failed: " << sql.substr(0, 200) << ": " << (error ? error : "");
        sqlite3_free(error);
    }
}

int sqlInt(const std::string& query) {
    sqlite3_stmt* statement = nullptr;
    int result = -999;
    if (sqlite3_prepare_v2(db._handle(), query.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        result = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return result;
}

void setParam(const std::string& key, const std::string& value, const std::string& label,
              const std::string& type) {
    exec("DELETE FROM param WHERE cle = '" + key + "';");
    exec("INSERT INTO param VALUES ('" + key + "', '" + value + "', '" + label + "', '" + type +
         "');");
}

void setUpDevicesOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    myLcd.setParam(9, 8, 0x27, 4, 20);
    printer.setParam("/dev/serial0", 2.68, 19200);
    printer.begin(120);
}

void installStubTools() {
    namespace fs = std::filesystem;
    const fs::path bin = platform::path("/.sim/bin");
    fs::create_directories(bin);
    fs::copy(fs::path(KALVENTRIX_SOURCE_DIR) / "sim" / "stubs", bin,
             fs::copy_options::overwrite_existing | fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(bin))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
    for (const char* folder :
         {"/home/pi/txt", "/boot", "/var/log/kalventrix", "/etc/wpa_supplicant"})
        fs::create_directories(platform::path(folder));
}

void useJudgingContext() {
    gLang = "ENG";
    gDate = "2025-06-15 10:00:00";
    gSchedule = "F25";
    gJudge = 4;
    gComp = 3;
    gFlight = 2;
    gPilot = 12;
    gLine = 1;
    gNRT = false;
    gWIFI = true;
    gCJ = false;
    gLongWav = false;
    startupComplete = true;
    gAddr = 0x27;
    bAllowScore = true;
}

void armWatchdog(unsigned int ms) {
    const int generation = ++gWatchdogGeneration;
    board().clock().scheduleAt(atMillis(ms), [generation, ms] {
        if (generation != gWatchdogGeneration) return;
        std::fprintf(stderr, "screen still waiting for keys after %u ms\n", ms);
        std::_Exit(3);
    });
}

void disarmWatchdog() {
    ++gWatchdogGeneration;
}

}  // namespace kv_test
