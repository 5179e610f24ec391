// A process storing and queueing score sheets is killed at random points.
// Afterwards the database is sound and every pilot's sheet is complete: the
// one last stored, or the one being stored when the process died; a sheet
// stored with its queue entry is queued.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <sstream>

#include "tests/support/db_support.h"

namespace {

const char* const kFile = "crash.db";
constexpr unsigned kPilots = 6;

// Sheet `id` belongs to pilot id % kPilots and is queued when id is even.
std::string sheetValues(unsigned id) {
    std::mt19937 rng(id);
    std::string values;
    for (unsigned n = 10 + rng() % 16; n > 0; --n)
        values += std::to_string(rng() % 21 * 5) + (n > 1 ? "," : "");
    return values;
}

// Stores sheets of a few pilots again and again (so shorter sheets replace
// longer ones) and tells each attempt ('A') and each success ('S').
[[noreturn]] void storeForever(int out, unsigned seed) {
    int rc = 0;
    RpSqlite store(kFile, &rc);
    std::freopen("/dev/null", "w", stdout);  // the store's messages are not the parent's
    for (unsigned id = seed * 100000;; ++id) {
        const int pilot = static_cast<int>(id % kPilots);
        std::vector<Note> sheet;
        std::istringstream values(sheetValues(id));
        for (std::string value; std::getline(values, value, ',');) {
            sheet.emplace_back(0, 1, 1, pilot, static_cast<int>(sheet.size()), "Fig's");
            sheet.back().setValue(std::stoi(value));
        }
        dprintf(out, "A %u\n", id);
        if ((id % 2 == 0 ? store.write_notes_notsent(sheet, 1, 1, 3, pilot)
                         : store.write_notes(sheet, 1, 1, 3, pilot)) == 1)
            dprintf(out, "S %u\n", id);
    }
}

std::string query(const std::string& sql) {
    return dbtest::queryText(kFile, sql);
}

TEST(CrashTest, KilledWritersLeaveCompleteSheets) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::remove((std::string(kFile) + suffix).c_str());
    dbtest::execSql(kFile, dbtest::readFile(dbtest::sourcePath("data/schema.sql")));
    std::map<unsigned, unsigned> stored;  // per pilot, the sheet last stored
    for (unsigned seed = 1; seed <= 12; ++seed) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        std::fflush(stdout);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            storeForever(pipeFds[1], seed);
        }
        close(pipeFds[1]);
        FILE* in = fdopen(pipeFds[0], "r");
        std::map<unsigned, unsigned> pending;  // per pilot, the sheet being stored
        const auto read = [&](int reports) {
            char kind;
            unsigned id;
            for (int n = 0; n < reports && std::fscanf(in, " %c %u", &kind, &id) == 2; ++n) {
                if (kind == 'A') {
                    pending[id % kPilots] = id;
                } else {
                    stored[id % kPilots] = id;
                    pending.erase(id % kPilots);
                }
            }
        };
        std::mt19937 rng(seed);
        read(1 + static_cast<int>(rng() % 60));
        usleep(rng() % 4000);  // lands anywhere in the next statement
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        read(1 << 20);  // whatever was still in the pipe
        fclose(in);
        EXPECT_TRUE(WIFSIGNALED(status));

        EXPECT_EQ(query("PRAGMA integrity_check"), "ok") << seed;
        for (auto& [pilot, id] : stored) {
            const std::string pil = std::to_string(pilot);
            const std::string sheet = query(
                "SELECT group_concat(note, ',') FROM (SELECT note FROM note WHERE pil_n = " + pil +
                " ORDER BY fig_n)");
            const auto died = pending.find(pilot);
            if (died != pending.end() && sheet == sheetValues(died->second)) id = died->second;
            EXPECT_EQ(sheet, sheetValues(id)) << "seed " << seed << " pilot " << pilot;
            if (id % 2 == 0) {
                EXPECT_NE(query("SELECT count(*) FROM notsent WHERE pil_n = " + pil), "0")
                    << "seed " << seed << " pilot " << pilot;
            }
        }
    }
    EXPECT_FALSE(stored.empty());
}

}  // namespace
