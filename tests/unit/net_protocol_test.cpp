// The protocol exchanges against a scripted loopback server: exact requests,
// replies read by position, result codes and the WiFi log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "tests/support/program_folder.h"
#include "tests/support/net_platform_fake.h"
#include "tests/support/net_script_server.h"

using ::testing::HasSubstr;
using ::testing::Not;

using kv_test::databaseFile;

// The clock setter is tested with the system chores; here only what reaches it.
std::vector<std::string> clockSettings;
void SystemDate(std::string serverTime) {
    clockSettings.push_back(serverTime);
}

namespace {

const char kLog[] = "/var/log/kalventrix/log_wifi.log";

void execute(const std::string& sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(databaseFile().c_str(), &handle));
    char* error = nullptr;
    int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(handle);
    ASSERT_EQ(SQLITE_OK, rc) << message;
}

// A catalogue with a 3-figure schedule, a 10-figure one and one whose name
// needs escaping in a URL.
void makeCatalogue() {
    execute(
        "DROP TABLE IF EXISTS zeph_programme; DROP TABLE IF EXISTS zeph_figure;"
        "CREATE TABLE zeph_programme (prgid INTEGER PRIMARY KEY, prglibelle TEXT,"
        " prgshortname TEXT, prglang TEXT, typeid INT, catid INT, duration INT,"
        " promothreshold1 INT, promothreshold2 INT, promoflightsmax INT, promoflights INT,"
        " promoflightsmin INT, promoversion INT);"
        "CREATE TABLE zeph_figure (figid INTEGER PRIMARY KEY, prgid INT, figposition INT,"
        " figcomplexite INT, figdescription TEXT, figshortdesc TEXT, figoption INT);"
        "INSERT INTO zeph_programme (prgid, prgshortname, prglang) VALUES"
        " (1, 'SHORT3', 'ENG'), (2, 'F3A-P25', 'ENG'), (3, 'A B#1', 'ENG');"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10)"
        " INSERT INTO zeph_figure (figid, prgid, figposition, figoption)"
        " SELECT i, 2, i, 0 FROM n;"
        "INSERT INTO zeph_figure (figid, prgid, figposition, figoption) VALUES"
        " (101, 1, 1, 0), (102, 1, 2, 0), (103, 1, 3, 0), (201, 3, 1, 0);");
}

std::vector<Note> sheetOf(const std::vector<int>& values) {
    std::vector<Note> sheet;
    for (size_t i = 0; i < values.size(); ++i) {
        sheet.emplace_back(0, 3, 2, 12, static_cast<int>(i), "fig");
        sheet.back().setValue(values[i]);
    }
    return sheet;
}

std::string closedAddress() {
    static std::string address = [] {
        ScriptServer gone;
        return gone.base();
    }();
    return address;
}

class Protocol : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { makeCatalogue(); }
    void SetUp() override {
        fakeplatform::reset();
        clockSettings.clear();
        gIPServer = server.base();
        gHostname = "KALVENTRIX-0042";
    }
    std::vector<std::string> targets() {
        std::vector<std::string> out;
        for (const SeenRequest& r : server.requests()) out.push_back(r.target);
        return out;
    }
    std::string log() { return fakeplatform::readFile(kLog); }

    ScriptServer server;
};

const char kAccept[] = "return:0&H:20240615143000";

TEST_F(Protocol, SheetGoesOutInFigureOrderInServerForm) {
    server.setFallback(ScriptedReply::body200(kAccept));
    std::vector<Note> sheet = sheetOf({70, 75, 100, Note::kNo, Note::kBp, 0, 73, 85, 90, 100});
    EXPECT_EQ(0, wifi_send_score(sheet, true, 2, 4, 12, 3, "F3A-P25", "ENG", 1));
    ASSERT_EQ(1u, targets().size());
    EXPECT_EQ(
        "/import-kalventrix.php?OPT=U&F=2&J=4&D=12&C=3&L=1"
        "&N1=7&N2=7.5&N3=10&N4=-1&N5=-2&N6=0&N7=7.3&N8=8.5&N9=9&N10=10",
        targets()[0]);
    EXPECT_EQ(std::vector<std::string>{"2024-06-15 14:30:00"}, clockSettings);
    EXPECT_EQ("", log());
}

