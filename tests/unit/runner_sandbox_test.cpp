#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/runner/options.h"
#include "sim/runner/sandbox.h"

namespace fs = std::filesystem;
using namespace sim::runner;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

namespace {

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

// A source tree with a small image, catalogue, database maker and the real stubs.
class Sandbox : public testing::Test {
  protected:
    void SetUp() override {
        // Cases may run in parallel in one working directory: each has its own folder.
        base_ = fs::absolute(std::string("sandbox-") +
                             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        source_ = base_ / "source";
        root_ = base_ / "root";
        writeFile(source_ / "image/home/pi/hostname.sh", "#!/bin/sh\nhostname \"$1\"\n");
        fs::permissions(source_ / "image/home/pi/hostname.sh", fs::perms(0755));
        writeFile(source_ / "image/home/pi/TADA.WAV", "RIFF");
        writeFile(source_ / "data/zeph_programme.csv", "F25;1\n");
        writeFile(source_ / "data/zeph_figure.csv", "F25;1;Loop\n");
        writeFile(source_ / "scripts/make-db.sh", "#!/bin/sh\necho made > \"$1\"\necho noise\n");
        fs::create_directories(source_ / "sim");
        fs::copy(fs::path(KALVENTRIX_SOURCE_DIR) / "sim/stubs", source_ / "sim/stubs",
                 fs::copy_options::recursive);
        options_.root = root_.string();
        options_.sourceDir = source_.string();
    }

    SandboxResult prepare() { return prepareSandbox(options_); }

    fs::path base_, source_, root_;
    SandboxOptions options_;
};

struct ShellRun {
    int status;
    std::string out;
};

}  // namespace

TEST_F(Sandbox, AFreshRootGetsTheTerminalsFileSystem) {
    SandboxResult result = prepare();
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.root, fs::canonical(root_).string());
    for (const char* folder :
         {"home/pi/txt", "boot", "var/log", "dev", "etc/wpa_supplicant", "proc", ".sim/bin"})
        EXPECT_TRUE(fs::is_directory(root_ / folder)) << folder;
    EXPECT_EQ(readFile(root_ / "home/pi/TADA.WAV"), "RIFF");
    EXPECT_NE(fs::status(root_ / "home/pi/hostname.sh").permissions() & fs::perms::owner_exec,
              fs::perms::none);
    EXPECT_EQ(readFile(root_ / "boot/zeph_figure.csv"), "F25;1;Loop\n");
    EXPECT_EQ(readFile(root_ / "home/pi/kalventrix-db"), "made\n");
    EXPECT_EQ(readFile(root_ / "home/pi/txt/eeprom.txt"), "0001--10\n");
    std::string cpuinfo = readFile(root_ / "proc/cpuinfo");
    EXPECT_THAT(cpuinfo, HasSubstr("\nModel\t\t: Raspberry Pi 4"));
    EXPECT_THAT(cpuinfo, HasSubstr("\nSerial\t\t: "));
    EXPECT_EQ(readFile(root_ / ".sim/net.conf"),
              "ssid=KalventrixNet\nip=192.168.4.23\nhostname=raspberrypi\nmac=dc:a6:32:4b:17:02\n"
              "ping=ok\nscan=KalventrixNet\nscan=Pits-Guest\nscan=Camping Les Pins\n");
    EXPECT_EQ(fs::status(root_ / ".sim/bin/iwconfig").permissions() & fs::perms::all,
              fs::perms(0755));
}

TEST_F(Sandbox, AnExistingRootKeepsItsFilesAndGetsWhatIsMissing) {
    writeFile(root_ / "home/pi/kalventrix-db", "my own database");
    writeFile(root_ / "home/pi/TADA.WAV", "changed");
    writeFile(root_ / "home/pi/txt/eeprom.txt", "4321--21\n");
    writeFile(root_ / "boot/zeph_programme.csv", "kept\n");
    writeFile(root_ / ".sim/bin/ping", "#!/bin/sh\necho stale\n");
    ASSERT_TRUE(prepare().ok());
    EXPECT_EQ(readFile(root_ / "home/pi/kalventrix-db"), "my own database");
    EXPECT_EQ(readFile(root_ / "home/pi/TADA.WAV"), "changed");
    EXPECT_EQ(readFile(root_ / "home/pi/txt/eeprom.txt"), "4321--21\n");
    EXPECT_EQ(readFile(root_ / "boot/zeph_programme.csv"), "kept\n");
    EXPECT_EQ(readFile(root_ / "boot/zeph_figure.csv"), "F25;1;Loop\n");
    EXPECT_TRUE(fs::exists(root_ / "home/pi/hostname.sh"));
    // Stubs are refreshed on every run.
    EXPECT_THAT(readFile(root_ / ".sim/bin/ping"), Not(HasSubstr("stale")));
}

