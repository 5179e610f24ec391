// The scripted resend link of the service screen tests and the helpers of
// service_support.h; the program's globals are the shared test ones.
#include "tests/support/service_support.h"

#include <sqlite3.h>

#include <sstream>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------
// The server link: only resends answer; everything else finds no server.

std::string wifi_test() {
    return "No server answers on this network";
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
    exec(kv_test::readFile(kv_test::sourcePath("data/schema.sql")));
    fillTexts();
    exec(
        "INSERT INTO zeph_programme (prgshortname, prglang, typeid, catid) VALUES "
        "('F25', 'ENG', 1, 1), ('F25', 'FRA', 1, 1), ('P25', 'GER', 1, 1);");
}

void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    mySerialNum = "0042";
    kv_test::installStubTools();
    kv_test::setUpDevicesOnce();
}

}  // namespace

ResendLink& link() {
    static ResendLink fake;
    return fake;
}

std::string paramValue(const std::string& key) {
    return db.get_param_string(key);
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

void ServiceTest::SetUp() {
    setUpOnce();
    makeDatabase();
    kv_test::useJudgingContext();
    aNote.clear();
    myTrans.update(gLang);
    gCLICK = false;
    num_screen = 2;
    link() = ResendLink();
    ClrButtons();
    myButton_POWER.resetValue();
    myEncoder.setDblClick(true);  // one count per detent
    myEncoder.resetValue();
    paperLines();
    kv_test::armWatchdog(kWatchdogMs);
}

void ServiceTest::TearDown() {
    kv_test::disarmWatchdog();
    waitMillis(1500);
    ClrButtons();
}

}  // namespace service_test
