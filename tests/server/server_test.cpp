// The reference competition server: its answers to the import script over a
// small contest, the contest files it accepts, the fault switches, and the
// process as tests and demos start it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "server/contest.h"
#include "server/faults.h"
#include "server/page.h"
#include "server/protocol.h"

using ::testing::HasSubstr;

namespace {

const char kNow[] = "20240615143000";
const std::string kAccept = std::string("return:0&H:") + kNow;

// Contest folders of this process, removed when it ends.
const struct Scratch {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kv-server-" + std::to_string(getpid()));
    ~Scratch() { std::filesystem::remove_all(dir); }
} gScratch;

// Competition 1: a single flight of SHORT3 (3 figures, in two languages), a
// pair of flights of PAIR2 (2 figures), two lines; and a sound to serve.
std::string writeContest(const std::string& name) {
    const std::filesystem::path dir = gScratch.dir / name;
    const std::pair<const char*, const char*> files[] = {
        {"competitions.csv", "# id,name\n1,Club Cup\n"},
        {"flights.csv", "1,1,SHORT3,0\n1,2,PAIR2,1\n1,3,PAIR2\n"},
        {"lines.csv", "1,1,1,12 7\n1,1,2,40\n1,2,1,12 7\n"},
        {"judges.csv", "1,1,4,Ann\n1,1,5,Bob\n1,2,6,Cy\n"},
        {"pilots.csv", "1,12,Alice\n1,7,Bert <b>\n1,40,Dee\n1,99,Zed\n"},
        {"SD-Template/zeph_programme.csv",
         "1,'Short "
         "three','SHORT3','ENG',1,1,0,0,0,0,0,0,1\n2,'Pair','PAIR2','ENG',1,1,0,0,0,0,0,0,1\n"
         "3,'Court, trois','SHORT3','FRA',1,1,0,0,0,0,0,0,1\n"},
        {"SD-Template/zeph_figure.csv",
         "11,1,1,1,'Loop','Loop',0\n12,1,2,1,'Roll','Roll',0\n13,1,3,1,'Spin','Spin',0\n"
         "21,2,1,1,'Turn','Turn',0\n22,2,2,1,'Dive','Dive',0\n31,3,1,1,'Boucle','',0\n"
         "32,3,2,1,'Tonneau','',0\n33,3,3,1,'Vrille','',0\n"}};
    std::filesystem::remove_all(dir);
    for (auto [file, text] : files) {
        std::filesystem::create_directories((dir / file).parent_path());
        std::ofstream(dir / file) << text;
    }
    return dir.string();
}

// kalventrix-server on a free loopback port, stopped with SIGTERM.
class ServerProcess {
  public:
    explicit ServerProcess(const std::string& args)
        : out_(popen(("echo $$; exec " KV_SERVER_BIN " --port 0 " + args).c_str(), "r")) {
        char line[256] = "";
        if (std::fgets(line, sizeof line, out_)) pid_ = std::atoi(line);
        if (!std::fgets(line, sizeof line, out_) ||
            std::sscanf(line, "listening on 127.0.0.1:%d", &port_) != 1)
            ADD_FAILURE() << "the server did not start: " << line;
    }
    ~ServerProcess() { stop(); }
    int port() const { return port_; }
    // Its exit status, and what it wrote on standard output meanwhile.
    std::pair<int, std::string> stop() {
        if (!out_) return {-1, ""};
        kill(pid_, SIGTERM);
        std::string text;
        for (char line[512]; std::fgets(line, sizeof line, out_);) text += line;
        const int status = pclose(out_);
        out_ = nullptr;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
    }

  private:
    FILE* out_;
    int pid_ = 0, port_ = 0;
};

// As the server's HTTP layer reads a query.
server::Params paramsOf(const std::string& query) {
    server::Params params;
    httplib::detail::parse_query_text(query, params);
    return params;
}

const std::string kCheck = "OPT=T&F=1&J=4&D=12&C=1&L=1";
const std::string kAll10 = "&N1=10&N2=10&N3=10";

}  // namespace