TEST_F(Sandbox, TheBoardDescriptionOptionReplacesTheFile) {
    writeFile(root_ / "home/pi/txt/eeprom.txt", "4321--21\n");
    options_.eeprom = "1234--20";
    ASSERT_TRUE(prepare().ok());
    EXPECT_EQ(readFile(root_ / "home/pi/txt/eeprom.txt"), "1234--20\n");
    options_.eeprom = "12\n34";
    EXPECT_THAT(prepare().error, HasSubstr("one line"));
}

TEST_F(Sandbox, ARootThatCannotBeMadeIsReportedClearly) {
    writeFile(base_ / "plain-file", "x");
    options_.root = (base_ / "plain-file/root").string();
    SandboxResult result = prepare();
    EXPECT_THAT(result.error, StartsWith("cannot create the sandbox root " + options_.root + ": "));
    options_.root = (base_ / "plain-file").string();
    EXPECT_THAT(prepare().error, HasSubstr("cannot create the sandbox root"));
    options_.root = "";
    EXPECT_FALSE(prepare().ok());
}

TEST_F(Sandbox, MissingStubToolsStopTheRunBeforeAnythingCanReachTheHost) {
    fs::remove_all(source_ / "sim/stubs");
    EXPECT_THAT(prepare().error, HasSubstr("stub tools not found"));
}

TEST_F(Sandbox, AFailingSetUpScriptIsAWarningWithItsOutputKeptAside) {
    // Executable, so its own interpreter line counts: bash here.
    writeFile(source_ / "scripts/make-sounds.sh",
              "#!/bin/bash\nwords=(one two)\necho broken ${words[1]}\nexit 3\n");
    fs::permissions(source_ / "scripts/make-sounds.sh", fs::perms(0755));
    SandboxResult result = prepare();
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_THAT(result.warnings[0], HasSubstr("make-sounds.sh failed"));
    EXPECT_THAT(readFile(root_ / ".sim/setup.log"), HasSubstr("noise\nbroken two\n"));
}

// The stub tools, run as the program runs them: through sh, with the stubs
// first in PATH and the sandbox named in the environment.
class Stubs : public Sandbox {
  protected:
    void SetUp() override {
        Sandbox::SetUp();
        ASSERT_TRUE(prepare().ok());
    }

    ShellRun sh(const std::string& command, const std::string& walltime = "1750000000") {
        std::string root = fs::canonical(root_).string();
        std::string full = "cd '" + root + "/home/pi' && KALVENTRIX_ROOT='" + root +
                           "' KALVENTRIX_WALLTIME=" + walltime + " PATH='" + root +
                           "/.sim/bin:" + getenv("PATH") + "' sh -c '" + command + "' 2>&1";
        FILE* pipe = popen(full.c_str(), "r");
        std::string out;
        char buffer[256];
        while (pipe && fgets(buffer, sizeof buffer, pipe)) out += buffer;
        int status = pipe ? pclose(pipe) : -1;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }

    void configure(NetworkConfig network) {
        options_.network = network;
        ASSERT_TRUE(prepare().ok());
    }
};

TEST_F(Stubs, WirelessStatusFollowsTheConfiguredNetwork) {
    ShellRun associated = sh("iwconfig 2>/dev/null");
    EXPECT_THAT(associated.out, StartsWith("wlan0     IEEE 802.11  ESSID:\"KalventrixNet\"  \n"));
    EXPECT_EQ(sh("hostname -I").out, "192.168.4.23 \n");
    EXPECT_EQ(sh("hostname").out, "raspberrypi\n");
    EXPECT_EQ(sh("iwlist wlan0 scan | grep ESSID").out,
              "                    ESSID:\"KalventrixNet\"\n"
              "                    ESSID:\"Pits-Guest\"\n"
              "                    ESSID:\"Camping Les Pins\"\n");
    EXPECT_THAT(sh("ip -a address | grep link/ether").out,
                HasSubstr("link/ether dc:a6:32:4b:17:02 brd"));

    NetworkConfig off;
    off.ssid = "";
    off.ip = "";
    configure(off);
    EXPECT_THAT(sh("iwconfig 2>/dev/null").out, StartsWith("wlan0     IEEE 802.11  ESSID:off/any"));
    EXPECT_EQ(sh("hostname -I").out, "\n");
}

