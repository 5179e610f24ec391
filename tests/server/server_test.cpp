// The reference competition server as a process: protocol replies per
// terminal and line, double flights, refusal codes, idempotent resends,
// static trees, fault switches, the overview page, start-up and shutdown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "server/faults.h"
#include "tests/support/server_process.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char kNow[] = "20240615143000";
const std::string kAccept = std::string("return:0&H:") + kNow;

class Server : public ::testing::Test {
  protected:
    void SetUp() override {
        // A folder per case: the cases may run side by side.
        dir = (std::filesystem::current_path() /
               ("contest-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                  .string();
        writeTestContest(dir);
        start({"--memory", "--faults"});
    }
    void start(std::vector<std::string> args) {
        args.push_back("--time");
        args.push_back(kNow);
        server = std::make_unique<ServerProcess>(dir, args);
    }

    httplib::Result get(const std::string& target, const std::string& terminal = "T-A") {
        httplib::Client client("127.0.0.1", server->port());
        client.set_read_timeout(5, 0);
        if (!terminal.empty()) client.set_basic_auth(terminal.c_str(), "");
        return client.Get(target.c_str());
    }
    std::string body(const std::string& target, const std::string& terminal = "T-A") {
        auto res = get(target, terminal);
        return res ? res->body : "<no reply>";
    }
    std::string import(const std::string& query, const std::string& terminal = "T-A") {
        return body("/import-kalventrix.php?" + query, terminal);
    }
    std::string nextPilot(const std::string& terminal, int line = 1) {
        return import("OPT=P&L=" + std::to_string(line), terminal);
    }
    // A whole sheet of judge J for the given flight, sent as a terminal does.
    std::string sendSheet(const std::string& terminal, int judge, int flight, int pilot,
                          int figures, const std::string& value = "7.5") {
        std::string q = "OPT=U&F=" + std::to_string(flight) + "&J=" + std::to_string(judge) +
                        "&D=" + std::to_string(pilot) + "&C=1&L=1";
        for (int i = 1; i <= figures; ++i) q += "&N" + std::to_string(i) + "=" + value;
        return import(q, terminal);
    }
    void fault(const std::string& query) {
        ASSERT_THAT(body("/admin/fault?" + query, ""), HasSubstr("fault: "));
    }

    std::string dir;
    std::unique_ptr<ServerProcess> server;
};

TEST_F(Server, HelloGivesTheServerTime) {
    EXPECT_EQ(kAccept, import("OPT=H"));
    EXPECT_EQ("return:104", import("OPT=X"));
    EXPECT_EQ("return:104", import("F=1"));
}

TEST_F(Server, NextPilotFollowsTheLineOrderPerTerminal) {
    EXPECT_EQ("return:0120101SHORT3", nextPilot("T-A"));
    EXPECT_EQ("return:0400101SHORT3", nextPilot("T-A", 2));
    EXPECT_EQ("return:-1", nextPilot("T-A", 3));
    EXPECT_EQ(kAccept, sendSheet("T-A", 4, 1, 12, 3));
    EXPECT_EQ("return:0070101SHORT3", nextPilot("T-A"));
    // The other terminal of the line has not scored pilot 12 yet.
    EXPECT_EQ("return:0120101SHORT3", nextPilot("T-B"));
}

TEST_F(Server, PartialSheetDoesNotCountAsScored) {
    EXPECT_EQ(kAccept, import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=7&N2=8"));
    EXPECT_EQ("return:0120101SHORT3", nextPilot("T-A"));
    EXPECT_EQ(kAccept, import("OPT=U&F=1&J=4&D=12&C=1&L=1&N3=9"));
    EXPECT_EQ("return:0070101SHORT3", nextPilot("T-A"));
}

TEST_F(Server, DoubleFlightIsAnnouncedWithFiftyAdded) {
    sendSheet("T-A", 4, 1, 12, 3);
    sendSheet("T-A", 4, 1, 7, 3);
    EXPECT_EQ("return:0125201PAIR2", nextPilot("T-A"));
    sendSheet("T-A", 4, 2, 12, 2);
    // First of the pair in, second missing: asked for on its own.
    EXPECT_EQ("return:0120301PAIR2", nextPilot("T-A"));
    sendSheet("T-A", 4, 3, 12, 2);
    EXPECT_EQ("return:0075201PAIR2", nextPilot("T-A"));
    sendSheet("T-A", 4, 2, 7, 2);
    sendSheet("T-A", 4, 3, 7, 2);
    EXPECT_EQ("return:-1", nextPilot("T-A"));
}

TEST_F(Server, TerminalIsKnownByTheJudgeItLastWorkedAs) {
    // A sheet queued by judge 4 from another terminal name still counts for
    // the terminal that last worked as judge 4.
    EXPECT_EQ(kAccept, import("OPT=T&F=1&J=4&D=12&C=1&L=1&N1=10&N2=10&N3=10", "T-NEW"));
    sendSheet("T-OLD", 4, 1, 12, 3);
    EXPECT_EQ("return:0070101SHORT3", nextPilot("T-NEW"));
}

TEST_F(Server, CheckedFlightCodes) {
    const std::string ok = "&N1=10&N2=10&N3=10";
    EXPECT_EQ(kAccept, import("OPT=T&F=1&J=4&D=12&C=1&L=1" + ok));
    EXPECT_EQ(kAccept, import("OPT=T&F=1&J=4&D=12&C=1&L=1" + ok + ok + "&P=SHORT3"));
    EXPECT_EQ("return:100", import("OPT=T&F=9&J=4&D=12&C=1&L=1" + ok));
    EXPECT_EQ("return:100", import("OPT=T&F=1&J=4&D=12&C=2&L=1" + ok));
    EXPECT_EQ("return:101", import("OPT=T&F=1&J=6&D=12&C=1&L=1" + ok));
    EXPECT_EQ("return:101", import("OPT=T&F=1&J=77&D=12&C=1&L=1" + ok));
    EXPECT_EQ("return:102", import("OPT=T&F=1&J=4&D=55&C=1&L=1" + ok));
    EXPECT_EQ("return:105", import("OPT=T&F=1&J=4&D=99&C=1&L=1" + ok));
    EXPECT_EQ("return:105", import("OPT=T&F=1&J=4&D=40&C=1&L=1" + ok));
    EXPECT_EQ("return:106", import("OPT=T&F=1&J=4&D=12&C=1&L=1" + ok + "&P=PAIR2"));
    EXPECT_EQ("return:103", import("OPT=T&F=1&J=4&D=12&C=1&L=1&N1=10&N2=10"));
    EXPECT_EQ("return:103", import("OPT=T&F=1&J=4&D=12&L=1" + ok));
    EXPECT_EQ("return:103", import("OPT=T&F=one&J=4&D=12&C=1&L=1" + ok));
}

TEST_F(Server, SheetValuesAreChecked) {
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1"));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N4=7"));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N0=7"));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=7.55"));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=x"));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=7."));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=1000"));
    EXPECT_EQ("return:103", import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=--7"));
    EXPECT_EQ(kAccept, import("OPT=U&F=1&J=4&D=12&C=1&L=1&N1=-1&N2=-2&N3=10"));
}

