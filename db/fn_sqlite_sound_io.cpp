// The sound download as the downloads screen runs it: progress on the display
// and on paper, from the server of the settings.
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "drivers/soft_lcd.h"
#include "net/fn_wifi_reply.h"
#include "printer/Pi_Thermal.h"

int RpSqlite::download_sound() {
    return _download_sound(
        net::serverAddress(gIPServer),
        [](int row, const std::string& text) { myLcd.lcdPrint(text, row, 1, true); },
        [](const std::string& line) { printer.println(line); });
}