TEST_F(Stubs, PingAnswersAsConfiguredWithTheRealExitStatus) {
    ShellRun ok = sh("ping -c 3 192.168.4.1");
    EXPECT_EQ(ok.status, 0);
    EXPECT_THAT(ok.out, HasSubstr("icmp_seq=3 ttl=64"));
    EXPECT_THAT(ok.out, Not(HasSubstr("icmp_seq=4")));
    EXPECT_THAT(ok.out, HasSubstr("3 packets transmitted, 3 received, 0% packet loss"));
    EXPECT_EQ(sh("ping -I wlan0 -c2 192.168.4.1 > /dev/null").status, 0);
    EXPECT_EQ(sh("ping -c 2 http://192.168.4.1/x").status, 2);
    EXPECT_NE(sh("ping -c 2").status, 0);

    NetworkConfig down;
    down.pingSucceeds = false;
    configure(down);
    ShellRun failed = sh("ping -c 3 192.168.4.1");
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.out, Not(HasSubstr("icmp_seq")));
    EXPECT_THAT(failed.out, HasSubstr("3 packets transmitted, 0 received, 100% packet loss"));
}

TEST_F(Stubs, DateReadsTheVirtualWallClockAndSettingItOnlyLeavesARequest) {
    EXPECT_EQ(sh("date +\"%Y-%m-%d %T\"").out, "2025-06-15 15:06:40\n");
    EXPECT_EQ(sh("date +%s", "86400").out, "86400\n");
    EXPECT_EQ(sh("sudo date --set \"2025-06-16 08:00:00\"").out, "2025-06-16 08:00:00\n");
    EXPECT_EQ(readFile(root_ / ".sim/date-set"), "2025-06-16 08:00:00\n");
    sh("date -s 2026-01-01");
    EXPECT_EQ(readFile(root_ / ".sim/date-set"), "2026-01-01\n");
    EXPECT_NE(sh("date", "").status, 0);
}

TEST_F(Stubs, CallsAreRecordedAndSudoRunsTheRestAsItIs) {
    EXPECT_EQ(sh("sudo whoami").out, "pi\n");
    sh("aplay -q /home/pi/TADA.WAV &");
    sh("sudo amixer cset numid=1 80%");
    sh("sudo shutdown -h now");
    EXPECT_EQ(sh("sudo mkdir txt/new && sudo chmod +x hostname.sh && echo done").out, "done\n");
    EXPECT_TRUE(fs::is_directory(root_ / "home/pi/txt/new"));
    std::string calls = readFile(root_ / ".sim/calls.log");
    EXPECT_THAT(calls, HasSubstr("sudo whoami\nwhoami\n"));
    EXPECT_THAT(calls, HasSubstr("aplay -q /home/pi/TADA.WAV\n"));
    EXPECT_THAT(calls, HasSubstr("amixer cset numid=1 80%\n"));
    EXPECT_THAT(calls, HasSubstr("shutdown -h now\n"));
    EXPECT_EQ(readFile(root_ / ".sim/shutdown.log"), "-h now\n");
}

TEST_F(Stubs, FileToolsRefuseToLeaveTheSandbox) {
    writeFile(base_ / "outside.txt", "keep me");
    std::string outside = (base_ / "outside.txt").string();
    ShellRun rm = sh("sudo rm -f " + outside);
    EXPECT_NE(rm.status, 0);
    EXPECT_THAT(rm.out, HasSubstr("outside the sandbox"));
    EXPECT_NE(sh("rm -f ../../../outside.txt").status, 0);
    EXPECT_NE(sh("echo x | sudo tee " + outside).status, 0);
    EXPECT_NE(sh("curl -s -o " + outside + " http://127.0.0.1:9/").status, 0);
    EXPECT_EQ(readFile(base_ / "outside.txt"), "keep me");
    EXPECT_THAT(readFile(root_ / ".sim/calls.log"), HasSubstr("rm REFUSED -f " + outside));

    EXPECT_EQ(sh("echo hello | sudo tee txt/inside.txt > /dev/null").status, 0);
    EXPECT_EQ(readFile(root_ / "home/pi/txt/inside.txt"), "hello\n");
    EXPECT_EQ(sh("rm txt/inside.txt").status, 0);
    EXPECT_FALSE(fs::exists(root_ / "home/pi/txt/inside.txt"));
}