TEST_F(Server, ResendReplacesTheSheetAndNeedsNoLine) {
    EXPECT_EQ(kAccept, sendSheet("T-A", 4, 1, 12, 3, "7"));
    EXPECT_EQ(kAccept, import("OPT=U&F=1&J=4&D=12&C=1&N1=8&N2=8&N3=8"));
    EXPECT_EQ(kAccept, import("OPT=U&F=1&J=4&D=12&C=1&N1=8&N2=8&N3=8"));
    std::string page = body("/");
    EXPECT_THAT(page, HasSubstr("8 8 8 <b>= 24.0</b>"));
    EXPECT_THAT(page, Not(HasSubstr("= 21.0")));
    size_t first = page.find("= 24.0");
    EXPECT_EQ(std::string::npos, page.find("= 24.0", first + 1));
}

TEST_F(Server, PageShowsArrivalsMissingSheetsAndTerminals) {
    sendSheet("T-A", 4, 1, 12, 3, "7.5");
    import("OPT=U&F=1&J=5&D=12&C=1&L=1&N1=-1&N2=-2", "<T&B>");
    std::string page = body("/");
    EXPECT_THAT(page, HasSubstr("Club Cup"));
    EXPECT_THAT(page, HasSubstr("12 Alice"));
    EXPECT_THAT(page, HasSubstr("7 Bert &lt;b&gt;"));
    EXPECT_THAT(page, HasSubstr("7.5 7.5 7.5 <b>= 22.5</b>"));
    EXPECT_THAT(page, HasSubstr("NO BP <b>= 0.0</b> <i>(2/3 figures)</i>"));
    EXPECT_THAT(page, HasSubstr("class=\"missing\""));
    EXPECT_THAT(page, HasSubstr("&lt;T&amp;B&gt;"));
    EXPECT_THAT(page, Not(HasSubstr("<T&B>")));
    EXPECT_THAT(page, HasSubstr("2024-06-15 14:30:00"));
}

