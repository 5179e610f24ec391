// Every report the terminal prints, laid out with the driver's commands.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "app/settings.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"
#include "net/fn_wifi.h"
#include "net/fn_wifi_reply.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "printer/Pi_Thermal_layout.h"

namespace {

const char* const kVersion = "KALVENTRIX v2.77";
const std::string kSeparator(layout::kPaperWidth, '.');
constexpr int kMaxSettingRows = 99;

// Every line of a text file, without line ends; none when it cannot be read.
std::vector<std::string> readLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// One value, no newline, file truncated; a file that cannot be written is skipped.
void writeLastTicketFile(const std::string& name, const std::string& value) {
    std::ofstream out(name, std::ios::trunc);
    if (out) out << value;
}

void writeLastTicketFiles(int comp, int flight, int judge, int pilot, const std::string& schedule) {
    writeLastTicketFile("lastTicket_comp.txt", std::to_string(comp));
    writeLastTicketFile("lastTicket_flight.txt", std::to_string(flight));
    writeLastTicketFile("lastTicket_judge.txt", std::to_string(judge));
    writeLastTicketFile("lastTicket_pilot.txt", std::to_string(pilot));
    writeLastTicketFile("lastTicket_schedule.txt", schedule);
}

std::string txtFile(const char* name) {
    return platform::path(std::string("/home/pi/txt/") + name);
}

}  // namespace

// ---------------------------------------------------------------- score ticket

void Pi_Thermal::printticket(int comp, int flight, int judge, int pilot, std::string schedule,
                             std::string lang, int code, std::vector<Note> notes) {
    const std::tm now = platform::localTime();
    const bool doubleLine = db.get_param_bool(keyOf(SettingId::DoubleLine));

    std::printf("comp :%d\nflight :%d\njudge :%d\npilot :%d\nschedule :%s\n", comp, flight, judge,
                pilot, schedule.c_str());
    writeLastTicketFiles(comp, flight, judge, pilot, schedule);

    // The setting has no lower bound: anything below one still prints one ticket.
    const int copies = std::max(1, db.get_param_int(keyOf(SettingId::Tickets)));
    const std::string dateLine = layout::ticketDateLine(now, lang);
    for (int copy = 0; copy < copies; ++copy) {
        _printTicketCopy(dateLine, comp, flight, judge, pilot, schedule, code, notes, doubleLine);
    }
}

void Pi_Thermal::_printTicketCopy(const std::string& dateLine, int comp, int flight, int judge,
                                  int pilot, const std::string& schedule, int code,
                                  const std::vector<Note>& notes, bool doubleLine) {
    justify('L');
    setSize('S');
    println(dateLine);

    justify('C');
    setSize('M');
    if (code != 0) {
        const int textId = layout::replyCodeTextId(code);
        println(myTrans.tr(Text::TicketServerError));
        println(textId != 0 ? myTrans.tr(textId) : std::string());
    }
    println(schedule);

    justify('L');
    feed(1);
    print(layout::format("%-30s%02d", myTrans.tr(Text::TicketCompetition).c_str(), comp));
    println(layout::format("%-30s%02d", myTrans.tr(Text::TicketFlight).c_str(), flight));
    println(layout::format("%-29s%03d", myTrans.tr(Text::TicketJudge).c_str(), judge));
    println(layout::format("%-29s%03d", myTrans.tr(Text::TicketPilot).c_str(), pilot));
    feed(2);
    setSize('S');

    int number = 1;
    for (Note note : notes) {
        println(
            layout::ticketFigureLine(number++, note.getDesc(), note.getOption(), note.getValue()));
        if (doubleLine) println("");
    }

    _send(PrinterOp::DefaultLineHeight);
    feed(2);
    println(myTrans.tr(Text::TicketSignature));

    // Signature box: each row is exactly one paper line, so no newlines.
    print(kSeparator);
    for (int row = 0; row < 5; ++row) print("." + std::string(30, ' ') + ".");
    print(kSeparator);
    feed(4);
}

// ---------------------------------------------------------------- settings report

void Pi_Thermal::printparams() {
    platform::shell("cat " + platform::path("/proc/cpuinfo") + " | grep Model > " +
                    txtFile("model.txt"));
    platform::shell("hostname > " + txtFile("hostname.txt"));
    platform::shell("ip -a address | grep link/ether > " + txtFile("mac.txt"));
    platform::shell("hostname -I > " + txtFile("ip.txt"));
    platform::shell("iwlist wlan0 scan | grep ESSID > " + txtFile("essid.txt"));
    const std::string server =
        net::serverAddress(db.get_param_string(keyOf(SettingId::ServerAddress)));
    platform::shell("ping -c 3 " + shellWord(server) + " > " + txtFile("ping.txt"));

    reset();
    justify('L');
    setSize('S');
    println(layout::settingsDateLine(platform::localTime()));

    setSize('M');
    justify('C');
    println("Parameters");
    setSize('S');
    justify('C');
    println(layout::format("Version : %s", kVersion));
    setSize('S');
    justify('C');
    println(layout::format("Serial number : %s\n", mySerialNum.c_str()));

    setSize('M');
    justify('C');
    println("WIFI");
    setSize('S');
    _printDeviceEntries();

    feed(1);
    setSize('M');
    justify('C');
    println("KALVENTRIX");
    setSize('S');
    _printSettingsSection(kSettingsPrefix);

    feed(1);
    setSize('M');
    justify('C');
    println("PELMORIDUX");
    setSize('S');
    _printSettingsSection(kContextPrefix);
    feed(3);
}

