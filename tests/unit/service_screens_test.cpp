// The service screens driven through the keypad and encoder of the virtual
// board: menus, tests, shortcuts, settings and downloads.
#include <wiringPi.h>

#include <cstdio>
#include <filesystem>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "screens/fn_screen_param.h"
#include "screens/fn_screen_sd.h"
#include "screens/fn_screen_shortcuts.h"
#include "screens/fn_screen_test.h"
#include "screens/resend.h"
#include "tests/support/service_support.h"

using namespace service_test;

namespace {

constexpr unsigned int kLong = 1500;       // a long press of R_C
constexpr unsigned int kPadded = 1200;     // per detent on the lists that take long to draw
constexpr unsigned int kFirstDraw = 1200;  // the encoder is re-centred after the first drawing

std::string blank() {
    return std::string(20, ' ');
}

// "#" + text from column 1, padded, "#" at column 19.
std::string selectedInline(const std::string& text) {
    return "#" + text + std::string(18 - text.size(), ' ') + "#";
}

std::string selectedPadded(const std::string& text) {
    return "# " + text + std::string(17 - text.size(), ' ') + "#";
}

std::string left(const std::string& text) {
    return text + std::string(20 - text.size(), ' ');
}

// ---------------------------------------------------------------------------
// Test screen

using TestScreen = ServiceTest;

TEST_F(TestScreen, MenuWrapsBothWaysAndNeverShowsBothSidesOfTheWrap) {
    std::vector<std::string> first, last, again;
    captureGlassAt(500, &first);
    turn(-1, 700);
    captureGlassAt(1400, &last);
    turn(1, 1600);
    captureGlassAt(2300, &again);
    press("R_C", 2500, kLong);
    EXPECT_EQ(0, screen_test());
    EXPECT_EQ("#      Tests       #", first[0]);
    EXPECT_EQ(blank(), first[1]);
    EXPECT_EQ(selectedInline("E8"), first[2]);
    EXPECT_EQ(left("E9"), first[3]);
    EXPECT_EQ(left("E13"), last[1]);
    EXPECT_EQ(selectedInline("E14"), last[2]);
    EXPECT_EQ(blank(), last[3]);
    EXPECT_EQ(first, again);
}

TEST_F(TestScreen, KeypadMarksTheLastKeyOnly) {
    std::vector<std::string> ten, valid, menu;
    turn(2, 300);
    press("R_C", 1500);
    press("10", 2200);
    captureGlassAt(2900, &ten);
    press("VALID", 3200);
    captureGlassAt(3900, &valid);
    press("R_C", 4200, kLong);  // ends the keypad test only
    captureGlassAt(6300, &menu);
    press("R_C", 6600, kLong);
    screen_test();
    EXPECT_EQ("-   0....5....##   +", ten[0]);
    EXPECT_EQ("N.O.   REPEAT  VALID", ten[2]);
    EXPECT_EQ("-   0....5....10   +", valid[0]);
    EXPECT_EQ("N.O.   REPEAT  #####", valid[2]);
    EXPECT_EQ(selectedInline("E10"), menu[2]) << "the long press ended the test, not the screen";
}

TEST_F(TestScreen, KeypadNamesEveryKeyAtItsPlace) {
    std::vector<std::string> minus, no, repeat, seven, afterLong;
    turn(2, 300);
    press("R_C", 1500);
    press("MINUS", 2200);
    captureGlassAt(2900, &minus);
    press("NO", 3200);
    captureGlassAt(3900, &no);
    press("REPEAT", 4200);
    captureGlassAt(4900, &repeat);
    press("7", 5200);
    captureGlassAt(5900, &seven);
    press("PLUS", 6200, kLong);  // a long press marks nothing
    captureGlassAt(8200, &afterLong);
    press("R_C", 8500);
    press("R_C", 9200, kLong);
    screen_test();
    EXPECT_EQ("#   0....5....10   +", minus[0]);
    EXPECT_EQ("####   REPEAT  VALID", no[2]);
    EXPECT_EQ("N.O.   ######  VALID", repeat[2]);
    EXPECT_EQ("-   0....5.#..10   +", seven[0]);
    EXPECT_EQ(seven, afterLong);
}

TEST_F(TestScreen, EncoderMarkerWrapsAroundTheEdge) {
    std::vector<std::string> start, corner, wrapped, back;
    turn(3, 300);
    press("R_C", 2000);
    captureGlassAt(2700, &start);
    turn(-10, 3000);
    captureGlassAt(7500, &corner);
    turn(-1, 7800);
    captureGlassAt(8400, &wrapped);
    turn(1, 8700);
    captureGlassAt(9300, &back);
    press("R_C", 9500);
    press("R_C", 10200, kLong);
    screen_test();
    EXPECT_EQ("          #         ", start[0]);
    EXPECT_EQ("#                   ", corner[0]);
    EXPECT_EQ(' ', wrapped[0][0]);
    EXPECT_EQ('#', wrapped[1][0]) << "one step back from the corner is the left edge";
    EXPECT_EQ('#', back[0][0]);
    EXPECT_EQ(' ', back[1][0]);
}

TEST_F(TestScreen, SoundPrinterAndDisplayTests) {
    const std::size_t from = shellCount();
    std::vector<std::string> arrows;
    press("R_C", 300);  // display
    captureGlassAt(3000, &arrows);
    turn(1, 4500);
    press("R_C", 5200);  // printer
    turn(4, 12000);
    press("R_C", 14000);  // sound
    press("R_C", 15000, kLong);
    screen_test();
    for (const std::string& row : arrows) EXPECT_EQ(std::string(20, '#'), row);
    EXPECT_TRUE(contains(paperLines(), "Hello World!"));
    EXPECT_TRUE(contains(shellSince(from), "aplay " + rootPath("/home/pi/TADA.WAV") + " -q &"));
}

TEST_F(TestScreen, WifiResultIsFramedOnTwoRows) {
    std::vector<std::string> result;
    turn(-1, 300);
    press("R_C", 1000);
    captureGlassAt(1800, &result);
    press("R_C", 2200);
    press("R_C", 2800, kLong);
    screen_test();
    EXPECT_EQ("#                  #", result[0]);
    EXPECT_EQ("#No server answers #", result[1]);
    EXPECT_EQ("# on this network  #", result[2]);
}

TEST_F(TestScreen, WifiOffShowsTheWarningUntilValid) {
    gWIFI = false;
    std::vector<std::string> warning;
    turn(-1, 300);
    press("R_C", 1000);
    captureGlassAt(1800, &warning);
    press("VALID", 2200);
    press("R_C", 2800, kLong);
    screen_test();
    EXPECT_NE(std::string::npos, warning[1].find("E57"));
}

TEST_F(TestScreen, SdTestShowsTheCopySpeeds) {
    namespace fs = std::filesystem;
    fs::copy_file(std::string(KALVENTRIX_SOURCE_DIR) + "/image/rootfs/home/pi/sd-test.bash",
                  "sd-test.bash", fs::copy_options::overwrite_existing);
    // Here the working folder is the root itself: the script's txt/ is the program's.
    if (!fs::exists("txt")) fs::create_directory_symlink(rootPath("/home/pi/txt"), "txt");
    std::vector<std::string> result;
    turn(4, 300);
    press("R_C", 2200);
    captureGlassAt(60000, &result);
    press("R_C", 61000);
    press("R_C", 61500, kLong);
    screen_test();
    EXPECT_EQ(left("E4"), result[0]);
    EXPECT_NE(std::string::npos, result[1].find("s, ")) << result[1];
    EXPECT_EQ(left("E5"), result[2]);
    EXPECT_NE(std::string::npos, result[3].find("s, ")) << result[3];
}

// ---------------------------------------------------------------------------
// Shortcuts

class Shortcuts : public ServiceTest {
  protected:
    void SetUp() override {
        ServiceTest::SetUp();
        num_screen = 1;
        setParam("KALVENTRIX_1VOL", "80", "Volume", "6");
    }
};

TEST_F(Shortcuts, RelaunchReturnsMinusTwo) {
    press("R_C", 600);
    EXPECT_EQ(-2, screen_shortcuts());
}

TEST_F(Shortcuts, LeavingAtOnceKeepsTheScreenNumberAndAfterATurnGoesToMain) {
    press("R_C", 600, kLong);
    EXPECT_EQ(0, screen_shortcuts());
    EXPECT_EQ(1, num_screen);
    turn(1, 300);
    press("R_C", 1000, kLong);
    EXPECT_EQ(0, screen_shortcuts());
    EXPECT_EQ(10, num_screen);
}

TEST_F(Shortcuts, LastEntryGoesToTheMainScreen) {
    std::vector<std::string> menu;
    turn(-1, 300);
    captureGlassAt(1000, &menu);
    press("R_C", 1300);
    EXPECT_EQ(0, screen_shortcuts());
    EXPECT_EQ(0, num_screen);
    EXPECT_EQ("#       E73        #", menu[0]);
    EXPECT_EQ(selectedInline("E77"), menu[2]);
}

TEST_F(Shortcuts, ResendTriesEachQueuedSheetOnceAndKeepsTheRefused) {
    for (int pilot = 1; pilot <= 25; ++pilot) queueSheet(3, 2, pilot);
    queueSheet(3, 2, 99);
    exec("UPDATE notsent SET juge_n = 5 WHERE pil_n = 99;");  // another judge's
    link().refusedPilots = {2, 5, 7};
    turn(3, 300);
    press("R_C", 1800);
    press("R_C", 60000, kLong);
    screen_shortcuts();
    std::vector<int> expected;
    for (int pilot = 1; pilot <= 25; ++pilot) expected.push_back(pilot);
    EXPECT_EQ(expected, link().resentPilots);
    EXPECT_EQ(3, sqlInt("SELECT count(*) FROM notsent WHERE juge_n = 4"));
    EXPECT_EQ(7, sqlInt("SELECT max(pil_n) FROM notsent WHERE juge_n = 4"));
    EXPECT_EQ(1, sqlInt("SELECT count(*) FROM notsent WHERE juge_n = 5"));
    EXPECT_EQ(3, offset) << "the refused three stay in front of the queue";
}

TEST_F(Shortcuts, ReprintUsesTheLastTicketUpToTheSpaceOfItsSchedule) {
    writeFile("lastTicket_comp.txt", "3");
    writeFile("lastTicket_flight.txt", "2");
    writeFile("lastTicket_judge.txt", "4");
    writeFile("lastTicket_pilot.txt", "17");
    writeFile("lastTicket_schedule.txt", "F 25");
    queueSheet(3, 2, 17);
    turn(1, 300);
    press("R_C", 1000);
    press("R_C", 20000, kLong);
    screen_shortcuts();
    const std::vector<std::string> paper = paperLines();
    EXPECT_TRUE(contains(paper, "Loop"));
    EXPECT_TRUE(contains(paper, "017"));
    EXPECT_EQ("F", readFile("lastTicket_schedule.txt"));
}

TEST_F(Shortcuts, VolumeStepsUpAndIsStored) {
    const std::size_t from = shellCount();
    turn(2, 300);
    press("R_C", 1400);
    press("R_C", 6000, kLong);
    screen_shortcuts();
    EXPECT_EQ("82", paramValue("KALVENTRIX_1VOL"));
    EXPECT_TRUE(contains(shellSince(from), "amixer cset numid=1 82%"));
}

// With REPEAT held, a turn made in the dialog runs the entry again at once, and
// every round opens the dialog upwards first: 82, a turn up (84), the dialog
// for that turn (86), the next round (88); nothing turned then: it ends.
TEST_F(Shortcuts, HeldRepeatRunsTheVolumeEntryAgainForEachTurn) {
    const std::size_t from = shellCount();
    turn(2, 300);
    press("REPEAT", 1300, 9000);
    press("R_C", 1400);
    turn(1, 3000);  // inside the first dialog
    press("R_C", 13000, kLong);
    screen_shortcuts();
    std::vector<std::string> levels;
    for (const std::string& command : shellSince(from))
        if (command.rfind("sudo amixer cset numid=1 ", 0) == 0)
            levels.push_back(command.substr(25));
    EXPECT_EQ((std::vector<std::string>{"82%", "84%", "86%", "88%"}), levels);
    EXPECT_EQ("88", paramValue("KALVENTRIX_1VOL"));
}

// ---------------------------------------------------------------------------
// Settings

class Settings : public ServiceTest {
  protected:
    void SetUp() override {
        ServiceTest::SetUp();
        setParam("KALVENTRIX_1VOL", "96", "Volume", "6");
        setParam("KALVENTRIX_CLICK", "0", "Key click", "3");
        setParam("KALVENTRIX_IPServer", "192.168.008.001", "Server address", "2");
        setParam("KALVENTRIX_LANG", "ENG", "Language", "7");
        setParam("KALVENTRIX_LINE", "1", "Judging line", "4");
        setParam("KALVENTRIX_NbTicket", "1", "Tickets", "4");
        setParam("KALVENTRIX_SSID", "", "WiFi network", "1");
        setParam("PELMORIDUX_PILOT", "12", "Pilot", "4");
    }
    // Opens the setting at `index` (0 to 6) from the top of the list, once drawn.
    unsigned int open(int index, unsigned int atMs) {
        atMs += kFirstDraw;
        if (index > 3) index -= 7;
        turn(index, atMs, kPadded);
        const unsigned int at = atMs + kPadded * (index < 0 ? -index : index) + 1000;
        press("R_C", at);
        return at + 800;
    }
};

TEST_F(Settings, ListStartsWithThePrintHintAndWraps) {
    std::vector<std::string> top, last;
    captureGlassAt(1200, &top);
    turn(-1, 1500, kPadded);
    captureGlassAt(3500, &last);
    press("R_C", 4000, kLong);
    EXPECT_EQ(0, screen_param());
    EXPECT_EQ("#      Params      #", top[0]);
    EXPECT_EQ("  <+> Print params  ", top[1]);
    EXPECT_EQ(selectedPadded("Volume"), top[2]);
    EXPECT_EQ(left("Key click"), top[3]);
    EXPECT_EQ(left("Tickets"), last[1]);
    EXPECT_EQ(selectedPadded("WiFi network"), last[2]);
    EXPECT_EQ(blank(), last[3]);
    EXPECT_EQ(10, num_screen);
}

TEST_F(Settings, LeavingWithoutActionLeavesTheScreenNumber) {
    press("R_C", 600, kLong);
    EXPECT_EQ(0, screen_param());
    EXPECT_EQ(2, num_screen);
    EXPECT_FALSE(bUpdate);
}

TEST_F(Settings, TextEditingWrapsCursorAndCharactersAndTrims) {
    unsigned int at = open(6, 200);
    turn(-1, at);  // space - 1 = '}'
    press("R_C", at + 700);
    turn(1, at + 1400);  // space + 1 = '!'
    at += 2100;
    for (int i = 0; i < 17; ++i, at += 600) press("R_C", at);  // back to the first character
    turn(1, at);                                               // '}' + 1 = space
    press("R_C", at + 700, kLong);
    press("VALID", at + 2900);  // no reboot
    press("R_C", at + 3700, kLong);
    EXPECT_EQ(0, screen_param());
    EXPECT_EQ(" !", paramValue("KALVENTRIX_SSID"));
    EXPECT_EQ(" !", gSSID);
    EXPECT_NE(std::string::npos,
              readFile(rootPath("/etc/wpa_supplicant/wpa_supplicant.conf")).find("ssid=\" !\""));
}

TEST_F(Settings, UneditedLongTextIsKeptWhole) {
    setParam("KALVENTRIX_SSID", "A-VERY-LONG-NETWORK-NAME  ", "WiFi network", "1");
    const unsigned int at = open(6, 200);
    press("R_C", at, kLong);
    press("VALID", at + 2200);
    press("R_C", at + 3000, kLong);
    screen_param();
    EXPECT_EQ("A-VERY-LONG-NETWORK-NAME", paramValue("KALVENTRIX_SSID"));
}

TEST_F(Settings, WifiChangeAnsweredWithRebootLeavesWithMinusOne) {
    const unsigned int at = open(6, 200);
    turn(1, at);
    press("R_C", at + 700, kLong);
    press("MINUS", at + 2900);
    EXPECT_EQ(-1, screen_param());
    EXPECT_EQ("!", paramValue("KALVENTRIX_SSID"));
}

TEST_F(Settings, FourNumbersStayInRangeWithThreeDigits) {
    std::vector<std::string> shown;
    unsigned int at = open(2, 200);
    press("R_C", at);
    press("R_C", at + 600);
    turn(-1, at + 1200);
    captureGlassAt(at + 1900, &shown);
    turn(-9, at + 2100);
    press("R_C", at + 6200);  // fourth number
    turn(8, at + 6800);
    press("R_C", at + 10400, kLong);
    press("R_C", at + 12500, kLong);
    screen_param();
    EXPECT_EQ("192.168.007.001", shown[2].substr(2, 15));
    EXPECT_EQ("192.168.001.009", paramValue("KALVENTRIX_IPServer"));
}

TEST_F(Settings, OnOffTogglesOnEveryChangeAndTheClickTakesEffect) {
    std::vector<std::string> shown;
    unsigned int at = open(1, 200);
    turn(1, at);
    captureGlassAt(at + 700, &shown);
    turn(-1, at + 1000);
    turn(-1, at + 1600);
    press("R_C", at + 2200);  // closes an on/off setting
    press("R_C", at + 2900, kLong);
    screen_param();
    EXPECT_NE(std::string::npos, shown[2].find("ON"));
    EXPECT_EQ("1", paramValue("KALVENTRIX_CLICK"));
    EXPECT_TRUE(gCLICK);
    const std::size_t from = shellCount();
    press("5", 200);
    waitMillis(1000);
    EXPECT_TRUE(contains(shellSince(from), "click.wav")) << "the keys click at once";
}

TEST_F(Settings, NumbersStopAtOneButTicketsGoBelow) {
    unsigned int at = open(4, 200);  // judging line 1
    turn(1, at);
    turn(-3, at + 700);
    press("R_C", at + 2400);
    turn(1, at + 3300, kPadded);  // tickets
    press("R_C", at + 5000);
    turn(-2, at + 5800);
    press("R_C", at + 7400);
    press("R_C", at + 8400, kLong);
    screen_param();
    EXPECT_EQ("1", paramValue("KALVENTRIX_LINE"));
    EXPECT_EQ(1, gLine);
    EXPECT_EQ("-1", paramValue("KALVENTRIX_NbTicket"));
}

TEST_F(Settings, VolumeIsHeldAndTheSampleSoundsAtMostEveryHalfSecond) {
    const std::size_t from = shellCount();
    const unsigned int at = open(0, 200);
    turn(6, at, 100);
    press("R_C", at + 2000);
    press("R_C", at + 2700, kLong);
    screen_param();
    const std::vector<std::string> shell = shellSince(from);
    const std::vector<unsigned long long> sampled = shellTimesSince(from, "TADA.WAV &");
    for (size_t i = 1; i < sampled.size(); ++i)
        EXPECT_GT(sampled[i] - sampled[i - 1], 500000u) << "sample " << i;
    EXPECT_EQ("100", paramValue("KALVENTRIX_1VOL"));
    EXPECT_GE(countContaining(shell, "amixer cset numid=1"), 4);
    EXPECT_TRUE(contains(shell, "amixer cset numid=1 100%"));
    EXPECT_FALSE(contains(shell, "numid=1 102%"));
    EXPECT_GE(sampled.size(), 1u);
    EXPECT_LT(static_cast<int>(sampled.size()), countContaining(shell, "amixer cset numid=1"));
}

TEST_F(Settings, LanguageSwitchReloadsTheTextsAtOnce) {
    const unsigned int at = open(3, 200);
    turn(1, at);
    press("R_C", at + 700);
    press("R_C", at + 1400, kLong);
    screen_param();
    EXPECT_EQ("FRA", gLang);
    EXPECT_EQ("FRA", paramValue("KALVENTRIX_LANG"));
    EXPECT_EQ("F17", myTrans.tr(17));
}

TEST_F(Settings, PlusPrintsTheReport) {
    press("PLUS", kFirstDraw + 300);
    press("R_C", 30000, kLong);
    screen_param();
    const std::vector<std::string> paper = paperLines();
    EXPECT_TRUE(contains(paper, "Parameters"));
    EXPECT_TRUE(contains(paper, "Server address"));
    EXPECT_EQ(10, num_screen);
}

// ---------------------------------------------------------------------------
// Downloads

class Downloads : public ServiceTest {
  protected:
    void SetUp() override {
        ServiceTest::SetUp();
        num_screen = 4;
    }
    // Runs entry `index` (0 to 9) from the top with VALID, once drawn.
    unsigned int run(int index, unsigned int atMs) {
        atMs += kFirstDraw;
        if (index > 5) index -= 10;
        turn(index, atMs, kPadded);
        const unsigned int at = atMs + kPadded * (index < 0 ? -index : index) + 1000;
        press("VALID", at);
        return at + 800;
    }
    std::string serverFolder() {
        const std::string folder = rootPath("/srv");
        std::filesystem::create_directories(folder + "/SD-Template");
        std::filesystem::create_directories(folder + "/updates");
        return folder;
    }
    int schedules() { return sqlInt("SELECT count(*) FROM zeph_programme"); }
};

TEST_F(Downloads, MenuShowsTenEntriesAndWraps) {
    std::vector<std::string> first, last;
    captureGlassAt(1200, &first);
    turn(-1, 1500, kPadded);
    captureGlassAt(3500, &last);
    press("R_C", 4000, kLong);
    EXPECT_EQ(0, screen_sd());
    EXPECT_EQ("#       E49        #", first[0]);
    EXPECT_EQ(blank(), first[1]);
    EXPECT_EQ(selectedPadded("E46"), first[2]);
    EXPECT_EQ(left("E47"), first[3]);
    EXPECT_EQ(left("E67"), last[1]);
    EXPECT_EQ(selectedPadded("Logs"), last[2]);
    EXPECT_EQ(blank(), last[3]);
}

TEST_F(Downloads, ClearingConfirmedEmptiesScoresQueueAndLog) {
    queueSheet(3, 2, 7);
    writeFile(rootPath("/var/log/kalventrix/log_wifi.log"), "2025-06-15 10:00:00 103\n");
    std::vector<std::string> state;
    const unsigned int at = run(0, 300);
    press("VALID", at);
    captureGlassAt(at + 700, &state);
    press("R_C", at + 1000);  // closes the state frame
    press("R_C", at + 1700, kLong);
    EXPECT_EQ(0, screen_sd());
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM note"));
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM notsent"));
    EXPECT_EQ("#        OK        #", state[1]);
    EXPECT_FALSE(std::filesystem::exists(rootPath("/var/log/kalventrix/log_wifi.log")));
}

TEST_F(Downloads, ClearingDeclinedKeepsEverything) {
    queueSheet(3, 2, 7);
    const unsigned int at = run(0, 300);
    press("NO", at);
    press("R_C", at + 700, kLong);
    screen_sd();
    EXPECT_EQ(2, sqlInt("SELECT count(*) FROM note"));
    EXPECT_EQ(1, sqlInt("SELECT count(*) FROM notsent"));
}

TEST_F(Downloads, ShortMenuKeyRunsTheEntryLikeValidAndResendsInPages) {
    for (int pilot = 1; pilot <= 25; ++pilot) queueSheet(3, 2, pilot);
    turn(1, kFirstDraw + 300, kPadded);
    press("R_C", kFirstDraw + 2500);
    press("R_C", 60000, kLong);
    screen_sd();
    EXPECT_EQ(25u, link().resentPilots.size());
    EXPECT_EQ(0, sqlInt("SELECT count(*) FROM notsent"));
    EXPECT_TRUE(contains(paperLines(), "E66"));
}

TEST_F(Downloads, RebootEntriesReturnMinusOne) {
    run(8, 200);
    EXPECT_EQ(-1, screen_sd());
    const std::size_t from = shellCount();
    run(7, 200);
    EXPECT_EQ(-1, screen_sd());
    EXPECT_TRUE(contains(shellSince(from), "sudo ./hostname.sh KALVENTRIX-0042"));
}

TEST_F(Downloads, FailedCatalogueDownloadKeepsTheOldCatalogue) {
    gIPServer = "http://127.0.0.1:9";
    std::vector<std::string> message;
    const unsigned int at = run(3, 200);
    captureGlassAt(at + 5000, &message);
    press("VALID", at + 5200);
    press("R_C", at + 5600, kLong);
    screen_sd();
    EXPECT_EQ(3, schedules());
    EXPECT_NE(std::string::npos, message[1].find("Download failed"));
}

TEST_F(Downloads, CatalogueIsImportedFromTheServer) {
    const std::string folder = serverFolder();
    writeFile(folder + "/SD-Template/zeph_programme.csv",
              "1,'Sportsman','SPORT','ENG',1,1,10,999.99,999.99,4,3,2,'2024'\n");
    writeFile(folder + "/SD-Template/zeph_figure.csv", "1,1,1,0,'Loop','Loop',0\n");
    gIPServer = "file://" + folder;
    const std::size_t from = shellCount();
    run(3, 200);
    press("R_C", 30000, kLong);
    screen_sd();
    EXPECT_EQ(1, schedules());
    EXPECT_EQ(1, sqlInt("SELECT count(*) FROM zeph_programme WHERE prgshortname = 'SPORT'"));
    EXPECT_TRUE(contains(shellSince(from), "sudo curl -f file://" + folder +
                                               "/SD-Template/zeph_figure.csv -o " +
                                               rootPath("/boot/zeph_figure.csv")));
}

TEST_F(Downloads, ServerSettingsAreAppliedAndTheWifiRewritten) {
    const std::string folder = serverFolder();
    writeFile(folder + "/updates/param.sql",
              "DELETE FROM param WHERE cle = 'KALVENTRIX_SSID';\n"
              "INSERT INTO param VALUES ('KALVENTRIX_SSID', 'F3A-FIELD', 'WiFi network', '1');\n");
    gIPServer = "file://" + folder;
    std::vector<std::string> menu;
    const unsigned int at = run(5, 200);
    press("VALID", at + 3000);  // no reboot
    captureGlassAt(at + 4200, &menu);
    press("R_C", at + 4800, kLong);
    EXPECT_EQ(0, screen_sd());
    EXPECT_EQ("F3A-FIELD", gSSID);
    EXPECT_NE(std::string::npos,
              readFile(rootPath("/etc/wpa_supplicant/wpa_supplicant.conf")).find("F3A-FIELD"));
    EXPECT_EQ(selectedPadded("E59"), menu[2]) << "back at entry 5";
}

TEST_F(Downloads, ProgramDownloadRunsItsCommandsAndReboots) {
    gIPServer = "http://127.0.0.1:9";
    const std::size_t from = shellCount();
    run(4, 200);
    EXPECT_EQ(-1, screen_sd());
    const std::vector<std::string> shell = shellSince(from);
    const std::string program = rootPath("/boot/kalventrix");
    EXPECT_TRUE(contains(shell, "sudo curl -f http://127.0.0.1:9/updates/kalventrix -o " + program +
                                    " || sudo rm -f " + program));
    EXPECT_TRUE(contains(shell, "/updates/default.sql -o default.sql"));
    EXPECT_TRUE(contains(shell, "sqlite3 kalventrix-db < " + rootPath("/boot/translation.sql")));
}

TEST_F(Downloads, LogsAndCatalogueArePrinted) {
    run(9, 300);
    turn(3, 14000, kPadded);  // to entry 2
    press("VALID", 19000);
    press("R_C", 40000, kLong);
    screen_sd();
    const std::vector<std::string> paper = paperLines();
    EXPECT_TRUE(contains(paper, "WIFI Logs"));
    EXPECT_TRUE(contains(paper, "E65"));
}

}  // namespace
