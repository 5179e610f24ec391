// Test support for the service screens: the program's globals on one virtual
// board for the whole executable, the stub tools of the board in the test's
// folder, a scripted server link for resends, a fresh database per test and
// views of the glass, the paper and the shell.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace service_test {

// Resends as the scripted server link saw them, and the pilots it refuses.
struct ResendLink {
    std::vector<int> resentPilots;
    std::set<int> refusedPilots;
};
ResendLink& link();

// Keys and encoder at a time counted in milliseconds from now.
void press(const std::string& key, unsigned int atMs, unsigned int holdMs = 100);
void turn(int detents, unsigned int atMs, unsigned int msPerDetent = 400);
void waitMillis(unsigned int ms);

std::string glassRow(int row);  // custom glyphs show as '#'
// The glass rows at a time counted in milliseconds from now.
void captureGlassAt(unsigned int atMs, std::vector<std::string>* rows);
std::vector<std::string> shellSince(std::size_t from);
std::size_t shellCount();
// Times (microseconds) of the commands since `from` that contain `text`.
std::vector<unsigned long long> shellTimesSince(std::size_t from, const std::string& text);
std::vector<std::string> paperLines();  // printed since the last call
bool contains(const std::vector<std::string>& lines, const std::string& text);
int countContaining(const std::vector<std::string>& lines, const std::string& text);

void setParam(const std::string& key, const std::string& value, const std::string& label,
              const std::string& type);
std::string paramValue(const std::string& key);
int sqlInt(const std::string& query);
void exec(const std::string& sql);
// A stored two-figure sheet of judge 4, queued as unsent.
void queueSheet(int comp, int flight, int pilot);
// The test's folder as the board's root sees it.
std::string rootPath(const std::string& absolute);
void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);

// One test: a fresh database with texts "E<n>" (ENG) and "F<n>" (FRA), cleared
// keys and a watchdog that fails the run when a screen waits for keys forever.
class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace service_test
