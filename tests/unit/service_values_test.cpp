// The service screens' value rules: menu wrap, setting steps by type, the
// encoder test's path, the SD speed results and the server URL handed to
// the shell.
#include <gtest/gtest.h>

#include <fstream>

#include "screens/fn_screen_param.h"
#include "screens/fn_screen_sd.h"
#include "screens/fn_screen_shortcuts.h"
#include "screens/fn_screen_test.h"
#include "screens/menu.h"

namespace {

void write(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::trunc) << text;
}

TEST(ServiceValues, SettingsStepWithinTheirTypesLimits) {
    const struct {
        int type;
        const char *value, *key;
        int position, steps;
        const char* stepped;
    } rows[] = {
        // Text: each character from space to '}', cycling; a position past the text changes
        // nothing.
        {kParamText, " bc", "K", 0, -1, "}bc"},
        {kParamText, "}bc", "K", 0, 1, " bc"},
        {kParamText, "abd", "K", 1, -66, "a d"},
        {kParamText, "abd", "K", 1, -67, "a}d"},
        {kParamText, "ab~", "K", 5, 3, "ab~"},
        // Four numbers of three digits from 1 to 255, separators as stored, short values completed.
        {kParamQuad, "192.168.008.001", "K", 2, -1, "192.168.007.001"},
        {kParamQuad, "192.168.004.001", "K", 2, -8, "192.168.001.001"},
        {kParamQuad, "250.168.004.001", "K", 0, 8, "255.168.004.001"},
        {kParamQuad, "002-000-000-000", "K", 0, 8, "010-000-000-000"},
        {kParamQuad, "", "K", 0, 10, "011.001.001.001"},
        {kParamQuad, "010.001", "K", 1, 1, "010.002.001.001"},
        // On and off, and the two speeds, toggle on any change.
        {kParamOnOff, "0", "K", 0, 1, "1"},
        {kParamOnOff, "1", "K", 0, 8, "0"},
        {kParamOnOff, "ON", "K", 0, 1, "0"},
        {kParamSpeed, "19200", "K", 0, -1, "9600"},
        {kParamSpeed, "9600", "K", 0, 2, "19200"},
        // Numbers stop at 1, but for the ticket count; the volume stays within 60 and 100.
        {kParamNumber, "3", "K", 0, -8, "1"},
        {kParamNumber, "", "K", 0, -1, "1"},
        {kParamNumber, "1", "KALVENTRIX_NbTicket", 0, -1, "0"},
        {kParamNumber, "0", "KALVENTRIX_NbTicket", 0, -2, "-2"},
        {kParamVolume, "98", "K", 0, 4, "100"},
        {kParamVolume, "62", "K", 0, -8, "60"},
        {kParamVolume, "0", "K", 0, 1, "60"},
        {9, "ENG", "K", 0, 3, "ENG"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(stepParamValue(row.type, row.key, row.value, row.position, 512, 512 + row.steps),
                  row.stepped)
            << "type " << row.type << " '" << row.value << "' " << row.steps;
    // Encoder counts are taken on their low eight bits: 767 -> 768 is one step.
    EXPECT_EQ(stepParamValue(kParamText, "K", "a", 0, 767, 768), "b");
}

TEST(ServiceValues, MenusWrapAndTheEncoderPathRunsRoundTheEdge) {
    const int selections[][4] = {{6, 7, 1, 0}, {0, 7, 0, 6}, {3, 7, 1, 4}, {3, 7, 0, 2},
                                 {0, 1, 1, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}};
    for (const auto& s : selections)
        EXPECT_EQ(stepSelection(s[0], s[1], s[2]), s[3]) << s[0] << "/" << s[1];
    const int cells[][3] = {{0, 0, 0},   {10, 0, 10}, {19, 0, 19}, {20, 1, 19},
                            {21, 2, 19}, {22, 3, 19}, {41, 3, 0},  {42, 2, 0},
                            {43, 1, 0},  {44, 0, 0},  {-1, 1, 0}};
    for (const auto& cell : cells) {
        int row = -1, col = -1;
        encoderPathCell(cell[0], &row, &col);
        EXPECT_EQ(std::make_pair(row, col), std::make_pair(cell[1], cell[2])) << "step " << cell[0];
    }
}

TEST(ServiceValues, SpeedFiguresAndServerUrls) {
    const std::pair<const char*, const char*> speeds[] = {
        {"1+0 records in\n104857600 bytes (105 MB) copied, 2.5 s, 41.9 MB/s\nx copied, 9 s, 1 "
         "MB/s\n",
         "2.5 s, 41.9 MB/s"},
        {"copied, 12.3456789 s, 8.49431 MB/s\n", "12.3456789 s, 8.4943"},
        {"dd: error writing\n", ""}};
    for (const auto& [text, figures] : speeds) {
        write("perf.txt", text);
        EXPECT_EQ(copiedFigures("perf.txt"), figures) << text;
    }
    EXPECT_EQ(copiedFigures("no-such-file.txt"), "");
    const std::pair<const char*, const char*> urls[] = {{"192.168.004.001", "192.168.4.1/a"},
                                                        {"x;rm -rf y", "'x;rm -rf y/a'"},
                                                        {"it's", "'it'\\''s/a'"}};
    for (const auto& [server, word] : urls) EXPECT_EQ(serverUrlWord(server, "/a"), word) << server;
}

}  // namespace
