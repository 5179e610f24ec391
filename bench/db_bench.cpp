// The local database: catalogue import, storing and reading a sheet, and the
// lookups the main screen and the queue walk make on a well-filled store.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "db/fn_sqlite.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh database file with the shipped schema.
void freshDatabase(const std::string& file, const std::string& extraSql = "") {
    std::remove(file.c_str());
    sqlite3* handle = nullptr;
    sqlite3_open(file.c_str(), &handle);
    std::string sql = "BEGIN;" + readFile(std::string(KALVENTRIX_SOURCE_DIR) + "/data/schema.sql") +
                      extraSql + "COMMIT;";
    sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(handle);
}

void writeCatalogue(const std::string& programmes, const std::string& figures, int schedules,
                    int figuresEach) {
    std::ofstream prg(programmes), fig(figures);
    int figid = 1;
    for (int p = 1; p <= schedules; ++p) {
        prg << p << ",'Schedule " << p << "','S" << p << "','" << (p % 2 ? "ENG" : "FRA")
            << "',1,1,10,999.99,999.99,4,3,2,'2024'\n";
        for (int f = 1; f <= figuresEach; ++f) {
            fig << figid++ << "," << p << "," << f << ",2,'Half square loop with a roll " << f
                << "','Figure " << f << "'," << f % 8 << "\n";
        }
    }
}

void BM_ImportCatalogue(benchmark::State& state) {
    freshDatabase("bench-import.db");
    writeCatalogue("bench-prg.csv", "bench-fig.csv", 200, 25);
    int rc = 0;
    RpSqlite store("bench-import.db", &rc);
    for (auto _ : state) {
        benchmark::DoNotOptimize(store._import_catalogue("bench-prg.csv", "bench-fig.csv"));
    }
    state.SetLabel("200 schedules x 25 figures");
}
BENCHMARK(BM_ImportCatalogue)->Unit(benchmark::kMillisecond);

std::vector<Note> sheet(int figures) {
    std::vector<Note> notes;
    for (int i = 0; i < figures; ++i) {
        notes.emplace_back(i % 8, 1, 1, 7, i, "Pilot's figure " + std::to_string(i));
        notes.back().setValue((i * 5) % 105);
    }
    return notes;
}

void BM_StoreAndReadSheet(benchmark::State& state) {
    freshDatabase("bench-sheet.db");
    int rc = 0;
    RpSqlite store("bench-sheet.db", &rc);
    std::vector<Note> notes = sheet(25);
    for (auto _ : state) {
        store.write_notes(notes, 1, 1, 3, 7);
        store.read_notes(1, 1, 3, 7);
        benchmark::DoNotOptimize(aNote.data());
    }
    state.SetLabel("25 figures");
}
BENCHMARK(BM_StoreAndReadSheet)->Unit(benchmark::kMillisecond);

// 10,000 sheets of 25 figures, and one queue entry for each, over five judges.
std::string manySheetsSql() {
    std::ostringstream sql;
    for (int s = 0; s < 10000; ++s) {
        int judge = s % 5, pilot = s / 5;
        sql << "INSERT INTO notsent (cmpid, vol_n, juge_n, pil_n) VALUES (1, 1, " << judge << ", "
            << pilot << ");";
        for (int f = 0; f < 25; ++f) {
            sql << "INSERT INTO note (cmpid, vol_n, juge_n, pil_n, fig_n, fig_lib, note,"
                << " note_option) VALUES (1, 1, " << judge << ", " << pilot << ", " << f
                << ", 'Figure', 75, 1);";
        }
    }
    return sql.str();
}

class ManySheets : public benchmark::Fixture {
  public:
    void SetUp(const benchmark::State&) override {
        static bool made = false;
        if (!made) freshDatabase("bench-many.db", manySheetsSql());
        made = true;
        store = new RpSqlite("bench-many.db", &rc);
    }
    void TearDown(const benchmark::State&) override { delete store; }

  protected:
    int rc = 0;
    RpSqlite* store = nullptr;
};

BENCHMARK_DEFINE_F(ManySheets, CheckPilot)(benchmark::State& state) {
    int pilot = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->check_pilot(1, 1, pilot % 5, pilot % 2000));
        ++pilot;
    }
}
BENCHMARK_REGISTER_F(ManySheets, CheckPilot)->Unit(benchmark::kMicrosecond);

BENCHMARK_DEFINE_F(ManySheets, ReadNotsentPage)(benchmark::State& state) {
    int cmpids[20], vols[20], juges[20], pils[20];
    int offset = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->read_notsent(cmpids, vols, juges, pils, offset, 3));
        offset = (offset + 20) % 2000;
    }
}
BENCHMARK_REGISTER_F(ManySheets, ReadNotsentPage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
