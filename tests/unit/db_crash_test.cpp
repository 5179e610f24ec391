// A process storing and queueing score sheets is killed at random points.
// Afterwards the database is sound and every sheet whose store succeeded is
// complete: exactly the sheet last stored, or the one being stored when the
// process died.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "app/globals.h"
#include "tests/support/db_support.h"

namespace {

const char* const kFile = "crash.db";
constexpr int kPilots = 6;

std::vector<int> sheetValues(unsigned seed, int attempt) {
    std::mt19937 rng(seed * 7919u + static_cast<unsigned>(attempt));
    std::vector<int> values(10 + rng() % 16);
    for (int& v : values) v = static_cast<int>(rng() % 21) * 5;
    return values;
}

std::string line(char kind, int pilot, unsigned seed, int attempt) {
    std::ostringstream text;
    text << kind << ' ' << pilot << ' ' << seed << ' ' << attempt << '\n';
    return text.str();
}

// The child: stores sheets of a few pilots again and again (so shorter sheets
// replace longer ones) and queues each; reports every step through the pipe.
[[noreturn]] void storeForever(int out, unsigned seed) {
    int rc = 0;
    RpSqlite store(kFile, &rc);
    std::freopen("/dev/null", "w", stdout);  // the store's messages are not the parent's
    for (int attempt = 0;; ++attempt) {
        int pilot = attempt % kPilots;
        std::vector<Note> sheet;
        std::vector<int> values = sheetValues(seed, attempt);
        for (size_t i = 0; i < values.size(); ++i) {
            sheet.emplace_back(0, 1, 1, pilot, static_cast<int>(i), "Fig's " + std::to_string(i));
            sheet.back().setValue(values[i]);
        }
        std::string text = line('A', pilot, seed, attempt);
        if (write(out, text.data(), text.size()) < 0) _exit(2);
        if (store.write_notes(sheet, 1, 1, 3, pilot) == 1) {
            text = line('S', pilot, seed, attempt);
            if (write(out, text.data(), text.size()) < 0) _exit(2);
        }
        if (store.write_notsent(1, 1, 3, pilot) == 1) {
            text = line('Q', pilot, seed, attempt);
            if (write(out, text.data(), text.size()) < 0) _exit(2);
        }
    }
}

struct Expectation {
    // Per pilot: the last stored sheet and the attempt started after it.
    std::map<int, std::pair<unsigned, int>> stored;
    std::map<int, std::pair<unsigned, int>> pending;
    std::set<int> queued;
};

void readReports(FILE* in, int reports, Expectation* expected) {
    char kind;
    int pilot, attempt;
    unsigned seed;
    for (int n = 0;
         n < reports && std::fscanf(in, " %c %d %u %d", &kind, &pilot, &seed, &attempt) == 4; ++n) {
        if (kind == 'A') {
            expected->pending[pilot] = {seed, attempt};
        } else if (kind == 'S') {
            expected->stored[pilot] = {seed, attempt};
            expected->pending.erase(pilot);
        } else if (kind == 'Q') {
            expected->queued.insert(pilot);
        }
    }
}

std::vector<int> storedValues(int pilot) {
    std::vector<int> values;
    int count = std::stoi(dbtest::queryText(
        kFile, "SELECT count(*) FROM note WHERE pil_n = " + std::to_string(pilot)));
    for (int i = 0; i < count; ++i) {
        std::string v = dbtest::queryText(
            kFile, "SELECT note FROM note WHERE pil_n = " + std::to_string(pilot) +
                       " AND fig_n = " + std::to_string(i));
        values.push_back(v.empty() ? -999 : std::stoi(v));
    }
    return values;
}

void runAndKill(unsigned seed, Expectation* expected) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::fflush(stdout);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        storeForever(pipeFds[1], seed);
    }
    close(pipeFds[1]);
    FILE* in = fdopen(pipeFds[0], "r");
    std::mt19937 rng(seed);
    readReports(in, 1 + static_cast<int>(rng() % 60), expected);
    usleep(rng() % 4000);  // lands anywhere in the next statement
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    readReports(in, 1 << 20, expected);  // whatever was still in the pipe
    fclose(in);
    EXPECT_TRUE(WIFSIGNALED(status));
}

TEST(CrashTest, KilledWritersLeaveCompleteSheets) {
    std::remove(kFile);
    std::remove((std::string(kFile) + "-journal").c_str());
    dbtest::execSql(kFile, dbtest::readFile(dbtest::sourcePath("data/schema.sql")));
    Expectation expected;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        runAndKill(seed, &expected);
        EXPECT_EQ(dbtest::queryText(kFile, "PRAGMA integrity_check"), "ok") << seed;
        for (const auto& entry : expected.stored) {
            int pilot = entry.first;
            std::vector<int> stored = storedValues(pilot);
            std::vector<int> last = sheetValues(entry.second.first, entry.second.second);
            auto pending = expected.pending.find(pilot);
            bool isPending = pending != expected.pending.end() &&
                             stored == sheetValues(pending->second.first, pending->second.second);
            EXPECT_TRUE(stored == last || isPending)
                << "seed " << seed << " pilot " << pilot << ": " << stored.size()
                << " figures stored, " << last.size() << " expected";
            if (isPending) expected.stored[pilot] = pending->second;
        }
        for (int pilot : expected.queued) {
            EXPECT_GE(
                std::stoi(dbtest::queryText(
                    kFile, "SELECT count(*) FROM notsent WHERE pil_n = " + std::to_string(pilot))),
                1)
                << "seed " << seed << " pilot " << pilot;
        }
        expected.pending.clear();
    }
    EXPECT_FALSE(expected.stored.empty());
}

}  // namespace
