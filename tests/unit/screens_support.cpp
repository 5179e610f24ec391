// The program's globals for the judging screen tests, the scripted server
// link, and the board helpers of screens_support.h.
#include "tests/unit/screens_support.h"

#include <sqlite3.h>
#include <wiringPi.h>

#include <cstdio>
#include <cstdlib>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "printer/Pi_Thermal.h"
#include "sim/board.h"

void myISR_R_C();
void myISR_PLUS();
void myISR_MINUS();
void myISR_VALID();
void myISR_REPEAT();
void myISR_NO();
void myISR_10();
void myISR_9();
void myISR_8();
void myISR_7();
void myISR_6();
void myISR_5();
void myISR_4();
void myISR_3();
void myISR_2();
void myISR_1();
void myISR_0();
void myISR_POWER();
void myISR_ENCODER();

std::string gSchedule;
std::string gLang = "ENG";
std::string gDate = "2025-06-15 10:00:00";
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
int rc = 0;
RpSqlite db("screens-test.db", &rc);
Translation myTrans;
std::string gIPServer;
std::string gSSID;
std::string gPW;
std::string gHostname;
std::string mySerialNum;

bool gNRT = false;
bool gCLICK = false;
bool gDBLLINE = false;
bool gWIFI = true;
bool gCJ = false;
int gNbTicket = 1;
bool gLongWav = false;
int gJudge = 4;
int gComp = 3;
int gFlight = 2;
int gPilot = 12;
int gLine = 1;
std::atomic<bool> startupComplete{true};
int gAddr = 0x27;
bool gDBLCLICK = false;
int num_screen = 0;
std::atomic<bool> bAllowScore{true};
std::atomic<unsigned int> gPowerTime{0};
int old_pos_raw = 0;

void myISR_R_C() {
    myButton_R_C.mngt();
}
void myISR_PLUS() {
    myButton_PLUS.mngt();
}
void myISR_MINUS() {
    myButton_MINUS.mngt();
}
void myISR_VALID() {
    myButton_VALID.mngt();
}
void myISR_REPEAT() {
    myButton_REPEAT.mngt();
}
void myISR_NO() {
    myButton_NO.mngt();
}
void myISR_10() {
    myButton_10.mngt();
}
void myISR_9() {
    myButton_9.mngt();
}
void myISR_8() {
    myButton_8.mngt();
}
void myISR_7() {
    myButton_7.mngt();
}
void myISR_6() {
    myButton_6.mngt();
}
void myISR_5() {
    myButton_5.mngt();
}
void myISR_4() {
    myButton_4.mngt();
}
void myISR_3() {
    myButton_3.mngt();
}
void myISR_2() {
    myButton_2.mngt();
}
void myISR_1() {
    myButton_1.mngt();
}
void myISR_0() {
    myButton_0.mngt();
}
void myISR_POWER() {
    myButton_POWER.mngt();
}
void myISR_ENCODER() {
    myEncoder.mngt();
}

// Texts read as their number, so that a test sees which one is shown.
std::string Translation::tr(int n) {
    return "T" + std::to_string(n);
}

// ---------------------------------------------------------------------------
// The server link, scripted

namespace {

std::string context(const char* op, int comp, int flight, int judge, int pilot) {
    return std::string(op) + " " + std::to_string(comp) + "/" + std::to_string(flight) + " J" +
           std::to_string(judge) + " P" + std::to_string(pilot);
}

std::string values(std::vector<Note>& sheet) {
    std::string text;
    for (size_t i = 0; i < sheet.size(); ++i)
        text += " N" + std::to_string(i + 1) + "=" + Note::serverText(sheet[i].getValue());
    return text;
}

}  // namespace

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
    return "KO : no server in this test";
}
std::string wifi_date() {
    return "-1";
}

int wifi_next_pilot(std::string* schedule, int* comp, int* flight, int* pilot, int*) {
    screens_test::FakeServer& fake = screens_test::server();
    fake.requests.push_back("P");
    if (fake.nextPilot < 0) return -1;
    *schedule = fake.nextSchedule;
    *comp = fake.nextComp;
    *flight = fake.nextFlight;
    *pilot = fake.nextPilot;
    fake.nextPilot = -1;  // one pilot per script line
    return *pilot;
}

int wifi_send_score(std::vector<Note> sheet, bool scored, int flight, int judge, int pilot,
                    int comp, std::string, std::string, int) {
    screens_test::FakeServer& fake = screens_test::server();
    fake.requests.push_back(context(scored ? "U" : "T", comp, flight, judge, pilot) +
                            values(sheet));
    if (fake.sendResults.empty()) return 0;
    const int result = fake.sendResults.front();
    fake.sendResults.pop_front();
    return result;
}

int wifi_resend_score(std::vector<Note> sheet, int comp, int flight, int judge, int pilot) {
    screens_test::FakeServer& fake = screens_test::server();
    fake.requests.push_back(context("R", comp, flight, judge, pilot) + values(sheet));
    return fake.resendResult;
}

void wifi_send_NRT(int figure, int, int, int, int, int) {
    screens_test::server().requests.push_back("NRT " + std::to_string(figure));
}

// ---------------------------------------------------------------------------

