// Test programs link the program's own globals (app/globals.cpp,
// app/devices.cpp). What differs for a test is where it runs: each test
// process works in a "run-<pid>" folder of its own below the test's working
// folder, entered before any global is constructed (so the store
// "kalventrix-db" opens there) and removed when the process ends.
#pragma once

#include <string>

namespace kv_test {

// The store file that `db` opened, as a path from the working folder.
std::string databaseFile();

}  // namespace kv_test
