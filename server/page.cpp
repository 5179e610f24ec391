#include "server/page.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace server {
namespace {

// Sum in tenths; the NO (-1) and BP (-2) marks count nothing.
std::string total(const std::map<int, std::string>& marks) {
    long tenths = 0;
    for (const auto& [fig, value] : marks) {
        if (value == "-1" || value == "-2") continue;
        double points = std::atof(value.c_str());
        tenths += static_cast<long>(points * 10 + (points < 0 ? -0.5 : 0.5));
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%ld.%ld", tenths / 10, std::labs(tenths % 10));
    return text;
}

std::string markText(const std::string& value) {
    if (value == "-1") return "NO";
    if (value == "-2") return "BP";
    return value;
}

// Server times are kept as 14 digits; shown the way people read them.
std::string readableTime(const std::string& digits) {
    if (digits.size() != 14) return digits;
    return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2) + " " +
           digits.substr(8, 2) + ":" + digits.substr(10, 2) + ":" + digits.substr(12, 2);
}

const Sheet* find(const std::vector<Sheet>& sheets, int comp, int flight, int judge, int pilot) {
    for (const Sheet& s : sheets)
        if (s.key.comp == comp && s.key.flight == flight && s.key.judge == judge &&
            s.key.pilot == pilot)
            return &s;
    return nullptr;
}

void sheetCell(std::ostringstream& out, const Sheet* sheet, int figures) {
    if (sheet == nullptr) {
        out << "<td class=\"missing\">missing</td>";
        return;
    }
    out << "<td>";
    for (const auto& [fig, value] : sheet->marks) out << htmlEscape(markText(value)) << ' ';
    out << "<b>= " << total(sheet->marks) << "</b>";
    if (static_cast<int>(sheet->marks.size()) < figures)
        out << " <i>(" << sheet->marks.size() << "/" << figures << " figures)</i>";
    out << "</td>";
}

void flightSection(std::ostringstream& out, const Contest& contest, const Flight& f,
                   const std::vector<Sheet>& sheets) {
    int figures = contest.figureCount(f.schedule);
    for (int line : contest.linesOf(f.comp, f.number)) {
        out << "<h3>Flight " << f.number << " &middot; " << htmlEscape(f.schedule)
            << " &middot; line " << line << "</h3>\n<table><tr><th>Pilot</th>";
        std::vector<int> judges;
        for (const Judge& j : contest.judges()) {
            if (j.comp != f.comp || j.line != line) continue;
            judges.push_back(j.number);
            out << "<th>Judge " << j.number << " " << htmlEscape(j.name) << "</th>";
        }
        out << "</tr>\n";
        for (int pilot : *contest.order(f.comp, f.number, line)) {
            out << "<tr><td>" << pilot << " " << htmlEscape(contest.pilotName(f.comp, pilot))
                << "</td>";
            for (int judge : judges)
                sheetCell(out, find(sheets, f.comp, f.number, judge, pilot), figures);
            out << "</tr>\n";
        }
        out << "</table>\n";
    }
}

}  // namespace

std::string htmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string contestPage(const Contest& contest, Store& store) {
    std::vector<Sheet> sheets = store.sheets();
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Kalventrix contest</title>"
           "<meta http-equiv=\"refresh\" content=\"10\"><style>"
           "body{font-family:sans-serif}table{border-collapse:collapse}"
           "td,th{border:1px solid #999;padding:2px 6px}.missing{color:#b00}"
           "</style></head><body>\n";
    int comp = -1;
    for (const Flight& f : contest.flights()) {
        if (f.comp != comp) {
            comp = f.comp;
            out << "<h2>Competition " << comp << " " << htmlEscape(contest.competitionName(comp))
                << "</h2>\n";
        }
        flightSection(out, contest, f, sheets);
    }
    out << "<h2>Terminals</h2>\n<table><tr><th>Terminal</th><th>Judge</th><th>Line</th>"
           "<th>Last request</th><th>At</th></tr>\n";
    for (const TerminalSeen& t : store.terminals()) {
        out << "<tr><td>" << htmlEscape(t.name) << "</td><td>" << t.judge << "</td><td>" << t.line
            << "</td><td>" << htmlEscape(t.lastRequest) << "</td><td>"
            << htmlEscape(readableTime(t.lastTime)) << "</td></tr>\n";
    }
    out << "</table>\n</body></html>\n";
    return out.str();
}

}  // namespace server