TEST_F(Protocol, Judge999SendsNothing) {
    EXPECT_EQ(0, wifi_send_score(sheetOf({70}), true, 2, 999, 12, 3, "F3A-P25", "ENG", 1));
    EXPECT_EQ(0, wifi_send_score(sheetOf({70}), false, 2, 999, 12, 3, "NOPE", "ENG", 1));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Protocol, CheckOfUnknownScheduleIs106WithoutRequest) {
    EXPECT_EQ(106, wifi_send_score({}, false, 2, 4, 12, 3, "NOPE", "ENG", 1));
    // Known name, other language.
    EXPECT_EQ(106, wifi_send_score({}, false, 2, 4, 12, 3, "SHORT3", "FRA", 1));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Protocol, CheckMakesTwoRequestsAndOnlyTheSecondCounts) {
    server.script({ScriptedReply::body200("return:104"), ScriptedReply::body200(kAccept)});
    EXPECT_EQ(0, wifi_send_score(sheetOf({100, 100, 100}), false, 2, 4, 12, 3, "SHORT3", "ENG", 1));
    const std::string base = "/import-kalventrix.php?OPT=T&F=2&J=4&D=12&C=3&L=1";
    EXPECT_EQ((std::vector<std::string>{base + "&N1=10&N2=10&N3=10",
                                        base + "&N1=10&N2=10&N3=10&N1=10&N2=10&N3=10&P=SHORT3"}),
              targets());
}

TEST_F(Protocol, ScheduleNameIsEscapedInTheRequest) {
    server.setFallback(ScriptedReply::body200(kAccept));
    EXPECT_EQ(0, wifi_send_score({}, false, 2, 4, 12, 3, "A B#1", "ENG", 1));
    ASSERT_EQ(2u, targets().size());
    EXPECT_THAT(targets()[1], ::testing::EndsWith("&N1=10&P=A%20B%231"));
}

TEST_F(Protocol, RefusedCheckIsLoggedWithItsContext) {
    server.setFallback(ScriptedReply::body200("return:104"));
    EXPECT_EQ(104, wifi_send_score({}, false, 2, 4, 12, 3, "SHORT3", "ENG", 1));
    std::string entry = log();
    ASSERT_GE(entry.size(), 19u);
    EXPECT_EQ(" Error : 104\n> M:T 3/2 L1 J4 P12 SHORT3\n\n", entry.substr(19));
    EXPECT_TRUE(clockSettings.empty());
}

TEST_F(Protocol, ServerRefusalMinusOneIsLoggedButNotTheTransport) {
    server.setFallback(ScriptedReply::body200("return:-1"));
    EXPECT_EQ(-1, wifi_send_score(sheetOf({70}), true, 2, 4, 12, 3, "F3A-P25", "ENG", 2));
    EXPECT_THAT(log(), HasSubstr(" Error : -1\n> M:U 3/2 L2 J4 P12 F3A-P25\n\n"));

    fakeplatform::reset();
    gIPServer = closedAddress();
    EXPECT_EQ(-1, wifi_send_score(sheetOf({70}), true, 2, 4, 12, 3, "F3A-P25", "ENG", 2));
    EXPECT_THAT(log(), HasSubstr("1-Wifi error"));
    EXPECT_THAT(log(), Not(HasSubstr("Error :")));
}