namespace screens_test {

namespace {

constexpr unsigned int kWatchdogMs = 600000;
int gTestNumber = 0;

sim::Board& board() {
    return sim::Board::instance();
}

sim::Micros atMillis(unsigned int ms) {
    return board().clock().now() + sim::Micros(ms) * 1000;
}

void exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db._handle(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "SQL failed: " << sql << ": " << (error ? error : "");
        sqlite3_free(error);
    }
}

void makeSchema() {
    exec(
        "DROP TABLE IF EXISTS param; DROP TABLE IF EXISTS note; DROP TABLE IF EXISTS notsent;"
        "DROP TABLE IF EXISTS zeph_programme; DROP TABLE IF EXISTS zeph_figure;");
    exec("CREATE TABLE param (cle TEXT PRIMARY KEY, valeur TEXT, lib TEXT, type TEXT);");
    exec(
        "CREATE TABLE note (cmpid INTEGER, vol_n INTEGER, juge_n INTEGER, pil_n INTEGER,"
        " fig_n INTEGER, fig_lib TEXT, note INTEGER, note_option INTEGER,"
        " PRIMARY KEY (cmpid, vol_n, juge_n, pil_n, fig_n));");
    exec("CREATE TABLE notsent (cmpid INTEGER, vol_n INTEGER, juge_n INTEGER, pil_n INTEGER);");
    exec(
        "CREATE TABLE zeph_programme (prgid INTEGER PRIMARY KEY, prglibelle TEXT,"
        " prgshortname TEXT, prglang TEXT, typeid INTEGER, catid INTEGER, duration INTEGER,"
        " promothreshold1 INTEGER, promothreshold2 INTEGER, promoflightsmax INTEGER,"
        " promoflights INTEGER, promoflightsmin INTEGER, promoversion INTEGER);");
    exec(
        "CREATE TABLE zeph_figure (figid INTEGER PRIMARY KEY, prgid INTEGER, figposition INTEGER,"
        " figcomplexite INTEGER, figdescription TEXT, figshortdesc TEXT, figoption INTEGER);");
    const char* const keys[][2] = {
        {"PELMORIDUX_JUDGE", "4"},      {"PELMORIDUX_COMP", "3"},     {"PELMORIDUX_FLIGHT", "2"},
        {"PELMORIDUX_SCHEDULE", "F25"}, {"PELMORIDUX_PILOT", "12"},   {"KALVENTRIX_NbTicket", "1"},
        {"KALVENTRIX_1VOL", "80"},      {"KALVENTRIX_DBL_LINE", "0"},
    };
    for (const auto& key : keys)
        exec(std::string("INSERT INTO param VALUES ('") + key[0] + "', '" + key[1] +
             "', '', '1');");
}

void resetContext() {
    gLang = "ENG";
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
    bAllowScore = true;
    aNote.clear();
}

void armWatchdog() {
    const int test = ++gTestNumber;
    board().clock().scheduleAt(atMillis(kWatchdogMs), [test] {
        if (test != gTestNumber) return;
        std::fprintf(stderr, "screen still waiting for keys after %u ms\n", kWatchdogMs);
        std::_Exit(3);
    });
}

void setUpDevicesOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    myLcd.setParam(9, 8, 0x27, 4, 20);
    printer.setParam("/dev/serial0", 2.68, 19200);
    printer.begin(120);
}

}  // namespace

FakeServer& server() {
    static FakeServer fake;
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

std::size_t shellCount() {
    return board().shellLog().size();
}

std::vector<std::string> shellSince(std::size_t from) {
    std::vector<std::string> commands;
    const std::vector<sim::ShellRecord> log = board().shellLog();
    for (std::size_t i = from; i < log.size(); ++i) commands.push_back(log[i].command);
    return commands;
}

std::vector<std::string> paperLines() {
    std::vector<std::string> lines;
    for (const sim::PaperLine& line : board().takePaper()) lines.push_back(line.text);
    return lines;
}

void addSchedule(const std::string& name, const std::string& lang,
                 const std::vector<Figure>& figures) {
    static int nextSchedule = 1;
    static int nextFigure = 1;
    const std::string id = std::to_string(nextSchedule++);
    exec("INSERT INTO zeph_programme (prgid, prglibelle, prgshortname, prglang) VALUES (" + id +
         ", '" + name + "', '" + name + "', '" + lang + "');");
    int position = 1;
    for (const Figure& figure : figures) {
        exec("INSERT INTO zeph_figure VALUES (" + std::to_string(nextFigure++) + ", " + id + ", " +
             std::to_string(position++) + ", 1, '" + figure.label + "', '" + figure.label + "', " +
             std::to_string(figure.option) + ");");
    }
}

void setParam(const std::string& key, const std::string& value) {
    exec("REPLACE INTO param VALUES ('" + key + "', '" + value + "', '', '1');");
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

void ScreenTest::SetUp() {
    setUpDevicesOnce();
    makeSchema();
    resetContext();
    server() = FakeServer();
    ClrButtons();
    myButton_POWER.resetValue();
    myEncoder.resetValue();
    paperLines();
    armWatchdog();
}

void ScreenTest::TearDown() {
    ++gTestNumber;     // disarms the watchdog
    waitMillis(1500);  // let every key of this test come back up
    ClrButtons();
}

}  // namespace screens_test

namespace screens_test {

void captureGlassAt(unsigned int atMs, std::vector<std::string>* rows) {
    board().clock().scheduleAt(atMillis(atMs), [rows] {
        rows->clear();
        for (int row = 0; row < 4; ++row) rows->push_back(glassRow(row));
    });
}

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace screens_test
