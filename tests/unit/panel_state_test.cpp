#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/panel/panel_state.h"

using namespace sim::panel;
using testing::HasSubstr;
using testing::Not;

namespace {

constexpr std::chrono::milliseconds kNoWait{0};

sim::PaperLine line(const std::string& text) {
    sim::PaperLine paper;
    paper.text = text;
    return paper;
}

Cursor after(std::uint64_t version, std::size_t paper = 0, std::size_t log = 0,
             std::size_t sounds = 0) {
    Cursor cursor;
    cursor.version = version;
    cursor.paper = paper;
    cursor.log = log;
    cursor.sounds = sounds;
    return cursor;
}

}  // namespace

TEST(PanelJson, StringsAreEscapedSoThatAnyByteKeepsTheDocumentValid) {
    EXPECT_EQ(jsonString("plain"), "\"plain\"");
    EXPECT_EQ(jsonString("say \"hi\" \\ there"), "\"say \\\"hi\\\" \\\\ there\"");
    EXPECT_EQ(jsonString(std::string("a\nb\tc\x01\x7f", 7)), "\"a\\u000ab\\u0009c\\u0001\\u007f\"");
    EXPECT_EQ(jsonString("n\xc3\xa9"), "\"n\xc3\xa9\"");
}

TEST(PanelJson, TheGlassCarriesCellsGlyphsAndEveryStateFlag) {
    sim::Glass glass;
    glass.cells[3][19] = 0xEE;
    glass.cgram[7][0] = 0x1F;
    glass.cursorRow = 3;
    glass.cursorCol = 19;
    glass.blink = true;
    glass.backlight = true;
    std::string json = glassJson(glass);
    EXPECT_THAT(json, HasSubstr("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,238]]"));
    EXPECT_THAT(json, HasSubstr("[31,0,0,0,0,0,0,0]]"));
    EXPECT_THAT(json, HasSubstr("\"cursorRow\":3,\"cursorCol\":19"));
    EXPECT_THAT(json, HasSubstr("\"display\":false,\"cursor\":false,\"blink\":true,"
                                "\"backlight\":true,\"present\":true"));
}

TEST(PanelJson, PaperLinesAreDecodedWithTheirWidthAndStyle) {
    sim::PaperLine paper = line("Caf\x82");  // e acute in code page 437
    paper.justify = sim::Justify::Right;
    paper.doubleWidth = true;
    paper.bold = true;
    std::string json = paperLineJson(paper);
    EXPECT_THAT(json, HasSubstr("\"text\":\"Caf\xc3\xa9\""));
    EXPECT_THAT(json, HasSubstr("\"width\":16"));
    EXPECT_THAT(json, HasSubstr("\"justify\":\"R\""));
    EXPECT_THAT(json, HasSubstr("\"bold\":true,\"doubleHeight\":false,\"doubleWidth\":true"));
}

TEST(PanelState, APageGetsOnlyWhatComesAfterItsCursor) {
    PanelState state;
    state.addPaper({line("one"), line("two")});
    state.addLog(LogKind::Shell, "aplay -q /home/pi/TADA.WAV &");
    state.addLog(LogKind::Server, "GET /import-kalventrix.php?OPT=H");
    state.addSound("/home/pi/TADA.WAV");

    std::string first = state.json(after(0), kNoWait);
    EXPECT_THAT(first, HasSubstr("\"paperFrom\":0,\"paper\":[{\"text\":\"one\""));
    EXPECT_THAT(first, HasSubstr("{\"kind\":\"shell\",\"text\":\"aplay -q /home/pi/TADA.WAV &\"}"));
    EXPECT_THAT(first, HasSubstr("\"soundFrom\":0,\"sounds\":[\"/home/pi/TADA.WAV\"]"));

    std::string next = state.json(after(state.version(), 2, 2, 1), kNoWait);
    EXPECT_THAT(next, HasSubstr("\"paperFrom\":2,\"paper\":[]"));
    EXPECT_THAT(next, HasSubstr("\"logFrom\":2,\"log\":[]"));
    EXPECT_THAT(next, HasSubstr("\"soundFrom\":1,\"sounds\":[]"));
    EXPECT_THAT(next, HasSubstr("\"version\":" + std::to_string(state.version())));
}

TEST(PanelState, ACursorBeyondTheSessionReadsFromTheStart) {
    // A page left open while the panel was started anew.
    PanelState state;
    state.addPaper({line("fresh")});
    state.addSound("/home/pi/click.wav");
    std::string json = state.json(after(99, 40, 300, 12), kNoWait);
    EXPECT_THAT(json, HasSubstr("\"paperFrom\":0,\"paper\":[{\"text\":\"fresh\""));
    EXPECT_THAT(json, HasSubstr("\"logFrom\":0"));
    EXPECT_THAT(json, HasSubstr("\"soundFrom\":0,\"sounds\":[\"/home/pi/click.wav\"]"));
}

TEST(PanelState, TheLogKeepsItsLatestEntriesWithTheirNumbers) {
    PanelState state;
    for (std::size_t i = 0; i < PanelState::kLogKept + 5; ++i)
        state.addLog(LogKind::Console, "line " + std::to_string(i));
    std::string json = state.json(after(0), kNoWait);
    EXPECT_THAT(json,
                HasSubstr("\"logFrom\":5,\"log\":[{\"kind\":\"console\",\"text\":\"line 5\"}"));
    EXPECT_THAT(json, Not(HasSubstr("\"line 4\"")));
    EXPECT_THAT(state.json(after(0, 0, PanelState::kLogKept + 4), kNoWait),
                HasSubstr("\"log\":[{\"kind\":\"console\",\"text\":\"line 2004\"}]"));
}

TEST(PanelState, OnlyRealChangesMoveTheVersion) {
    PanelState state;
    sim::Glass glass;
    glass.display = true;
    state.setGlass(glass);
    std::uint64_t shown = state.version();
    state.setGlass(glass);
    state.addPaper({});
    state.setVolume(80);  // the level a fresh panel assumes
    EXPECT_EQ(state.version(), shown);
    glass.cells[0][0] = 'K';
    state.setGlass(glass);
    EXPECT_EQ(state.version(), shown + 1);
    state.setVolume(62);
    EXPECT_THAT(state.json(after(0), kNoWait), HasSubstr("\"volume\":62"));
}

TEST(PanelState, AWaitingPageWakesAsSoonAsSomethingChanges) {
    PanelState state;
    std::uint64_t seen = state.version();
    std::thread writer([&state] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state.addLog(LogKind::Panel, "program ended with status 0");
    });
    // The long wait would fail the test by its length only if no wake-up came.
    std::string json = state.json(after(seen), std::chrono::seconds(60));
    writer.join();
    EXPECT_THAT(json, HasSubstr("program ended with status 0"));
}

TEST(PanelState, ProgramStartsAreCounted) {
    PanelState state;
    state.setProgram("running", true);
    state.setProgram("running", true);
    state.setProgram("ended with status 3", false);
    std::string json = state.json(after(0), kNoWait);
    EXPECT_THAT(json, HasSubstr("\"status\":\"ended with status 3\",\"starts\":2"));
}