// One exchange after the other, as terminals make them: the next pilot per
// line and per terminal, double flights, refusal codes, partial and resent
// sheets; then the director's page over what came in.
TEST(ServerProtocol, AnswersEachRequestInTheTerminalsReplyForms) {
    std::string error;
    std::optional<server::Contest> contest =
        server::Contest::load(writeContest("protocol"), &error);
    ASSERT_TRUE(contest) << error;
    server::Store store(":memory:");
    server::Protocol protocol(*contest, store, [] { return std::string(kNow); });
    const std::tuple<const char*, std::string, std::string> exchanges[] = {
        // terminal, query, reply
        {"T-A", "OPT=H", kAccept},
        {"T-A", "OPT=X", "return:104"},
        {"T-A", "OPT=P&L=1", "return:0120101SHORT3"},
        {"T-A", "OPT=P&L=2", "return:0400101SHORT3"},
        {"T-A", "OPT=P&L=3", "return:-1"},
        {"T-A", kCheck + kAll10, kAccept},
        {"T-A", kCheck + kAll10 + kAll10 + "&N1=8&N2=7.5&N3=-1&P=SHORT3", kAccept},
        {"T-A", "OPT=T&F=9&J=4&D=12&C=1&L=1" + kAll10, "return:100"},
        {"T-A", "OPT=T&F=1&J=6&D=12&C=1&L=1" + kAll10, "return:101"},
        {"T-A", "OPT=T&F=1&J=4&D=55&C=1&L=1" + kAll10, "return:102"},
        {"T-A", "OPT=T&F=1&J=4&D=99&C=1&L=1" + kAll10, "return:105"},
        {"T-A", "OPT=T&F=1&J=4&D=40&C=1&L=1" + kAll10, "return:105"},
        {"T-A", kCheck + kAll10 + "&P=PAIR2", "return:106"},
        {"T-A", kCheck + "&N1=10&N2=10", "return:103"},
        {"T-A", "OPT=T&F=1&J=4&D=12&L=1" + kAll10, "return:103"},
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&L=1", "return:103"},
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&L=1&N4=7", "return:103"},
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&L=1&N0=7", "return:103"},
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&L=1&N1=7.55", "return:103"},
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&L=1&N1=7&N2=8", kAccept},
        {"T-A", "OPT=P&L=1", "return:0120101SHORT3"},  // a partial sheet is no score
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&L=1&N3=9", kAccept},
        {"T-A", "OPT=P&L=1", "return:0070101SHORT3"},
        {"T-B", "OPT=P&L=1", "return:0120101SHORT3"},  // another terminal of the line
        {"T-NEW", kCheck + kAll10, kAccept},           // known by the judge it works as
        {"T-NEW", "OPT=P&L=1", "return:0070101SHORT3"},
        {"T-A", "OPT=U&F=1&J=4&D=7&C=1&L=1&N1=6&N2=6&N3=6", kAccept},
        {"T-A", "OPT=P&L=1", "return:0125201PAIR2"},  // a pair, announced with 50 added
        {"T-A", "OPT=U&F=2&J=4&D=12&C=1&L=1&N1=6&N2=6", kAccept},
        {"T-A", "OPT=P&L=1", "return:0120301PAIR2"},  // its second flight asked for alone
        {"T-A", "OPT=U&F=3&J=4&D=12&C=1&L=1&N1=6&N2=6", kAccept},
        {"T-A", "OPT=P&L=1", "return:0075201PAIR2"},
        {"T-A", "OPT=U&F=2&J=4&D=7&C=1&L=1&N1=6&N2=6", kAccept},
        {"T-A", "OPT=U&F=3&J=4&D=7&C=1&L=1&N1=6&N2=6", kAccept},
        {"T-A", "OPT=P&L=1", "return:-1"},
        {"T-A", "OPT=U&F=1&J=4&D=12&C=1&N1=8&N2=8&N3=8", kAccept},  // a resend: no line
        {"<T&B>", "OPT=U&F=1&J=5&D=12&C=1&L=1&N1=-1&N2=-2", kAccept},
    };
    for (const auto& [terminal, query, reply] : exchanges)
        EXPECT_EQ(protocol.answer(paramsOf(query), terminal, query), reply) << query;
    const std::string page = server::contestPage(*contest, store);
    EXPECT_THAT(page, HasSubstr("<tr><td>12 Alice</td><td>8 8 8 <b>= 24.0</b></td>"
                                "<td>NO BP <b>= 0.0</b> <i>(2/3 figures)</i></td></tr>"));
    EXPECT_THAT(page, HasSubstr("<tr><td>7 Bert &lt;b&gt;</td><td>6 6 6 <b>= 18.0</b></td>"
                                "<td class=\"missing\">missing</td></tr>"));
    EXPECT_THAT(page, HasSubstr("&lt;T&amp;B&gt;"));
    EXPECT_THAT(page, HasSubstr("2024-06-15 14:30:00"));
    EXPECT_EQ(page.find("= 24.0"), page.rfind("= 24.0"));
}

TEST(ServerContest, AFolderThatIsNoContestIsRefusedWithTheReason) {
    const std::string dir = writeContest("contest-files");
    std::string error;
    std::filesystem::remove(dir + "/pilots.csv");  // named pilots are optional
    EXPECT_TRUE(server::Contest::load(dir, &error)) << error;
    const std::pair<std::string, const char*> broken[] = {
        {"flights.csv|1,4,NOSUCH,0", "flight 1/4: schedule NOSUCH is not in the catalogue"},
        {"flights.csv|1,5,SHORT3,1", "flight 1/5 is a pair but flight 6 is missing"},
        {"flights.csv|1,50,SHORT3", "flights.csv:4: bad line: 1,50,SHORT3"},
        {"lines.csv|1,1,3,12 x", "lines.csv:4: bad line"},
    };
    for (const auto& [change, reason] : broken) {
        writeContest("contest-files");
        const std::size_t bar = change.find('|');
        std::ofstream(dir + "/" + change.substr(0, bar), std::ios::app)
            << change.substr(bar + 1) << "\n";
        EXPECT_FALSE(server::Contest::load(dir, &error)) << change;
        EXPECT_THAT(error, HasSubstr(reason));
    }
    EXPECT_EQ(server::Contest::missingFrom(dir + "/nowhere"), "no such folder");
    std::filesystem::remove(dir + "/judges.csv");
    std::filesystem::remove(dir + "/SD-Template/zeph_figure.csv");
    EXPECT_EQ(server::Contest::missingFrom(dir), "no judges.csv, SD-Template/zeph_figure.csv");
}