void Pi_Thermal::_printEntryLabel(const std::string& label) {
    justify('L');
    println(label);
}

void Pi_Thermal::_printEntryValue(const std::string& value) {
    justify('R');
    println(value);
}

void Pi_Thermal::_printDeviceEntries() {
    // Each entry: its label before every value line, then the separator. An
    // entry whose file is missing keeps its label alone.
    std::vector<std::string> lines = readLines(txtFile("model.txt"));
    if (lines.empty()) _printEntryLabel("Model");
    for (const std::string& line : lines) {
        _printEntryLabel("Model");
        std::string value;
        if (!layout::modelValue(line, &value)) break;
        _printEntryValue(value);
    }
    println(kSeparator);

    lines = readLines(txtFile("hostname.txt"));
    if (lines.empty()) _printEntryLabel("Hostname");
    for (const std::string& line : lines) {
        _printEntryLabel("Hostname");
        _printEntryValue(line);
    }
    println(kSeparator);

    lines = readLines(txtFile("ip.txt"));
    if (lines.empty()) _printEntryLabel("IP address");
    for (const std::string& line : lines) {
        _printEntryLabel("IP address");
        if (line.find(' ') == std::string::npos) break;
        _printEntryValue(line);
    }
    println(kSeparator);

    lines = readLines(txtFile("mac.txt"));
    if (lines.empty()) _printEntryLabel("MAC address");
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
        _printEntryLabel("MAC address");
        _printEntryValue(layout::macValue(line));
    }
    println(kSeparator);

    _printEntryLabel("SSID");
    _printEntryValue(wifi_SSID());
    println(kSeparator);

    justify('L');
    println("Found SSIDs");
    for (const std::string& line : readLines(txtFile("essid.txt"))) {
        std::string name;
        if (layout::essidName(line, &name)) println(name);
    }
    println(kSeparator);

    justify('L');
    println("PINGs");
    for (const std::string& line : readLines(txtFile("ping.txt"))) {
        std::string reply;
        if (layout::pingReply(line, &reply)) println(reply);
    }
    println(kSeparator);
}

void Pi_Thermal::_printSettingsSection(const std::string& pattern) {
    const int counted = db.read_nb_params(pattern);
    std::vector<std::string> keys(kMaxSettingRows), values(kMaxSettingRows),
        labels(kMaxSettingRows), types(kMaxSettingRows);
    db.read_params(pattern, 0, keys.data(), values.data(), labels.data(), types.data(),
                   kMaxSettingRows);
    // Rows sit in slots 1 onward; a count beyond the slots must not read past them.
    const int rows = std::min(counted, kMaxSettingRows - 1);
    for (int slot = 1; slot <= rows; ++slot) {
        const std::string shown = layout::settingShown(values[slot], types[slot]);
        const std::string& label = labels[slot];
        if (label.size() + shown.size() < static_cast<size_t>(layout::kPaperWidth)) {
            print(label);
            print(std::string(layout::kPaperWidth - label.size() - shown.size(), ' '));
            println(shown);
        } else {
            justify('L');
            println(label);
            justify('R');
            println(shown);
        }
        println(kSeparator);
    }
}

// ---------------------------------------------------------------- logs and listings

void Pi_Thermal::printlog() {
    justify('C');
    setSize('M');
    println("WIFI Logs");
    justify('L');
    setSize('S');
    std::ifstream log(platform::path("/var/log/kalventrix/log_wifi.log"));
    feed(1);
    if (!log) {
        println("No log...");
    } else {
        setSize('S');
        justify('L');
        for (const std::string& line : layout::replyCodeLegend()) println(line);
        feed(1);
        std::string line;
        while (std::getline(log, line)) println(line);
        println(kSeparator);
    }
    feed(4);
}

void Pi_Thermal::_printListing(const std::string& title, const std::string& listing) {
    justify('C');
    setSize('M');
    println(title);
    justify('L');
    setSize('S');
    println(listing);
    feed(4);
}

void Pi_Thermal::printschedules() {
    _printListing(myTrans.tr(Text::PrintSchedules), db.print_schedules());
}

void Pi_Thermal::printnotsent() {
    _printListing(myTrans.tr(Text::UnsentScores), db.read_notsent_print());
}

// ---------------------------------------------------------------- test page

void Pi_Thermal::_printTestLines() {
    println("Hello World!");
    println("version");
    println(layout::format("%ld", std::lround(firmware * 100)));
    println("dotPrintTime");
    println(layout::format("%lu", static_cast<unsigned long>(dotPrintTime)));
    println("dotFeedTime");
    println(layout::format("%lu", static_cast<unsigned long>(dotFeedTime)));
}

void Pi_Thermal::test() {
    setFontA();
    _printTestLines();
    feed(2);
    setFontB();
    _printTestLines();
    feed(2);
    setFontA();
}

void Pi_Thermal::testPage() {
    std::printf("testPage\n");
    test();
}
