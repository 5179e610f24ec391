// The program's globals for the service screen tests, the scripted resend
// link, and the board helpers of service_support.h.
#include "tests/unit/service_support.h"

#include <sqlite3.h>
#include <wiringPi.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"

#define KV_ISR(name) void myISR_##name();
KV_ISR(R_C)
KV_ISR(PLUS)
KV_ISR(MINUS)
KV_ISR(VALID)
KV_ISR(REPEAT)
KV_ISR(NO)
KV_ISR(10)
KV_ISR(9)
KV_ISR(8)
KV_ISR(7)
KV_ISR(6)
KV_ISR(5)
KV_ISR(4)
KV_ISR(3)
KV_ISR(2)
KV_ISR(1)
KV_ISR(0)
KV_ISR(POWER)
void myISR_ENCODER();

// Each test process works in a folder of its own, made before the globals
// below open their files: the cases of this executable run in parallel.
struct ProcessFolder {
    std::filesystem::path path;
    ProcessFolder() : path(std::filesystem::current_path() / ("run-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ProcessFolder() {
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};
ProcessFolder processFolder;

std::string gLang = "ENG";
bool gNRT = false;
std::string gIPServer;
bool gCLICK = false;
bool gDBLLINE = false;
bool gWIFI = true;
bool gCJ = false;
int gNbTicket = 1;
std::string gSSID;
std::string gPW;
bool gLongWav = false;
int gJudge = 4;
int gComp = 3;
int gFlight = 2;
int gPilot = 12;
std::string gSchedule = "F25";
int gLine = 1;
std::atomic<bool> startupComplete{true};
int gAddr = 0x27;
std::string gHostname;
std::string mySerialNum = "0042";
bool gDBLCLICK = false;
std::string gDate = "2025-06-15 10:00:00";
int rc = 0;
int num_screen = 2;
std::atomic<bool> bAllowScore{true};
std::atomic<unsigned int> gPowerTime{0};
int old_pos_raw = 0;
std::vector<Note> aNote;

RpButton myButton_R_C("R_C", 22, INT_EDGE_BOTH, myISR_R_C);
RpButton myButton_PLUS("PLUS", 28, INT_EDGE_BOTH, myISR_PLUS);
RpButton myButton_MINUS("MINUS", 24, INT_EDGE_BOTH, myISR_MINUS);
RpButton myButton_VALID("VALID", 27, INT_EDGE_BOTH, myISR_VALID);
RpButton myButton_REPEAT("REPEAT", 29, INT_EDGE_BOTH, myISR_REPEAT);
RpButton myButton_NO("NO", 25, INT_EDGE_BOTH, myISR_NO);
RpButton myButton_10("10", 11, INT_EDGE_BOTH, myISR_10);
RpButton myButton_9("9", 10, INT_EDGE_BOTH, myISR_9);
RpButton myButton_8("8", 6, INT_EDGE_BOTH, myISR_8);
RpButton myButton_7("7", 3, INT_EDGE_BOTH, myISR_7);
RpButton myButton_6("6", 4, INT_EDGE_BOTH, myISR_6);
RpButton myButton_5("5", 0, INT_EDGE_BOTH, myISR_5);
RpButton myButton_4("4", 14, INT_EDGE_BOTH, myISR_4);
RpButton myButton_3("3", 21, INT_EDGE_BOTH, myISR_3);
RpButton myButton_2("2", 13, INT_EDGE_BOTH, myISR_2);
RpButton myButton_1("1", 12, INT_EDGE_BOTH, myISR_1);
RpButton myButton_0("0", 7, INT_EDGE_BOTH, myISR_0);
RpButton myButton_POWER("POWER", 2, INT_EDGE_FALLING, myISR_POWER);
RpEncoder myEncoder("R_C", 5, 26, myISR_ENCODER);
RpLcd myLcd;
Pi_Thermal printer;
RpSqlite db("kalventrix-db", &rc);  // the name the sqlite3 commands use
Translation myTrans;

#define KV_ISR_BODY(name)       \
    void myISR_##name() {       \
        myButton_##name.mngt(); \
    }
KV_ISR_BODY(R_C)
KV_ISR_BODY(PLUS)
KV_ISR_BODY(MINUS)
KV_ISR_BODY(VALID)
KV_ISR_BODY(REPEAT)
KV_ISR_BODY(NO)
KV_ISR_BODY(10)
KV_ISR_BODY(9)
KV_ISR_BODY(8)
KV_ISR_BODY(7)
KV_ISR_BODY(6)
KV_ISR_BODY(5)
KV_ISR_BODY(4)
KV_ISR_BODY(3)
KV_ISR_BODY(2)
KV_ISR_BODY(1)
KV_ISR_BODY(0)
KV_ISR_BODY(POWER)
void myISR_ENCODER() {
    myEncoder.mngt();
}

// ---------------------------------------------------------------------------
// The server link: only resends answer; everything else finds no server.

std::string wifi_get(std::string) {
    return "KO : no server in this test";
}
std::string wifi_SSID() {
    return "test-ssid";
}
std::string wifi_IP() {
    return "10.0.0.2";
}
int wifi_scan() {
    return 0;
}
std::string wifi_test() {
    return "No server answers on this network";
}
std::string wifi_date() {
    return "-1";
}
int wifi_next_pilot(std::string*, int*, int*, int*, int*) {
    return -1;
}
int wifi_send_score(std::vector<Note>, bool, int, int, int, int, std::string, std::string, int) {
    return -1;
}
void wifi_send_NRT(int, int, int, int, int, int) {}

int wifi_resend_score(std::vector<Note> sheet, int, int, int, int pilot) {
    service_test::ResendLink& fake = service_test::link();
    fake.resentPilots.push_back(pilot);
    if (sheet.empty()) return -1;
    return fake.refusedPilots.count(pilot) ? 105 : 0;
}

namespace service_test {

namespace {

constexpr unsigned int kWatchdogMs = 900000;
int gTestNumber = 0;

sim::Board& board() {
    return sim::Board::instance();
}

sim::Micros atMillis(unsigned int ms) {
    return board().clock().now() + sim::Micros(ms) * 1000;
}

std::string sourceFile(const std::string& relative) {
    return readFile(std::string(KALVENTRIX_SOURCE_DIR) + "/" + relative);
}

// The board's stub tools, so that no command of a screen reaches the host.
void installStubs() {
    namespace fs = std::filesystem;
    const fs::path bin = rootPath("/.sim/bin");
    fs::create_directories(bin);
    fs::copy(fs::path(KALVENTRIX_SOURCE_DIR) / "sim" / "stubs", bin,
             fs::copy_options::overwrite_existing | fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(bin))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
    for (const char* folder :
         {"/home/pi/txt", "/boot", "/var/log/kalventrix", "/etc/wpa_supplicant"})
        fs::create_directories(rootPath(folder));
}

void fillTexts() {
    std::ostringstream sql;
    sql << "DELETE FROM translation;";
    for (int n = 0; n <= 80; ++n)
        sql << "INSERT INTO translation VALUES (" << n << ", 'ENG', 'E" << n << "'),(" << n
            << ", 'FRA', 'F" << n << "');";
    exec(sql.str());
}

void makeDatabase() {
    exec(
        "DROP TABLE IF EXISTS param; DROP TABLE IF EXISTS note; DROP TABLE IF EXISTS notsent;"
        "DROP TABLE IF EXISTS translation; DROP TABLE IF EXISTS zeph_programme;"
        "DROP TABLE IF EXISTS zeph_figure;");
    exec(sourceFile("data/schema.sql"));
    fillTexts();
    exec(
        "INSERT INTO zeph_programme (prgshortname, prglang, typeid, catid) VALUES "
        "('F25', 'ENG', 1, 1), ('F25', 'FRA', 1, 1), ('P25', 'GER', 1, 1);");
}

void setUpDevicesOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    installStubs();
    myLcd.setParam(9, 8, 0x27, 4, 20);
    printer.setParam("/dev/serial0", 2.68, 19200);
    printer.begin(120);
}

void armWatchdog() {
    const int test = ++gTestNumber;
    board().clock().scheduleAt(atMillis(kWatchdogMs), [test] {
        if (test != gTestNumber) return;
        std::fprintf(stderr, "screen still waiting for keys after %u ms\n", kWatchdogMs);
        std::_Exit(3);
    });
}

}  // namespace

ResendLink& link() {
    static ResendLink fake;
    return fake;
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

void setParam(const std::string& key, const std::string& value, const std::string& label,
              const std::string& type) {
    exec("DELETE FROM param WHERE cle = '" + key + "';");
    exec("INSERT INTO param VALUES ('" + key + "', '" + value + "', '" + label + "', '" + type +
         "');");
}

std::string paramValue(const std::string& key) {
    return db.get_param_string(key);
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

void queueSheet(int comp, int flight, int pilot) {
    const std::string key =
        std::to_string(comp) + ", " + std::to_string(flight) + ", 4, " + std::to_string(pilot);
    exec("INSERT INTO note VALUES (" + key + ", 1, 'Loop', 80, 0), (" + key +
         ", 2, 'Roll', 75, 1);");
    exec("INSERT INTO notsent VALUES (" + key + ");");
}

std::string rootPath(const std::string& absolute) {
    return platform::path(absolute);
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ServiceTest::SetUp() {
    setUpDevicesOnce();
    makeDatabase();
    gLang = "ENG";
    myTrans.update(gLang);
    gJudge = 4;
    gWIFI = true;
    gLine = 1;
    gCLICK = false;
    num_screen = 2;
    link() = ResendLink();
    ClrButtons();
    myButton_POWER.resetValue();
    myEncoder.setDblClick(true);  // one count per detent
    myEncoder.resetValue();
    paperLines();
    armWatchdog();
}

void ServiceTest::TearDown() {
    ++gTestNumber;  // disarms the watchdog
    waitMillis(1500);
    ClrButtons();
}

}  // namespace service_test
