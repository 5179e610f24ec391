// Exchanges with the competition server's script: hello/time, next pilot,
// flight check, score sheets, queued sheets and near-real-time scores.
#include <algorithm>
#include <cstdio>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "net/fn_wifi_reply.h"

namespace {

const char kScript[] = "/import-kalventrix.php";
const int kSilentJudge = 999;
const int kWrongSchedule = 106;

std::string scriptUrl(const std::string& query) {
    return net::serverAddress(gIPServer) + kScript + "?" + query;
}

std::string contextParams(int flight, int judge, int pilot, int comp) {
    return "&F=" + std::to_string(flight) + "&J=" + std::to_string(judge) +
           "&D=" + std::to_string(pilot) + "&C=" + std::to_string(comp);
}

std::string figureParam(size_t index, const std::string& value) {
    return "&N" + std::to_string(index + 1) + "=" + value;
}

std::string figureParams(std::vector<Note>& sheet, size_t first, size_t last) {
    std::string params;
    for (size_t i = first; i <= last && i < sheet.size(); ++i)
        params += figureParam(i, Note::serverText(sheet[i].getValue()));
    return params;
}

net::HttpResult send(const std::string& request) {
    std::printf("%s\n", request.c_str());
    return net::httpGet(request);
}

// Shared tail of a sheet delivery: -1 for no answer or an unreadable reply,
// the server's code otherwise; an acceptance sets the clock from its time.
// Refusals and unreadable replies go to the WiFi log only when `logRefusals`
// is set: resends stay out of it.
int readScoreReply(const net::HttpResult& reply, const char* echo, const std::string& context,
                   bool logRefusals) {
    if (!reply.ok) return -1;
    std::optional<net::ScoreReply> parsed = net::parseScoreReply(reply.text);
    if (!parsed) {
        std::printf("unreadable reply: %s\n", reply.text.substr(0, 80).c_str());
        if (logRefusals) net::logRefusal(-1, context);
        return -1;
    }
    std::printf(echo, parsed->code);
    if (parsed->code != 0) {
        if (logRefusals) net::logRefusal(parsed->code, context);
        return parsed->code;
    }
    if (!parsed->date.empty()) SystemDate(parsed->date);
    return 0;
}

}  // namespace

std::string wifi_test() {
    return wifi_get(scriptUrl("OPT=H"));
}

std::string wifi_date() {
    std::string request = scriptUrl("OPT=H");
    net::HttpResult reply = net::httpGet(request);
    std::printf("%s\n%s\n", request.c_str(), reply.text.c_str());
    if (!reply.ok) return "-1";
    if (reply.text.find("Status: 404") != std::string::npos) {
        std::printf("Status: 404\n");
        return "-1";
    }
    std::optional<std::string> date = net::parseHelloReply(reply.text);
    if (!date) return "-1";
    SystemDate(*date);
    std::printf("wret : %s\n", date->c_str());
    return *date;
}

int wifi_next_pilot(std::string* schedule, int* comp, int* flight, int* pilot, int* line) {
    static int nextFlight = 0;
    if (nextFlight >= 1) {
        *flight = nextFlight;
        nextFlight = 0;
        return *pilot;
    }
    net::HttpResult reply = send(scriptUrl("OPT=P&L=" + std::to_string(*line)));
    if (!reply.ok) return -1;
    net::PilotReply parsed = net::parseNextPilotReply(reply.text);
    switch (parsed.kind) {
        case net::PilotReply::kMissing:
            std::printf("Status: 404\n");
            return -1;
        case net::PilotReply::kNoPilot:
            std::printf("return:-1\n");
            *pilot = -1;
            return -1;
        case net::PilotReply::kError:
            std::printf("return:-\n");
            return -1;
        case net::PilotReply::kMalformed:
            std::printf("unreadable next pilot reply\n");
            return -1;
        case net::PilotReply::kPilot:
            break;
    }
    *schedule = parsed.schedule;
    *comp = parsed.comp;
    *flight = parsed.flight;
    if (*flight > 50) {
        *flight -= 50;
        nextFlight = *flight + 1;
    }
    *pilot = parsed.pilot;
    return *pilot;
}

int wifi_send_score(std::vector<Note> sheet, bool scored, int flight, int judge, int pilot,
                    int comp, std::string schedule, std::string lang, int line) {
    if (judge == kSilentJudge) return 0;
    const char* option = scored ? "U" : "T";
    std::string request = scriptUrl(std::string("OPT=") + option) +
                          contextParams(flight, judge, pilot, comp) + "&L=" + std::to_string(line);
    if (!scored) {
        int figures = db.read_nb_figs(schedule, lang);
        if (figures < 1) return kWrongSchedule;
        for (int i = 0; i < figures; ++i) request += figureParam(i, "10");
        send(request);  // announces the flight; only the second reply counts
    }
    if (!sheet.empty()) request += figureParams(sheet, 0, sheet.size() - 1);
    if (!scored) request += "&P=" + urlEncode(schedule);
    std::string context = std::string(option) + " " + std::to_string(comp) + "/" +
                          std::to_string(flight) + " L" + std::to_string(line) + " J" +
                          std::to_string(judge) + " P" + std::to_string(pilot) + " " + schedule;
    return readScoreReply(send(request), "wreturn : %d\n", context, true);
}

int wifi_resend_score(std::vector<Note> sheet, int comp, int flight, int judge, int pilot) {
    std::string request = scriptUrl("OPT=U") + contextParams(flight, judge, pilot, comp);
    if (!sheet.empty()) request += figureParams(sheet, 0, sheet.size() - 1);
    std::string context = "U " + std::to_string(comp) + "/" + std::to_string(flight) + " J" +
                          std::to_string(judge) + " P" + std::to_string(pilot);
    return readScoreReply(send(request), "wReturn : %d\n", context, false);
}

void wifi_send_NRT(int figure, int flight, int judge, int pilot, int comp, int line) {
    size_t first = static_cast<size_t>(std::max(0, figure - 3));
    size_t last = static_cast<size_t>(figure);
    if (figure < 0 || first >= aNote.size()) return;  // nothing of the sheet to send
    std::string request = scriptUrl("OPT=U") + contextParams(flight, judge, pilot, comp) +
                          "&L=" + std::to_string(line) + figureParams(aNote, first, last);
    std::printf("msg1 : %s\n", request.c_str());
    net::httpGet(request);
}