TEST_F(Protocol, UnreadableRepliesAreFailuresNeverAcceptances) {
    for (const char* body : {"", "OK", "<html>Status: 404</html>", "return:", "return:0",
                             "return:0&H:2024", "return:xyz", "KO : fake"}) {
        fakeplatform::reset();
        server.setFallback(ScriptedReply::body200(body));
        EXPECT_EQ(-1, wifi_send_score(sheetOf({70}), true, 2, 4, 12, 3, "F3A-P25", "ENG", 1))
            << body;
        EXPECT_THAT(log(), HasSubstr(" Error : -1\n> M:U 3/2 L1 J4 P12 F3A-P25")) << body;
    }
    EXPECT_TRUE(clockSettings.empty());
}

TEST_F(Protocol, AcceptanceWithImpossibleTimeLeavesTheClock) {
    server.setFallback(ScriptedReply::body200("return:0&H:20241399999999"));
    EXPECT_EQ(0, wifi_send_score(sheetOf({70}), true, 2, 4, 12, 3, "F3A-P25", "ENG", 1));
    EXPECT_TRUE(clockSettings.empty());
}

TEST_F(Protocol, ResendHasNoLineAndLogsNoRefusal) {
    server.script({ScriptedReply::body200("return:102"), ScriptedReply::body200(kAccept)});
    EXPECT_EQ(102, wifi_resend_score(sheetOf({70, 75}), 3, 2, 4, 12));
    EXPECT_EQ("", log());
    EXPECT_EQ(0, wifi_resend_score(sheetOf({70, 75}), 3, 2, 4, 12));
    EXPECT_EQ(std::vector<std::string>{"2024-06-15 14:30:00"}, clockSettings);
    EXPECT_EQ("/import-kalventrix.php?OPT=U&F=2&J=4&D=12&C=3&N1=7&N2=7.5", targets().at(1));
}

// Resends stay out of the log; only the transport logs its own failures.
TEST_F(Protocol, ResendOfAnUnreadableReplyIsAFailureLeftOutOfTheLog) {
    server.setFallback(ScriptedReply::body200("Fatal error"));
    EXPECT_EQ(-1, wifi_resend_score(sheetOf({70}), 3, 2, 4, 12));
    EXPECT_EQ("", log());
    fakeplatform::reset();
    gIPServer = closedAddress();
    EXPECT_EQ(-1, wifi_resend_score(sheetOf({70}), 3, 2, 4, 12));
    EXPECT_THAT(log(), HasSubstr("1-Wifi error"));
    EXPECT_THAT(log(), Not(HasSubstr("Error :")));
}

