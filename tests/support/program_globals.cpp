// Settings, scoring context, flags, the store and the text table, defined
// once for the test executables with the program's initial values.
#include "tests/support/program_globals.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"
#include "model/fn_note.h"

namespace {

// Cases of one executable may run as parallel processes from the same folder:
// each then works in a folder of its own (store, board root, ticket files).
// Defined before the store so that it opens there.
struct ProcessFolder {
    explicit ProcessFolder(bool wanted) {
        if (!wanted) return;
        path = std::filesystem::current_path() / ("run-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ProcessFolder() {
        if (path.empty()) return;
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};
ProcessFolder processFolder(kTestProgram.folderPerProcess);

}  // namespace

namespace kv_test {

std::string databaseFile() {
    const std::string name = kTestProgram.database;
    if (!kTestProgram.databasePerProcess) return name;
    const std::string::size_type dot = name.rfind('.');
    const std::string pid = "-" + std::to_string(::getpid());
    return dot == std::string::npos ? name + pid : name.substr(0, dot) + pid + name.substr(dot);
}

}  // namespace kv_test

std::string gSchedule;
std::string gLang;
std::string gDate;
std::vector<Note> aNote;

int rc = 0;
RpSqlite db(kv_test::databaseFile(), &rc);
Translation myTrans;
std::string gIPServer;
std::string gSSID;
std::string gPW;
std::string gHostname;
std::string mySerialNum = kTestProgram.serialNumber;

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
