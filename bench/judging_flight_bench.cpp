// Wall time of a whole 20-figure flight run by kalventrix-sim: start-up,
// the pilot keyed by hand, twenty figures scored and validated, the sheet
// confirmed, stored and printed. The terminal runs as its own process on a
// fresh sandbox each time, as a scenario test does.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kWork = fs::temp_directory_path() / "kalventrix-judging-bench";

// ADV24 of the demo catalogue: 20 figures; figure 10 takes whole part and
// tenth, figure 20 is the penalty (0 means none).
std::string flightScript() {
    std::string script =
        "until \"Server link off\" 6000\n"
        "press VALID\nwait 500\n"
        "press 1\nwait 150\npress 2\nwait 150\n"
        "press VALID\nuntil \"1/1 J1 P12 ADV24\" 3000\nwait 300\n";
    for (int figure = 1; figure <= 20; ++figure) {
        if (figure == 10)
            script += "press 8\nwait 150\npress 0\n";
        else
            script += figure == 20 ? "press 0\n" : "press 8\n";
        script += "wait 250\npress VALID\nwait 400\n";
    }
    script +=
        "until \"Validation\" 3000\npress VALID\n"
        "until \"Pilot  012\" 30000\n"
        "sql \"SELECT count(*) FROM note WHERE pil_n = 12\"\n";
    return script;
}

bool run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool applySettings(const fs::path& database) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(database.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db,
                           "UPDATE param SET valeur = '0' WHERE cle IN ('KALVENTRIX_WIFI',"
                           " 'KALVENTRIX_CLICK');"
                           "UPDATE param SET valeur = '1' WHERE cle = 'KALVENTRIX_NbTicket';"
                           "UPDATE param SET valeur = '127.000.000.001'"
                           " WHERE cle = 'KALVENTRIX_IPServer';"
                           "UPDATE param SET valeur = 'ADV24' WHERE cle = 'PELMORIDUX_SCHEDULE';",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

std::string simCommand(const fs::path& root, const fs::path& script) {
    return std::string(KV_SIM_EXE) + " --root " + root.string() + " --program " + KV_PROGRAM +
           " --script " + script.string() + " > " + (kWork / "transcript").string() + " 2>&1";
}

// A sandbox made once, with its sound pack and a database set for the flight:
// making one is not part of the flight.
bool prepareTemplate(const fs::path& root) {
    fs::remove_all(root);
    const fs::path database = root / "home/pi/kalventrix-db";
    fs::create_directories(database.parent_path());
    const fs::path quit = kWork / "quit.script";
    std::ofstream(quit) << "quit\n";
    return run(std::string(KV_SOURCE_DIR) + "/scripts/make-db.sh " + database.string() +
               " > /dev/null") &&
           applySettings(database) && run(simCommand(root, quit));
}

// The transcript's last query counted the stored figures of the sheet.
bool sheetStored() {
    std::ifstream in(kWork / "transcript");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find("pil_n = 12\"\n20\n") != std::string::npos;
}

void BM_TwentyFigureFlightScenario(benchmark::State& state) {
    fs::create_directories(kWork);
    const fs::path script = kWork / "flight.script";
    std::ofstream(script) << flightScript();
    const fs::path made = kWork / "template";
    const fs::path root = kWork / "root";
    if (!prepareTemplate(made)) {
        state.SkipWithError("cannot make the sandbox");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(root);
        fs::copy(made, root, fs::copy_options::recursive);
        state.ResumeTiming();
        if (!run(simCommand(root, script)) || !sheetStored()) {
            state.SkipWithError("the flight did not run through: see its transcript");
            break;
        }
    }
}

}  // namespace

BENCHMARK(BM_TwentyFigureFlightScenario)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
