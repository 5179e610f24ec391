// Screen 4: downloads from the competition server and housekeeping.
#include "screens/fn_screen_sd.h"

#include <wiringPi.h>

#include <cstdio>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "net/fn_wifi_reply.h"
#include "platform/platform.h"
#include "printer/Pi_Thermal.h"
#include "screens/glyphs.h"
#include "screens/menu.h"
#include "screens/resend.h"

namespace {

constexpr int kReboot = -1;

// "sudo curl -f SERVER/FROM -o TO", true when curl saved the file.
bool fetch(const std::string& from, const std::string& to) {
    return platform::shell("sudo curl -f " + serverUrlWord(gIPServer, from) + " -o " + to) == 0;
}

void waitForMenuOrValid() {
    while (myButton_R_C.getValue() == 0 && myButton_VALID.getValue() == 0) delay(10);
    if (myButton_R_C.getResetValue() == 0) myButton_VALID.resetValue();
}

MenuAction reboot() {
    return MenuAction::leaveWith(kReboot);
}

void clearScores() {
    if (!ConfirmScreen(myTrans.tr(Text::ClearScoresQuestion))) return;
    db.truncate_note();
    display_SD_param();
    platform::shell("sudo rm " + platform::path("/var/log/kalventrix/log_wifi.log"));
}

void printCatalogue() {
    ErrorScreen(myTrans.tr(Text::PrintSchedules));
    printer.printschedules();
}

void printLogs() {
    printer.printlog();
}

// Both files must arrive before the import: half a new catalogue would
// mix the figures of one with the schedules of the other.
void downloadCatalogue() {
    ErrorScreen(myTrans.tr(Text::DownloadCatalogue));
    const bool figures =
        fetch("/SD-Template/zeph_figure.csv", platform::path("/boot/zeph_figure.csv"));
    const bool schedules =
        fetch("/SD-Template/zeph_programme.csv", platform::path("/boot/zeph_programme.csv"));
    if (!figures || !schedules) {
        ErrorScreen("Download failed", "<Valid> : Return");
        waitForMenuOrValid();
        return;
    }
    db.update_schedules();
    ErrorScreen("Updating sounds");
    db.download_sound();
}

MenuAction downloadProgram() {
    ErrorScreen(myTrans.tr(Text::ProgramUpdate));
    const std::string program = platform::path("/boot/kalventrix");
    platform::shell("sudo curl -f " + serverUrlWord(gIPServer, "/updates/kalventrix") + " -o " +
                    program + " || sudo rm -f " + program);
    ErrorScreen("Updt. translations");
    fetch("/updates/translation.sql", platform::path("/boot/translation.sql"));
    ErrorScreen("Updt. default");
    fetch("/updates/default.sql", "default.sql");
    platform::shell("sqlite3 kalventrix-db < " + platform::path("/boot/translation.sql"));
    return reboot();
}

// The settings just applied reach the globals and the WiFi configuration.
MenuAction takeNewSettings() {
    UpdateParams();
    const int answer = UpdateWifi();
    if (answer != 0) return MenuAction::leaveWith(answer);
    ClrButtons();
    return MenuAction::stay();
}

MenuAction serverSettings() {
    ErrorScreen(myTrans.tr(Text::ServerSettings));
    fetch("/updates/param.sql", platform::path("/boot/param.sql"));
    platform::shell("sqlite3 kalventrix-db < " + platform::path("/boot/param.sql") + ";");
    return takeNewSettings();
}

MenuAction defaultSettings() {
    ErrorScreen(myTrans.tr(Text::DefaultSettings));
    platform::shell("sqlite3 " + platform::path("/home/pi/kalventrix-db") + " < " +
                    platform::path("/home/pi/default.sql"));
    return takeNewSettings();
}

MenuAction renameHost() {
    ErrorScreen("Updating hostname");
    const std::string command = hostnameCommand(mySerialNum);
    std::printf("wcmd : %s\n", command.c_str());
    platform::shell(command);
    return reboot();
}

const Menu kDownloadsMenu = {Text::DownloadsTitle,
                             MenuLayout::Padded,
                             {
                                 {Text::ClearScores, staying<clearScores>},
                                 {Text::ResendQueue, staying<resendUnsentSheets>},
                                 {Text::PrintSchedules, staying<printCatalogue>},
                                 {Text::DownloadCatalogue, staying<downloadCatalogue>},
                                 {Text::ProgramUpdate, downloadProgram},
                                 {Text::ServerSettings, serverSettings},
                                 {Text::DefaultSettings, defaultSettings},
                                 {Text::SetHostName, renameHost},
                                 {Text::Reboot, reboot},
                                 {"Logs", staying<printLogs>},
                             }};

}  // namespace

std::string serverUrlWord(const std::string& server, const std::string& path) {
    return shellWord(net::serverAddress(server) + path);
}

void display_sd(int item) {
    drawMenu(kDownloadsMenu, item);
}

void display_SD_param() {
    openFramedDialog();
    myLcd.lcdPrint(db.test_connection().substr(0, 18), 1, 1, false);
    waitForMenuOrValid();
}

int screen_sd() {
    return runMenu(kDownloadsMenu, /*validRuns=*/true).code;
}