TEST(ServerFaults, OnlyLoopbackClientsSwitchAndOnlyToSomethingMeaningful) {
    const std::pair<const char*, bool> peers[] = {
        {"127.0.0.1", true},        {"127.255.255.255", true},      {"::1", true},
        {"::ffff:127.0.0.1", true}, {"126.255.255.255", false},     {"128.0.0.1", false},
        {"10.0.0.127", false},      {"::ffff:192.168.1.20", false}, {"::", false},
        {"fe80::1", false},         {"localhost", false},           {"", false}};
    for (auto [peer, allowed] : peers) {
        server::FaultSwitch faults;
        EXPECT_EQ(faults.request(peer, "refuse", "", "104", "").status, allowed ? 200 : 403)
            << peer;
        EXPECT_EQ(faults.current().kind, allowed ? server::Fault::kRefuse : server::Fault::kNone);
    }
    const std::tuple<const char*, const char*, const char*, const char*, bool> switches[] = {
        {"delay", "600000", "", "", true}, {"delay", "600001", "", "", false},
        {"refuse", "", "999", "", true},   {"refuse", "", "0", "", false},
        {"refuse", "", "1000", "", false}, {"drop", "", "", "0", false},
        {"boom", "", "", "", false},       {"none", "", "", "", true}};
    for (auto [kind, ms, code, count, valid] : switches)  // kind, ms, code, count
        EXPECT_EQ(server::FaultSwitch::parse(kind, ms, code, count).has_value(), valid)
            << kind << ms << code << count;
}

// The process: every fault it can show, the switches only with --faults, one
// log line per request, sheets kept on disk, and what it says without a contest.
TEST(ServerProcessTest, ShowsFaultsOnDemandAndKeepsSheets) {
    const std::string data = "--time " + std::string(kNow) + " --data " + writeContest("process");
    auto server = std::make_unique<ServerProcess>(data + " --faults");
    httplib::Client client("127.0.0.1", server->port());
    client.set_read_timeout(0, 300000);
    client.set_basic_auth("T-LOG", "");
    auto answer = [&](const std::string& fault) {
        if (!fault.empty()) {
            EXPECT_EQ(client.Get("/admin/fault?" + fault)->status, 200) << fault;
        }
        auto res = client.Get("/import-kalventrix.php?OPT=H");
        return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
    };
    EXPECT_EQ(answer("kind=refuse&code=104"), "200 return:104");
    EXPECT_EQ(answer("kind=noreturn"),
              "200 <html><body>Fatal error: database unavailable</body></html>");
    EXPECT_THAT(answer("kind=missing404"), HasSubstr("404 Status: 404"));
    EXPECT_EQ(answer("kind=http500&count=1"), "500 Internal Server Error");
    EXPECT_EQ(answer(""), "200 " + kAccept);
    EXPECT_EQ(answer("kind=drop&count=1"), "no reply");
    EXPECT_EQ(answer("kind=delay&ms=1000&count=1"), "no reply");
    EXPECT_EQ(answer(""), "200 " + kAccept);
    EXPECT_EQ(client.Get("/import-kalventrix.php?OPT=U&F=1&J=4&D=12&C=1&L=1&N1=7&N2=7&N3=7")->body,
              kAccept);
    auto [status, log] = server->stop();
    EXPECT_EQ(status, 0);
    EXPECT_THAT(log, HasSubstr("/import-kalventrix.php?OPT=H 200 T-LOG\n"));

    server = std::make_unique<ServerProcess>(data);
    httplib::Client plain("127.0.0.1", server->port());
    plain.set_basic_auth("T-LOG", "");
    EXPECT_EQ(plain.Get("/admin/fault?kind=refuse&code=104")->status, 404);
    EXPECT_EQ(plain.Get("/import-kalventrix.php?OPT=P&L=1")->body, "return:0070101SHORT3");

    for (const auto& [args, what] :
         {std::pair<std::string, std::string>{"--port 0",
                                              "no contest folder: give one with --data"},
          {"--data /nonexistent/contest", "/nonexistent/contest is not a contest folder"}}) {
        FILE* pipe = popen((KV_SERVER_BIN " " + args + " 2>&1 >/dev/null").c_str(), "r");
        std::string said;
        for (char line[512]; std::fgets(line, sizeof line, pipe);) said += line;
        EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 1) << args;
        EXPECT_THAT(said,
                    testing::MatchesRegex("kalventrix-server: [^\n]*; scripts/make-server-data.sh "
                                          "DIR makes one from the demo contest\n"));
        EXPECT_THAT(said, testing::HasSubstr(what));
    }
}
