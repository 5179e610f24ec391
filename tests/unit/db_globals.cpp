// The program globals that the store, the settings loader and the text table
// use, defined for the test executables that link them.
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"

std::vector<Note> aNote;
int rc = 0;
RpSqlite db("globals.db", &rc);
Translation myTrans;

std::string gLang;
bool gNRT = true;
std::string gIPServer;
bool gCLICK = false;
bool gDBLLINE = false;
bool gWIFI = false;
bool gCJ = false;
int gNbTicket = 1;
std::string gSSID;
std::string gPW;
bool gLongWav = false;
int gJudge = 0;
int gLine = 1;
