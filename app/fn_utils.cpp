// Settings loader and the interface text table.
#include "app/fn_utils.h"

#include "app/globals.h"
#include "db/fn_sqlite.h"

void UpdateParams() {
    gLang = db.get_param_string("KALVENTRIX_LANG");
    if (gLang.empty()) gLang = "ENG";
    myTrans.update(gLang);
    gNRT = db.get_param_bool("KALVENTRIX_NRT");
    gIPServer = db.get_param_string("KALVENTRIX_IPServer");
    gJudge = db.get_param_int("KALVENTRIX_JUGE");
    gCLICK = db.get_param_bool("KALVENTRIX_CLICK");
    gDBLLINE = db.get_param_bool("KALVENTRIX_DBL_LINE");
    gWIFI = db.get_param_bool("KALVENTRIX_WIFI");
    gCJ = db.get_param_bool("KALVENTRIX_CJ");
    gNbTicket = db.get_param_int("KALVENTRIX_NbTicket");
    if (gNbTicket == 0) gNbTicket = 1;
    gLine = db.get_param_int("KALVENTRIX_LINE");
    gSSID = db.get_param_string("KALVENTRIX_SSID");
    gPW = db.get_param_string("KALVENTRIX_PW");
    gLongWav = db.get_param_bool("KALVENTRIX_LONG_SND");
}

void Translation::update(std::string lang) {
    db.translation_update(lang, &texts);
}

std::string Translation::tr(int n) {
    if (n < 0) return "?<0?";
    if (n >= static_cast<int>(texts.size())) return "?>MAX?";
    return texts[n];
}