TEST_F(Protocol, NearRealTimeSendsTheLastFourFigures) {
    aNote = sheetOf({10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
    wifi_send_NRT(0, 2, 4, 12, 3, 1);
    wifi_send_NRT(7, 2, 4, 12, 3, 1);
    wifi_send_NRT(2, 2, 4, 12, 3, 1);
    const std::string base = "/import-kalventrix.php?OPT=U&F=2&J=4&D=12&C=3&L=1";
    EXPECT_EQ((std::vector<std::string>{base + "&N1=1", base + "&N5=5&N6=6&N7=7&N8=8",
                                        base + "&N1=1&N2=2&N3=3"}),
              targets());
}

TEST_F(Protocol, NearRealTimePastTheSheetSendsWhatThereIs) {
    aNote = sheetOf({10, 20});
    wifi_send_NRT(3, 2, 4, 12, 3, 1);
    wifi_send_NRT(9, 2, 4, 12, 3, 1);
    wifi_send_NRT(-1, 2, 4, 12, 3, 1);
    const std::string base = "/import-kalventrix.php?OPT=U&F=2&J=4&D=12&C=3&L=1";
    EXPECT_EQ(std::vector<std::string>{base + "&N1=1&N2=2"}, targets());
}

struct Context {
    std::string schedule = "OLD";
    int comp = 1, flight = 1, pilot = 7, line = 2;
    int next() { return wifi_next_pilot(&schedule, &comp, &flight, &pilot, &line); }
};

TEST_F(Protocol, NextPilotFillsTheContext) {
    server.setFallback(ScriptedReply::body200("return:0120305F3A-P25X"));
    Context c;
    EXPECT_EQ(12, c.next());
    EXPECT_EQ(12, c.pilot);
    EXPECT_EQ(3, c.flight);
    EXPECT_EQ(5, c.comp);
    EXPECT_EQ("F3A-P25X", c.schedule);
    EXPECT_EQ(std::vector<std::string>{"/import-kalventrix.php?OPT=P&L=2"}, targets());
}

TEST_F(Protocol, DoubleFlightGivesTheSecondFlightWithoutRequest) {
    server.script({ScriptedReply::body200("return:0125305SHORT3"),
                   ScriptedReply::body200("return:0130305SHORT3")});
    Context c;
    EXPECT_EQ(12, c.next());
    EXPECT_EQ(3, c.flight);
    c.schedule = "KEPT";
    EXPECT_EQ(12, c.next());
    EXPECT_EQ(4, c.flight);
    EXPECT_EQ("KEPT", c.schedule);
    EXPECT_EQ(1u, targets().size());
    // Owed flight used up: the next call asks again.
    EXPECT_EQ(13, c.next());
    EXPECT_EQ(2u, targets().size());
}

TEST_F(Protocol, NoPilotClearsThePilotOtherErrorsKeepIt) {
    Context c;
    server.setFallback(ScriptedReply::body200("return:-2"));
    EXPECT_EQ(-1, c.next());
    EXPECT_EQ(7, c.pilot);
    server.setFallback(ScriptedReply::withStatus(404, "<b>Status: 404</b>"));
    EXPECT_EQ(-1, c.next());
    EXPECT_EQ(7, c.pilot);
    server.setFallback(ScriptedReply::body200("return:01203"));
    EXPECT_EQ(-1, c.next());
    EXPECT_EQ(7, c.pilot);
    EXPECT_EQ(1, c.flight);
    server.setFallback(ScriptedReply::body200("return:-1"));
    EXPECT_EQ(-1, c.next());
    EXPECT_EQ(-1, c.pilot);
}

TEST_F(Protocol, NextPilotWithoutServerKeepsEverything) {
    gIPServer = closedAddress();
    Context c;
    EXPECT_EQ(-1, c.next());
    EXPECT_EQ(7, c.pilot);
    EXPECT_EQ("OLD", c.schedule);
    EXPECT_THAT(log(), HasSubstr("1-Wifi error"));
}

TEST_F(Protocol, DateSetsTheClockFromAValidTime) {
    server.setFallback(ScriptedReply::body200(kAccept));
    EXPECT_EQ("2024-06-15 14:30:00", wifi_date());
    EXPECT_EQ(std::vector<std::string>{"2024-06-15 14:30:00"}, clockSettings);
    EXPECT_EQ(std::vector<std::string>{"/import-kalventrix.php?OPT=H"}, targets());
}

TEST_F(Protocol, DateIsMinusOneWheneverTheClockIsLeftAlone) {
    for (const char* body :
         {"return:-1", "return:0&H:2024061514", "return:0&H:20240615146100", "Status: 404",
          "could not connect", "", "return:0&H:2024061514300099"}) {
        server.setFallback(ScriptedReply::body200(body));
        EXPECT_EQ("-1", wifi_date()) << body;
    }
    gIPServer = closedAddress();
    EXPECT_EQ("-1", wifi_date());
    EXPECT_TRUE(clockSettings.empty());
}

TEST_F(Protocol, TestRequestGivesTheRawAnswer) {
    server.setFallback(ScriptedReply::withStatus(500, "whatever"));
    EXPECT_EQ("whatever", wifi_test());
    gIPServer = closedAddress();
    EXPECT_EQ(0u, wifi_test().rfind("KO : ", 0));
}

}  // namespace