TEST_F(Server, ServesTheDownloadTrees) {
    auto wav = get("/SD-Template/%23ENG/PGM/SHORT3/01.WAV");
    ASSERT_TRUE(wav);
    EXPECT_EQ(200, wav->status);
    EXPECT_EQ("RIFF-one", wav->body);
    EXPECT_THAT(body("/SD-Template/zeph_programme.csv"), HasSubstr("'SHORT3'"));
    EXPECT_THAT(body("/updates/param.sql"), HasSubstr("KALVENTRIX_WIFI"));
    EXPECT_EQ("program", body("/updates/kalventrix"));
    for (const char* missing : {"/SD-Template/%23ENG/PGM/SHORT3/02.WAV", "/updates/default.sql",
                                "/SD-Template/../competitions.csv", "/competitions.csv"}) {
        auto res = get(missing);
        ASSERT_TRUE(res) << missing;
        EXPECT_EQ(404, res->status) << missing;
    }
}

TEST_F(Server, FaultRefuseAndNoReturnAndMissingScript) {
    fault("kind=refuse&code=104");
    EXPECT_EQ("return:104", import("OPT=H"));
    EXPECT_EQ("return:104", import("OPT=H"));
    fault("kind=noreturn");
    EXPECT_THAT(import("OPT=H"), Not(HasSubstr("return:")));
    fault("kind=missing404");
    auto res = get("/import-kalventrix.php?OPT=P&L=1");
    ASSERT_TRUE(res);
    EXPECT_EQ(404, res->status);
    EXPECT_THAT(res->body, HasSubstr("Status: 404"));
    fault("kind=none");
    EXPECT_EQ(kAccept, import("OPT=H"));
}

TEST_F(Server, FaultHttp500AndDrop) {
    fault("kind=http500&count=1");
    auto res = get("/import-kalventrix.php?OPT=H");
    ASSERT_TRUE(res);
    EXPECT_EQ(500, res->status);
    EXPECT_THAT(res->body, Not(HasSubstr("return:")));
    // The count used up, the script answers again.
    EXPECT_EQ(kAccept, import("OPT=H"));

    fault("kind=drop&count=2");
    EXPECT_EQ("<no reply>", import("OPT=H"));
    EXPECT_EQ("<no reply>", import("OPT=H"));
    EXPECT_EQ(kAccept, import("OPT=H"));
}

TEST_F(Server, FaultDelayOutlastsAShortTimeout) {
    fault("kind=delay&ms=1500&count=1");
    httplib::Client impatient("127.0.0.1", server->port());
    impatient.set_read_timeout(0, 300000);
    EXPECT_FALSE(impatient.Get("/import-kalventrix.php?OPT=H"));
    EXPECT_EQ(kAccept, import("OPT=H"));
}

TEST_F(Server, FaultSwitchRefusesNonsense) {
    for (const char* q : {"kind=boom", "kind=delay", "kind=delay&ms=-5", "kind=refuse",
                          "kind=refuse&code=0", "kind=refuse&code=1000", "kind=drop&count=0"}) {
        auto res = get(std::string("/admin/fault?") + q, "");
        ASSERT_TRUE(res);
        EXPECT_EQ(400, res->status) << q;
    }
    EXPECT_EQ(kAccept, import("OPT=H"));
}

TEST_F(Server, FaultSwitchesExistOnlyWithTheTestOption) {
    fault("kind=refuse&code=104");
    EXPECT_EQ("return:104", import("OPT=H"));
    server->stop();
    start({"--memory"});
    auto res = get("/admin/fault?kind=refuse&code=104", "");
    ASSERT_TRUE(res);
    EXPECT_EQ(404, res->status);
    EXPECT_EQ(kAccept, import("OPT=H"));
}

