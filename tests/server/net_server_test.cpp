// The terminal's server link against the reference server running the demo
// contest: whole flights in order, double flights, refusals, queued sheets and
// every fault the server can be switched to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "tests/support/server_process.h"
#include "tests/support/program_folder.h"
#include "tests/support/net_platform_fake.h"

using ::testing::HasSubstr;
using ::testing::Not;

using kv_test::databaseFile;

std::vector<std::string> clockSettings;
void SystemDate(std::string serverTime) {
    clockSettings.push_back(serverTime);
}

namespace {

namespace fs = std::filesystem;
const char kServerTime[] = "20240615143000";

std::string source(const std::string& relative) {
    return std::string(KALVENTRIX_SOURCE_DIR) + "/" + relative;
}

void execute(sqlite3* handle, const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    ASSERT_EQ(SQLITE_OK, rc) << message;
}

// The terminal's catalogue, imported from the same demo files the server serves.
void loadCatalogue() {
    sqlite3* handle = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(databaseFile().c_str(), &handle));
    std::ifstream schema(source("data/schema.sql"));
    std::stringstream text;
    text << schema.rdbuf();
    execute(handle, text.str() + "DELETE FROM zeph_programme; DELETE FROM zeph_figure;");
    for (const char* table : {"zeph_programme", "zeph_figure"}) {
        std::ifstream csv(source(std::string("data/") + table + ".csv"));
        std::string line;
        while (std::getline(csv, line))
            if (!line.empty())
                execute(handle, "INSERT INTO " + std::string(table) + " VALUES (" + line + ")");
    }
    sqlite3_close(handle);
}

std::vector<Note> sheetOf(int figures, int value) {
    std::vector<Note> sheet;
    for (int i = 0; i < figures; ++i) {
        sheet.emplace_back(0, 1, 1, 1, i, "fig");
        sheet.back().setValue(value);
    }
    return sheet;
}

class AgainstServer : public ::testing::Test {
  protected:
    static void TearDownTestSuite() { fs::remove_all(dataDir); }
    static void SetUpTestSuite() {
        loadCatalogue();
        dataDir = (fs::current_path() / ("server-data-" + std::to_string(::getpid()))).string();
        fs::remove_all(dataDir);
        std::string command =
            source("scripts/make-server-data.sh") + " " + dataDir + " > /dev/null";
        ASSERT_EQ(0, std::system(command.c_str()));
    }
    void SetUp() override {
        fakeplatform::reset();
        clockSettings.clear();
        server = std::make_unique<ServerProcess>(
            dataDir, std::vector<std::string>{"--memory", "--faults", "--time", kServerTime});
        gIPServer = server->base();
        gHostname = "KALVENTRIX-0001";
    }
    void fault(const std::string& query) {
        httplib::Client admin("127.0.0.1", server->port());
        auto res = admin.Get(("/admin/fault?" + query).c_str());
        ASSERT_TRUE(res && res->status == 200) << query;
    }
    std::string log() { return fakeplatform::readFile("/var/log/kalventrix/log_wifi.log"); }

    // Scores every pilot the server hands judge 1 of line 1, as the main
    // screen chains flights; returns (pilot, flight) in the order flown.
    std::vector<std::pair<int, int>> judgeTheWholeLine() {
        std::vector<std::pair<int, int>> flown;
        std::string schedule;
        int comp = 0, flight = 0, pilot = -1, line = 1;
        for (int guard = 0; guard < 50; ++guard) {
            if (wifi_next_pilot(&schedule, &comp, &flight, &pilot, &line) < 0) break;
            int figures = db.read_nb_figs(schedule, "ENG");
            EXPECT_GT(figures, 0) << schedule;
            EXPECT_EQ(0, wifi_send_score(sheetOf(figures, 100), false, flight, 1, pilot, comp,
                                         schedule, "ENG", line));
            EXPECT_EQ(0, wifi_send_score(sheetOf(figures, 85), true, flight, 1, pilot, comp,
                                         schedule, "ENG", line));
            flown.emplace_back(pilot, flight);
        }
        return flown;
    }

    static std::string dataDir;
    std::unique_ptr<ServerProcess> server;
};

std::string AgainstServer::dataDir;

TEST_F(AgainstServer, WholeLineInFlyingOrderWithTheDoubleFlight) {
    std::vector<std::pair<int, int>> expected = {{12, 1}, {7, 1},  {21, 1}, {7, 2},
                                                 {21, 2}, {12, 2}, {12, 3}, {12, 4},
                                                 {21, 3}, {21, 4}, {7, 5}};
    EXPECT_EQ(expected, judgeTheWholeLine());
    EXPECT_EQ("", log());
    // Every accepted check and sheet set the clock from the server's time.
    EXPECT_EQ(2 * expected.size(), clockSettings.size());
    EXPECT_EQ("2024-06-15 14:30:00", clockSettings.back());
}

