// The program's globals for test executables: one definition of each, shared
// by every test that runs screens, drivers, reports or the store.
//
// program_globals.cpp holds the settings, context, store and text table;
// program_devices.cpp the eighteen buttons with their handlers, the encoder,
// the display and the printer. A test program links the first alone, or both.
#pragma once

#include <string>

namespace kv_test {

// What differs between the test programs: each defines `kTestProgram` as
// constant data, so that it is ready before any global is constructed.
struct ProgramSetup {
    const char* database;   // store file, in the working folder
    bool folderPerProcess;  // work in a "run-<pid>" folder of its own, removed at exit
    const char* serialNumber;
    bool databasePerProcess = false;  // "name.db" becomes "name-<pid>.db"
};

// The store file that `db` opened, as a path from the working folder.
std::string databaseFile();

// Registers the program's eighteen buttons again, with the current board.
void attachKeypad();

}  // namespace kv_test

extern const kv_test::ProgramSetup kTestProgram;