TEST(FaultSwitchPeer, OnlyLoopbackClientsMaySwitch) {
    struct Case {
        const char* peer;
        bool allowed;
    };
    const Case cases[] = {
        {"127.0.0.1", true},
        {"127.0.0.0", true},
        {"127.255.255.255", true},
        {"126.255.255.255", false},
        {"128.0.0.1", false},
        {"10.0.0.127", false},
        {"192.168.1.20", false},
        {"0.0.0.0", false},
        {"::1", true},
        {"::ffff:127.0.0.1", true},
        {"::ffff:192.168.1.20", false},
        {"::", false},
        {"::2", false},
        {"fe80::1", false},
        {"2001:db8::1", false},
        {"", false},
        {"localhost", false},
        {"127.0.0.1.example", false},
    };
    for (const Case& c : cases) {
        server::FaultSwitch faults;
        server::SwitchReply reply = faults.request(c.peer, "refuse", "", "104", "");
        EXPECT_EQ(c.allowed ? 200 : 403, reply.status) << c.peer;
        EXPECT_EQ(c.allowed ? server::Fault::kRefuse : server::Fault::kNone, faults.current().kind)
            << c.peer;
    }
}

TEST_F(Server, LogsOneLinePerRequest) {
    import("OPT=H", "T-LOG");
    import("OPT=P&L=1", "T-LOG");
    // The line is written once the reply has gone out: give it a moment.
    std::string out;
    for (int i = 0; i < 200 && out.find("OPT=P&L=1 200") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        out = server->output();
    }
    EXPECT_THAT(out, HasSubstr("/import-kalventrix.php?OPT=H 200 T-LOG\n"));
    EXPECT_THAT(out, HasSubstr("/import-kalventrix.php?OPT=P&L=1 200 T-LOG\n"));
}

TEST_F(Server, StopsOnSigtermAndKeepsSheetsOnDisk) {
    server->stop();
    start({});
    sendSheet("T-A", 4, 1, 12, 3);
    EXPECT_EQ(0, server->stop());
    start({});
    EXPECT_EQ("return:0070101SHORT3", nextPilot("T-A"));
    EXPECT_TRUE(std::filesystem::exists(dir + "/received-sheets.db"));
}

TEST(ServerStart, RefusesABrokenContest) {
    std::string dir = (std::filesystem::current_path() / "broken").string();
    writeTestContest(dir);
    std::ofstream(dir + "/flights.csv", std::ios::app) << "1,4,NOSUCH,0\n";
    EXPECT_THROW(ServerProcess(dir, {"--memory"}), std::runtime_error);
    writeTestContest(dir);
    std::ofstream(dir + "/flights.csv", std::ios::app) << "1,5,SHORT3,1\n";  // pair without 6
    EXPECT_THROW(ServerProcess(dir, {"--memory"}), std::runtime_error);
}

TEST(ServerStart, NeedsAContestFolderAndSaysHowToMakeOne) {
    std::string dir = (std::filesystem::current_path() / "not-a-contest").string();
    auto refuses = [](const std::vector<std::string>& args, const std::string& missing) {
        ServerEnd end = runServerToEnd(args);
        EXPECT_GT(end.status, 0) << missing;
        EXPECT_THAT(end.errors, HasSubstr(missing));
        EXPECT_THAT(end.errors, HasSubstr("scripts/make-server-data.sh DIR"));
        EXPECT_EQ(1, std::count(end.errors.begin(), end.errors.end(), '\n')) << end.errors;
    };
    refuses({"--port", "0"}, "--data DIR");
    refuses({"--port", "0", "--data", dir + "/nowhere"}, "no such folder");
    for (const char* file : {"competitions.csv", "flights.csv", "lines.csv", "judges.csv",
                             "SD-Template/zeph_programme.csv", "SD-Template/zeph_figure.csv"}) {
        writeTestContest(dir);
        std::filesystem::remove(dir + "/" + file);
        refuses({"--port", "0", "--data", dir}, file);
    }
    // Named pilots are optional.
    writeTestContest(dir);
    std::filesystem::remove(dir + "/pilots.csv");
    EXPECT_NO_THROW(ServerProcess(dir, {"--memory"}));
}

}  // namespace
