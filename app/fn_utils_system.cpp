// System chores: the clock from the server's time, the WiFi client
// configuration and the network watchdog script.
#include <wiringPi.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "net/fn_wifi_reply.h"
#include "platform/platform.h"

namespace {

const char kDateFile[] = "/home/pi/txt/date.txt";
const char kWifiConfig[] = "/etc/wpa_supplicant/wpa_supplicant.conf";
const char kWatchdog[] = "wifi_reconnect.sh";

// A line break inside a value would add lines to the configuration.
std::string singleLine(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\n' && c != '\r') out += c;
    return out;
}

std::string currentTimeText() {
    platform::shell("date +\"%Y-%m-%d %T\" > " + platform::path(kDateFile));
    std::ifstream in(platform::path(kDateFile));
    std::string line;
    std::getline(in, line);
    return line;
}

std::string wifiConfiguration() {
    return "ctrl_interface=DIR=/var/run/wpa_supplicant GROUP=netdev\n"
           "update_config=1\n"
           "country=US\n"
           "network={\n"
           "    ssid=\"" +
           singleLine(gSSID) +
           "\"\n"
           "    psk=\"" +
           singleLine(gPW) +
           "\"\n"
           "}\n";
}

}  // namespace

void SystemDate(std::string serverTime) {
    std::string now = currentTimeText();
    if (serverTime == "-1") return;
    // Only a real moment written exactly as date prints it may reach the command.
    if (!net::isValidClockText(serverTime)) {
        std::printf("invalid server time: %s\n", serverTime.c_str());
        return;
    }
    if (serverTime > now) platform::shell("sudo date --set '" + serverTime + "'");
}

int UpdateWifi() {
    // printf, unlike echo, never reads backslashes in its argument.
    std::string command = "sudo printf '%s' " + shellWord(wifiConfiguration()) + " | sudo tee " +
                          platform::path(kWifiConfig) + " > /dev/null";
    myLcd.lcdPrint(myTrans.tr(Text::PleaseWait), 2, 1, true);
    platform::shell(command);
    myLcd.lcdPrint("Reboot ?", 2, 1, true);
    myLcd.lcdPrint("<-> YES   <Valid> NO", 3, 1, false);
    myLcd.cursor(false);
    myLcd.blink(false);
    while (myButton_VALID.getValue() == 0 && myButton_MINUS.getValue() == 0) delay(10);
    if (myButton_MINUS.getValue() != 0) return -1;
    ClrButtons();
    return 0;
}

void Create_sh() {
    // The address is one word for the shell; an empty one stays empty.
    const std::string address = net::serverAddress(gIPServer);
    const std::string server = address.empty() ? "" : shellWord(address);
    std::ofstream script(kWatchdog, std::ios::trunc);
    script << "ping -I wlan0 -c2 " << server << " > /dev/null\n"
           << "if [ $? != 0 ]\n"
           << "then\n"
           << "    echo No network connection, restarting wlan0\n"
           << "    sudo ip link set wlan0 down\n"
           << "    sleep 3\n"
           << "    sudo ip link set wlan0 up\n"
           << "fi\n";
    script.close();
    platform::shell("sudo chmod +x wifi_reconnect.sh");
}
