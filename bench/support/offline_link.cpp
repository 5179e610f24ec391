// The parts of the server link that find no network in the screen tests;
// each test program scripts the exchanges it looks at.
#include <string>

#include "net/fn_wifi.h"

std::string wifi_get(std::string) {
    return "KO : no server in this test";
}
std::string wifi_SSID() {
    return "test-ssid";
}
std::string wifi_IP() {
    return "10.0.0.2";
}
int wifi_scan() {
    return 0;
}
std::string wifi_date() {
    return "-1";
}
