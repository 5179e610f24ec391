// The program's state, store and text table, with their initial values; the
// devices are in app/devices.cpp. Nothing here depends on another global.
#include "app/globals.h"

#include <atomic>
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"

std::string gSchedule;
std::string gLang;
std::string gDate;
std::vector<Note> aNote;

int rc = 0;
// Opened in the working folder: /home/pi on the terminal.
RpSqlite db("kalventrix-db", &rc);
Translation myTrans;
std::string gIPServer;
std::string gSSID;
std::string gPW;
std::string gHostname;
std::string mySerialNum;

// Settings before the first UpdateParams
bool gNRT = true;
bool gCLICK = false;
bool gDBLLINE = false;
bool gWIFI = false;
bool gCJ = false;
int gNbTicket = 1;
bool gLongWav = false;

int gJudge = 0;
int gComp = 0;
int gFlight = 0;
int gPilot = -1;
int gLine = 1;

std::atomic<bool> startupComplete{false};
int gAddr = 0;
bool gDBLCLICK = false;

int num_screen = 0;
std::atomic<bool> bAllowScore{true};
std::atomic<unsigned int> gPowerTime{0};
int old_pos_raw = 0;
