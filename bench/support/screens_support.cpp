// The scripted server link of the judging benchmark and the helpers of
// screens_support.h.
#include "bench/support/screens_support.h"

#include <string>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"

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

std::string wifi_test() {
    return "KO : no server in this test";
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

using kv_test::exec;

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

}  // namespace

FakeServer& server() {
    static FakeServer fake;
    return fake;
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

void ScreenTest::SetUp() {
    kv_test::setUpDevicesOnce();
    makeSchema();
    kv_test::useJudgingContext();
    aNote.clear();
    server() = FakeServer();
    ClrButtons();
    myButton_POWER.resetValue();
    myEncoder.resetValue();
    paperLines();
    kv_test::armWatchdog(kWatchdogMs);
}

void ScreenTest::TearDown() {
    kv_test::disarmWatchdog();
    waitMillis(1500);  // let every key of this test come back up
    ClrButtons();
}

}  // namespace screens_test
