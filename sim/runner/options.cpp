#include "sim/runner/options.h"

#include <cctype>
#include <cstdio>

namespace sim::runner {

const char kUsage[] =
    "usage: kalventrix-sim --root DIR --script FILE|- [options]\n"
    "       kalventrix-sim --root DIR --panel [PORT] [options]\n"
    "  --lcd-addr 0x27|0x3f|none   where the display answers (default 0x27)\n"
    "  --eeprom TEXT               first line of the board description file\n"
    "  --date \"YYYY-MM-DD HH:MM:SS\" wall clock at start (default 2025-06-15 10:00:00)\n"
    "  --ssid NAME                 network the WiFi is associated with (\"\" for none)\n"
    "  --ip ADDR                   address of the WiFi interface (\"\" for none)\n"
    "  --realtime                  run in real time instead of virtual time\n"
    "  --restart                   start the program again when it ends with status 0\n"
    "  --panel [PORT]              front panel page on 127.0.0.1:PORT (default 8080), real time\n"
    "  --server-log FILE           the competition server's request log, shown on the panel\n"
    "                              and checked by expect-request\n"
    "  --board sim|pi              pi: the Raspberry Pi program (libgpiod) in a namespace where\n"
    "                              the sandbox is /, through the stand-in libgpiod, real time\n"
    "  --program PATH              the program (default: kalventrix, or kalventrix-pi with\n"
    "                              --board pi, beside this runner)\n"
    "  --source DIR                source tree with image/, data/, scripts/, sim/stubs/\n"
    "script commands, one a line (README.md tells more):\n"
    "  press KEY [MS], hold KEY MS, down KEY, up KEY, turn N [MS], wait MS,\n"
    "  until \"TEXT\" [MS], expect ROW \"TEXT\", expect-printer \"TEXT\" [N], lcd,\n"
    "  printer, printer png FILE, shell, file PATH, sql \"SELECT ...\", quit,\n"
    "  power-cut                   kill the program where it stands, then start it again\n"
    "  expect-shell \"TEXT\"         an unchecked shell command contains TEXT (checked up to it)\n"
    "  expect-request \"TEXT\"       the same for the server's requests (--server-log)\n"
    "  expect-no-shell \"TEXT\", expect-no-request \"TEXT\"\n"
    "                              no unchecked one contains TEXT (all checked)\n"
    "  expect-sql \"SELECT ...\" \"ROWS\"\n"
    "                              the result as sql shows it, exactly; \\n between rows\n"
    "  expect-file PATH \"TEXT\"     the file holds TEXT (\"\": the file is empty)\n"
    "  expect-no-file PATH [\"TEXT\"]\n"
    "                              the file is missing (or does not hold TEXT)\n"
    "  repeat N ... end            the lines between, N times\n";

namespace {

bool parseLcdAddr(const std::string& text, int& addr) {
    if (text == "0x27")
        addr = 0x27;
    else if (text == "0x3f" || text == "0x3F")
        addr = 0x3F;
    else if (text == "none")
        addr = 0;
    else
        return false;
    return true;
}

bool isPort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    port = std::stoi(text);
    return port >= 1 && port <= 65535;
}

bool inRange(int value, int low, int high) {
    return value >= low && value <= high;
}

int daysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool isValidDate(const std::string& text) {
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof kShape - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = std::isdigit(static_cast<unsigned char>(text[i]));
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
    }
    int year, month, day, hour, minute, second;
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
    return year >= 1970 && inRange(month, 1, 12) && inRange(day, 1, daysInMonth(year, month)) &&
           inRange(hour, 0, 23) && inRange(minute, 0, 59) && inRange(second, 0, 59);
}

OptionsResult parseOptions(const std::vector<std::string>& args) {
    OptionsResult result;
    Options& o = result.options;
    for (std::size_t i = 0; i < args.size() && result.ok(); ++i) {
        const std::string& name = args[i];
        if (name == "--realtime") {
            o.realtime = true;
            continue;
        }
        if (name == "--restart") {
            o.restart = true;
            continue;
        }
        if (name == "--panel") {
            o.panel = true;
            o.realtime = true;
            bool hasPort = i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0;
            if (hasPort && !isPort(args[++i], o.panelPort))
                result.error = "bad --panel port \"" + args[i] + "\" (1 to 65535)";
            continue;
        }
        if (name == "--help" || name == "-h") {
            o.help = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            result.error = name.rfind("--", 0) == 0 ? "option " + name + " needs a value"
                                                    : "unknown argument " + name;
            break;
        }
        const std::string& value = args[++i];
        if (name == "--root")
            o.root = value;
        else if (name == "--script")
            o.script = value;
        else if (name == "--program")
            o.program = value;
        else if (name == "--source")
            o.sourceDir = value;
        else if (name == "--eeprom")
            o.eeprom = value;
        else if (name == "--ssid")
            o.network.ssid = value;
        else if (name == "--ip")
            o.network.ip = value;
        else if (name == "--server-log")
            o.serverLog = value;
        else if (name == "--date") {
            o.date = value;
            if (!isValidDate(value))
                result.error = "bad --date \"" + value + "\" (YYYY-MM-DD HH:MM:SS)";
        } else if (name == "--board") {
            o.board = value;
            if (value != "sim" && value != "pi")
                result.error = "bad --board \"" + value + "\" (sim or pi)";
        } else if (name == "--lcd-addr") {
            if (!parseLcdAddr(value, o.lcdAddr))
                result.error = "bad --lcd-addr \"" + value + "\" (0x27, 0x3f or none)";
        } else {
            result.error = "unknown option " + name;
        }
    }
    if (result.ok() && !o.help && o.root.empty()) result.error = "--root is required";
    if (result.ok() && !o.help && o.panel == !o.script.empty())
        result.error = o.panel ? "--panel and --script exclude each other" : "--script is required";
    // The Pi program's platform sleeps for real.
    if (o.board == "pi") o.realtime = true;
    // Off the network: no address and nothing answers a ping.
    if (o.network.ssid.empty()) o.network.pingSucceeds = false;
    if (o.network.ip.empty()) o.network.pingSucceeds = false;
    return result;
}

}  // namespace sim::runner