TEST_F(AgainstServer, ServerTimeAndHello) {
    EXPECT_EQ("2024-06-15 14:30:00", wifi_date());
    EXPECT_EQ(std::string("return:0&H:") + kServerTime, wifi_test());
}

TEST_F(AgainstServer, RefusalsComeBackAsTheirCodes) {
    EXPECT_EQ(101, wifi_send_score(sheetOf(13, 80), true, 1, 3, 12, 1, "SPORT24", "ENG", 1));
    EXPECT_EQ(105, wifi_send_score(sheetOf(13, 80), true, 1, 1, 30, 1, "SPORT24", "ENG", 1));
    EXPECT_EQ(100, wifi_send_score(sheetOf(13, 80), true, 9, 1, 12, 1, "SPORT24", "ENG", 1));
    // The terminal's catalogue knows INTER24, but flight 1 flies SPORT24.
    EXPECT_EQ(106, wifi_send_score(sheetOf(16, 100), false, 1, 1, 12, 1, "INTER24", "ENG", 1));
    EXPECT_THAT(log(), HasSubstr(" Error : 101\n> M:U 1/1 L1 J3 P12 SPORT24\n\n"));
    EXPECT_THAT(log(), HasSubstr(" Error : 106\n> M:T 1/1 L1 J1 P12 INTER24\n\n"));
    EXPECT_TRUE(clockSettings.empty());
}

TEST_F(AgainstServer, QueuedSheetIsAcceptedOnceAndReplacedOnResend) {
    fault("kind=drop&count=1");
    EXPECT_EQ(-1, wifi_send_score(sheetOf(13, 70), true, 1, 1, 12, 1, "SPORT24", "ENG", 1));
    EXPECT_THAT(log(), HasSubstr("1-Wifi error"));
    EXPECT_EQ(0, wifi_resend_score(sheetOf(13, 70), 1, 1, 1, 12));
    EXPECT_EQ(0, wifi_resend_score(sheetOf(13, 75), 1, 1, 1, 12));
    httplib::Client page("127.0.0.1", server->port());
    std::string html = page.Get("/")->body;
    EXPECT_THAT(html, HasSubstr("<b>= 97.5</b>"));  // 13 x 7.5, the first resend replaced
    EXPECT_THAT(html, Not(HasSubstr("<b>= 91.0</b>")));
}

TEST_F(AgainstServer, NearRealTimeScoresDoNotFinishTheFlight) {
    aNote = sheetOf(13, 90);
    for (int figure = 0; figure < 12; ++figure) wifi_send_NRT(figure, 1, 1, 12, 1, 1);
    std::string schedule;
    int comp = 0, flight = 0, pilot = -1, line = 1;
    EXPECT_EQ(12, wifi_next_pilot(&schedule, &comp, &flight, &pilot, &line));
    EXPECT_EQ(0, wifi_send_score(aNote, true, 1, 1, 12, 1, "SPORT24", "ENG", 1));
    EXPECT_EQ(7, wifi_next_pilot(&schedule, &comp, &flight, &pilot, &line));
}

TEST_F(AgainstServer, FaultsNeverCountAsAcceptances) {
    for (const char* kind : {"noreturn", "http500", "drop", "missing404"}) {
        fault(std::string("kind=") + kind);
        EXPECT_EQ(-1, wifi_send_score(sheetOf(13, 80), true, 1, 1, 12, 1, "SPORT24", "ENG", 1))
            << kind;
        EXPECT_EQ(-1, wifi_resend_score(sheetOf(13, 80), 1, 1, 1, 12)) << kind;
        EXPECT_EQ("-1", wifi_date()) << kind;
    }
    fault("kind=refuse&code=903");
    EXPECT_EQ(903, wifi_send_score(sheetOf(13, 80), true, 1, 1, 12, 1, "SPORT24", "ENG", 1));
    fault("kind=delay&ms=200");
    EXPECT_EQ(0, wifi_send_score(sheetOf(13, 80), true, 1, 1, 12, 1, "SPORT24", "ENG", 1));
    EXPECT_EQ(std::vector<std::string>{"2024-06-15 14:30:00"}, clockSettings);
}

TEST_F(AgainstServer, NextPilotFaultsLeaveTheContext) {
    std::string schedule = "KEEP";
    int comp = 1, flight = 2, pilot = 7, line = 1;
    for (const char* kind : {"missing404", "noreturn", "http500", "drop", "refuse&code=104"}) {
        fault(std::string("kind=") + kind);
        EXPECT_EQ(-1, wifi_next_pilot(&schedule, &comp, &flight, &pilot, &line)) << kind;
        EXPECT_EQ(7, pilot) << kind;
        EXPECT_EQ("KEEP", schedule) << kind;
    }
    fault("kind=none");
    EXPECT_EQ(12, wifi_next_pilot(&schedule, &comp, &flight, &pilot, &line));
}

}  // namespace
