// A process storing and queueing score sheets is killed at random points.
// Afterwards the database is sound and every sheet whose store succeeded is
// complete: exactly the sheet last stored, or the one being stored when the
// process died, and queued when it was stored with its queue entry.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "tests/support/db_support.h"

namespace {

const char* const kFile = "crash.db";
constexpr int kPilots = 6;

// The values of one attempt's sheet, joined by ",".
std::string sheetValues(unsigned seed, int attempt) {
    std::mt19937 rng(seed * 7919u + static_cast<unsigned>(attempt));
    std::string values;
    for (unsigned n = 10 + rng() % 16; n > 0; --n)
        values += std::to_string(rng() % 21 * 5) + (n > 1 ? "," : "");
    return values;
}

// The child stores sheets of a few pilots again and again (so shorter sheets
// replace longer ones), every other one with its queue entry, and reports
// each attempt ('A') and each success ('S') through the pipe.
[[noreturn]] void storeForever(int out, unsigned seed) {
    int rc = 0;
    RpSqlite store(kFile, &rc);
    std::freopen("/dev/null", "w", stdout);  // the store's messages are not the parent's
    for (int attempt = 0;; ++attempt) {
        const int pilot = attempt % kPilots;
        std::vector<Note> sheet;
        std::string values = sheetValues(seed, attempt) + ",";
        for (size_t at = 0, comma; (comma = values.find(',', at)) != std::string::npos;
             at = comma + 1) {
            sheet.emplace_back(0, 1, 1, pilot, static_cast<int>(sheet.size()), "Fig's");
            sheet.back().setValue(std::stoi(values.substr(at, comma - at)));
        }
        const bool queued = attempt % 2 == 0;
        dprintf(out, "A %d %u %d %d\n", pilot, seed, attempt, queued);
        const int stored = queued ? store.write_notes_notsent(sheet, 1, 1, 3, pilot)
                                  : store.write_notes(sheet, 1, 1, 3, pilot);
        if (stored == 1) dprintf(out, "S %d %u %d %d\n", pilot, seed, attempt, queued);
    }
}

struct Attempt {
    unsigned seed;
    int attempt;
    int queued;
};

struct Expectation {
    std::map<int, Attempt> stored, pending;  // per pilot: the last stored and the one after it
    std::set<int> queued;
};

void readReports(FILE* in, int reports, Expectation* expected) {
    char kind;
    int pilot;
    Attempt a;
    for (int n = 0; n < reports && std::fscanf(in, " %c %d %u %d %d", &kind, &pilot, &a.seed,
                                               &a.attempt, &a.queued) == 5;
         ++n) {
        if (kind == 'A') expected->pending[pilot] = a;
        if (kind != 'S') continue;
        expected->stored[pilot] = a;
        expected->pending.erase(pilot);
        if (a.queued) expected->queued.insert(pilot);
    }
}

std::string query(const std::string& sql) {
    return dbtest::queryText(kFile, sql);
}

TEST(CrashTest, KilledWritersLeaveCompleteSheets) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::remove((std::string(kFile) + suffix).c_str());
    dbtest::execSql(kFile, dbtest::readFile(dbtest::sourcePath("data/schema.sql")));
    Expectation expected;
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
        std::mt19937 rng(seed);
        readReports(in, 1 + static_cast<int>(rng() % 60), &expected);
        usleep(rng() % 4000);  // lands anywhere in the next statement
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        readReports(in, 1 << 20, &expected);  // whatever was still in the pipe
        fclose(in);
        EXPECT_TRUE(WIFSIGNALED(status));

        EXPECT_EQ(query("PRAGMA integrity_check"), "ok") << seed;
        for (const auto& [pilot, last] : expected.stored) {
            const std::string stored =
                query("SELECT group_concat(note, ',') FROM (SELECT note FROM note WHERE pil_n = " +
                      std::to_string(pilot) + " ORDER BY fig_n)");
            const auto pending = expected.pending.find(pilot);
            const bool wasPending =
                pending != expected.pending.end() &&
                stored == sheetValues(pending->second.seed, pending->second.attempt);
            EXPECT_TRUE(stored == sheetValues(last.seed, last.attempt) || wasPending)
                << "seed " << seed << " pilot " << pilot << ": " << stored;
            if (wasPending) {
                expected.stored[pilot] = pending->second;
                if (pending->second.queued) expected.queued.insert(pilot);
            }
        }
        for (int pilot : expected.queued)
            EXPECT_NE(query("SELECT count(*) FROM notsent WHERE pil_n = " + std::to_string(pilot)),
                      "0")
                << "seed " << seed << " pilot " << pilot;
        expected.pending.clear();
    }
    EXPECT_FALSE(expected.stored.empty());
}

}  // namespace
