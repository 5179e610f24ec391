// A folder of its own for each test process, entered before the program's
// globals are constructed.
#include "tests/support/program_folder.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "app/globals.h"
#include "db/fn_sqlite.h"

namespace {

// Cases of one test program may run as parallel processes from the same
// folder, and the store opens in the working folder before main.
struct ProcessFolder {
    ProcessFolder() : owner(::getpid()) {
        path = std::filesystem::current_path() / ("run-" + std::to_string(owner));
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ProcessFolder() {
        if (::getpid() != owner) return;  // a forked child leaves it to its parent
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
    pid_t owner;
    std::filesystem::path path;
};
// Constructed before, and so destroyed after, every global without a priority.
ProcessFolder processFolder __attribute__((init_priority(101)));

}  // namespace

namespace kv_test {

std::string databaseFile() {
    return db._path();
}

}  // namespace kv_test
