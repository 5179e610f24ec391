// The namespace the Raspberry Pi program runs in on the virtual board: the
// sandbox stands at /, nothing of the host can be changed or seen beyond the
// system's read-only files, and the stand-in tools and library come first.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/link.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PiNamespace, SandboxAtRootHostOutOfReach) {
    const fs::path work = fs::current_path() / "namespace";
    fs::remove_all(work);
    const fs::path root = work / "root";
    for (const char* folder :
         {"home/pi", "boot", "var/log", "etc/wpa_supplicant", ".sim/bin", "proc"})
        fs::create_directories(root / folder);
    std::ofstream(root / "proc/cpuinfo") << "Model\t\t: Raspberry Pi 4 Model B Rev 1.2\n";
    std::ofstream(root / ".sim/bin/sudo") << "#!/bin/sh\nexec \"$@\"\n";
    fs::permissions(root / ".sim/bin/sudo", fs::perms(0755));
    const fs::path hostFile = work / "host-only";
    std::ofstream(hostFile) << "not for the program\n";
    setenv("KV_HOST_FILE", hostFile.c_str(), 1);

    sim::BoardConfig config;
    config.root = root.string();
    auto link = sim::ProgramLink::startPi(KV_NAMESPACE_PROBE, config, {KV_BWRAP, KV_STANDIN_DIR});
    for (sim::Micros at = 100000; !link->runUntil(at).exited; at += 100000) {
        ASSERT_LT(at, 30000000u) << "the probe did not end";
    }

    EXPECT_EQ(readFile(root / "home/pi/probe.txt"),
              "capabilities 0000000000000000\n"
              "/usr read-only\n"
              "host file hidden\n"
              "/dev/serial0 a terminal\n"
              "sudo /.sim/bin/sudo\n"
              "Model\t\t: Raspberry Pi 4 Model B Rev 1.2\n"
              "libgpiod.so.2\n"
              "working in /home/pi, root /, host raspberrypi\n"
              "proxy http://127.0.0.1:9\n"
              "process 1 is bwrap\n");
    EXPECT_TRUE(fs::exists(hostFile));
}

}  // namespace