TEST(RunnerOptions, DefaultsAndEveryOption) {
    OptionsResult plain = parseOptions({"--root", "r", "--script", "-"});
    ASSERT_TRUE(plain.ok()) << plain.error;
    EXPECT_EQ(plain.options.lcdAddr, 0x27);
    EXPECT_EQ(plain.options.date, "2025-06-15 10:00:00");
    EXPECT_FALSE(plain.options.eeprom.has_value());
    EXPECT_TRUE(plain.options.network.pingSucceeds);

    OptionsResult all =
        parseOptions({"--root",    "r",         "--script", "s",        "--lcd-addr",
                      "0x3f",      "--eeprom",  "1234--20", "--date",   "2024-02-29 23:59:59",
                      "--ssid",    "",          "--ip",     "10.0.0.9", "--realtime",
                      "--restart", "--program", "p",        "--source", "src"});
    ASSERT_TRUE(all.ok()) << all.error;
    EXPECT_EQ(all.options.lcdAddr, 0x3F);
    EXPECT_EQ(*all.options.eeprom, "1234--20");
    EXPECT_EQ(all.options.date, "2024-02-29 23:59:59");
    EXPECT_EQ(all.options.network.ssid, "");
    EXPECT_FALSE(all.options.network.pingSucceeds);
    EXPECT_TRUE(all.options.realtime && all.options.restart);
    EXPECT_EQ(parseOptions({"--root", "r", "--script", "s", "--lcd-addr", "none"}).options.lcdAddr,
              0);
    // The Pi program's platform sleeps for real: its board runs in real time.
    EXPECT_EQ(plain.options.board, "sim");
    EXPECT_FALSE(plain.options.realtime);
    OptionsResult pi = parseOptions({"--root", "r", "--script", "s", "--board", "pi"});
    EXPECT_EQ(pi.options.board, "pi");
    EXPECT_TRUE(pi.options.realtime);
}

TEST(RunnerOptions, BadCommandLinesAreRefused) {
    EXPECT_THAT(parseOptions({"--script", "s"}).error, HasSubstr("required"));
    EXPECT_THAT(parseOptions({"--root", "r", "--script"}).error, HasSubstr("needs a value"));
    EXPECT_THAT(parseOptions({"--root", "r", "--script", "s", "--lcd-addr", "0x28"}).error,
                HasSubstr("--lcd-addr"));
    EXPECT_THAT(parseOptions({"--root", "r", "--script", "s", "--board", "arm"}).error,
                HasSubstr("--board"));
    EXPECT_THAT(parseOptions({"--root", "r", "--script", "s", "--speed", "2"}).error,
                HasSubstr("unknown option --speed"));
    EXPECT_TRUE(parseOptions({"--help"}).options.help);
}

TEST(RunnerOptions, DatesMustBeRealCalendarTimes) {
    EXPECT_TRUE(isValidDate("2025-06-15 10:00:00"));
    EXPECT_TRUE(isValidDate("2024-02-29 23:59:59"));
    EXPECT_TRUE(isValidDate("2000-02-29 00:00:00"));
    for (const char* bad : {"2023-02-29 10:00:00", "1900-02-29 10:00:00", "2025-13-01 10:00:00",
                            "2025-04-31 10:00:00", "2025-06-15 24:00:00", "2025-06-15 10:60:00",
                            "2025-06-15T10:00:00", "2025-6-15 10:00:00", "2025-06-15 10:00",
                            "2025-06-15 10:00:00 ", "1969-12-31 23:59:59", ""})
        EXPECT_FALSE(isValidDate(bad)) << bad;
}

// The factory settings name a server on a private network; a sandbox must
// only ever talk to loopback.
TEST(SandboxDatabase, AFreshDatabaseNamesALoopbackServer) {
    const fs::path base = fs::absolute("sandbox-loopback");
    fs::remove_all(base);
    SandboxOptions options;
    options.root = (base / "root").string();
    options.sourceDir = KALVENTRIX_SOURCE_DIR;
    SandboxResult result = prepareSandbox(options);
    ASSERT_TRUE(result.ok()) << result.error;
    const fs::path db = base / "root/home/pi/kalventrix-db";
    FILE* query = popen(("sqlite3 '" + db.string() +
                         "' \"SELECT valeur FROM param WHERE cle = 'KALVENTRIX_IPServer'\"")
                            .c_str(),
                        "r");
    ASSERT_NE(query, nullptr);
    char line[64] = {0};
    ASSERT_NE(fgets(line, sizeof line, query), nullptr);
    pclose(query);
    EXPECT_STREQ(line, "127.000.000.001\n");
}
