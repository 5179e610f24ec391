// The Raspberry Pi's platform backend (wiringPi over libgpiod, termios, sysfs
// PWM) against the stand-in libgpiod, whose chip is a virtual board in real
// time.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <wiringPi.h>
#include <wiringSerial.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "platform/gpiod/sysfs_pwm.h"
#include "sim/board.h"
#include "sim/devices/keypad.h"
#include "sim/gpiod/standin.h"

namespace {

namespace fs = std::filesystem;
using testing::MatchesRegex;

constexpr int kScl = 9;  // wiringPi pin of Broadcom 3
sim::Board& board() {
    return sim::gpiod_standin::board();
}

// Sets the stand-in up, starts wiringPi and uses a key's line; ends with
// status 0 only when the key reads as pressed.
void startAndReadKey(const char* chip, const char* fault) {
    setenv(sim::env::kGpioChip, chip, 1);
    setenv(sim::env::kGpioFault, fault, 1);
    wiringPiSetup();
    pullUpDnControl(7, PUD_UP);
    board().keypad().press("0");
    std::exit(digitalRead(7) == LOW ? 0 : 3);
}

// Each case in a process of its own that starts without a chip open.
TEST(GpiodStart, EndsWithOneClearLineOrRuns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        // chip, fault, status, line
        {"pinctrl-rp1", "", 0, ""},
        // A kernel before 5.5 cannot reconfigure a request: the lines still work.
        {"pinctrl-bcm2711", "noconfig", 0, ""},
        // The firmware's GPIO expander of a Pi 4 is no header.
        {"raspberrypi-exp-gpio", "", 1,
         "^kalventrix: no GPIO chip of a Raspberry Pi found \\(pinctrl-bcm2835, "
         "pinctrl-bcm2711, pinctrl-rp1\\)[^\n]*\n$"},
        {"pinctrl-bcm2711", "eacces", 1,
         "^kalventrix: permission denied on the GPIO chip [^\n]*gpio group[^\n]*\n$"},
        {"pinctrl-bcm2711", "ebusy", 1,
         "^kalventrix: GPIO 4 is in use by another program \\(\"another-program\"\\)"
         "[^\n]*\n$"}};
    for (auto [chip, fault, status, line] : cases)
        EXPECT_EXIT(startAndReadKey(chip, fault), testing::ExitedWithCode(status), line)
            << chip << " " << fault;
}

class Gpiod : public testing::Test {
  protected:
    void SetUp() override {
        setenv(sim::env::kGpioChip, sim::gpiod_standin::kDefaultChipLabel, 1);
        wiringPiSetup();
    }
};

// The soft I2C bus pulls a line low and lets it go to its pull-up hundreds of
// times a character: one request, the pull kept through every change, never
// driven high against a device holding it low, a level written meanwhile kept.
TEST_F(Gpiod, OpenDrainSwitchingKeepsOneRequestAndThePull) {
    sim::Pins& pins = board().pins();
    pinMode(kScl, INPUT);
    pullUpDnControl(kScl, PUD_UP);
    const int requests = sim::gpiod_standin::requestCount(3);
    const int party = pins.addParty("clock stretcher");
    for (int edge = 0; edge < 200; ++edge) {
        pinMode(kScl, OUTPUT);
        digitalWrite(kScl, 0);
        ASSERT_EQ(pins.level(kScl), 0);
        pins.pullLow(party, kScl, edge % 2 == 0);
        pinMode(kScl, INPUT);
        ASSERT_EQ(digitalRead(kScl), edge % 2 == 0 ? LOW : HIGH) << "edge " << edge;
        pins.pullLow(party, kScl, false);
        ASSERT_EQ(pins.pull(kScl), PUD_UP);
    }
    EXPECT_EQ(sim::gpiod_standin::requestCount(3), requests);
    EXPECT_TRUE(pins.contentions().empty());
    pullUpDnControl(kScl, PUD_DOWN);
    digitalWrite(kScl, 1);
    pinMode(kScl, OUTPUT);
    EXPECT_EQ(pins.pull(kScl), PUD_DOWN);
    EXPECT_EQ(pins.level(kScl), 1);
}

std::atomic<int> gCalls{0};
std::atomic<bool> gHold{false}, gOnTestThread{false};
std::thread::id gTestThread;

void countEdge() {
    if (std::this_thread::get_id() == gTestThread) gOnTestThread = true;
    ++gCalls;
    while (gHold) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The calls once the handlers have been quiet for a while.
int settledCalls() {
    for (int seen = -1; seen != gCalls;) {
        seen = gCalls;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    return gCalls;
}

// Edges of the kind asked for call the handler on its own thread; however
// many come while it runs, it runs once more.
TEST_F(Gpiod, EdgesCallTheHandlerOnItsThreadKeepingOnePending) {
    gTestThread = std::this_thread::get_id();
    for (int edge : {INT_EDGE_FALLING, INT_EDGE_BOTH}) {
        const int pin = sim::Keypad::pinOf(edge == INT_EDGE_FALLING ? "POWER" : "VALID");
        pullUpDnControl(pin, PUD_UP);
        ASSERT_EQ(wiringPiISR(pin, edge, countEdge), 0);
    }
    for (const char* key : {"POWER", "POWER", "POWER", "VALID"}) {
        const int before = gCalls;
        board().keypad().press(key);
        EXPECT_EQ(settledCalls(), before + 1) << key;          // at the press, whatever the kind
        EXPECT_EQ(digitalRead(sim::Keypad::pinOf(key)), LOW);  // a watched line still reads
        board().keypad().release(key);
        settledCalls();
    }
    EXPECT_EQ(gCalls, 5);
    gHold = true;
    board().keypad().press("VALID");
    for (int i = 0; i < 2000 && gCalls < 6; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int i = 0; i < 4; ++i) {
        board().keypad().release("VALID");
        board().keypad().press("VALID");
    }
    gHold = false;
    EXPECT_EQ(settledCalls(), 7);
    EXPECT_FALSE(gOnTestThread);
}

TEST(GpiodClocks, DelaysLastAtLeastWhatTheyAskForOnBothSidesOfTheSpinLimit) {
    for (unsigned int wait : {1u, 99u, 100u, 3000u}) {
        const unsigned int start = micros(), startMillis = millis();
        wait < 3000 ? delayMicroseconds(wait) : delay(3);
        EXPECT_GE(micros() - start, wait) << wait << " us";
        EXPECT_GE(millis() - startMillis, wait / 1000) << wait << " us";
    }
}

// Raw bytes at every rate wiringPi knows: a line end reaches the printer as
// 0x0A alone, command bytes pass unchanged, writes wait for the port.
TEST(GpiodSerial, SendsRawBytesAtTheRateOrSaysWhyNot) {
    const std::string sent("A\n\r\x11\x13\x1b\x7f\xff\0", 9);
    const std::pair<int, speed_t> rates[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                             {9600, B9600},   {19200, B19200},  {38400, B38400},
                                             {57600, B57600}, {115200, B115200}};
    for (auto [baud, speed] : rates) {
        int master = -1, slave = -1;
        char name[128];
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        const int fd = serialOpen(name, baud);
        termios settings{};
        ASSERT_EQ(tcgetattr(fd, &settings), 0) << baud;
        EXPECT_EQ(cfgetospeed(&settings), speed) << baud;
        EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
        for (char byte : sent) serialPutchar(fd, static_cast<unsigned char>(byte));
        std::string received(sent.size(), '?');
        for (ssize_t got = 0, n = 1; got < 9 && n > 0; got += n)
            n = read(master, &received[got], 9 - got);
        EXPECT_EQ(received, sent) << baud;
        serialClose(fd);
        close(slave);
        close(master);
    }
    EXPECT_EQ(serialOpen("/dev/null", 12345), -2);  // a rate wiringPi does not know
    testing::internal::CaptureStderr();
    EXPECT_EQ(serialOpen("/nonexistent/serial0", 9600), -1);
    EXPECT_EQ(serialOpen("/dev/null", 9600), -1);
    EXPECT_THAT(
        testing::internal::GetCapturedStderr(),
        MatchesRegex("kalventrix: cannot use the printer port /nonexistent/serial0: No such "
                     "file or directory[^\n]*dialout group\\)\nkalventrix: cannot use the "
                     "printer port /dev/null: not a serial port[^\n]*\n"));
}

// wiringPi's 19.2 MHz clock over divisor x range: clock 19 and range 1024
// make a period of 1013333 ns; the duty is value / range of it, clamped.
TEST(GpiodPwm, PeriodAndDutyFollowWiringPiRatesAndAMissingChipWarnsOnce) {
    const fs::path dir = fs::temp_directory_path() / ("kv-pwm-" + std::to_string(getpid()));
    fs::create_directories(dir / "pwm0");
    for (const char* file : {"export", "pwm0/period", "pwm0/duty_cycle", "pwm0/enable"})
        std::ofstream(dir / file) << "0";
    auto files = [&dir] {
        std::string text, word;
        for (const char* file : {"pwm0/enable", "pwm0/period", "pwm0/duty_cycle"})
            text += (std::ifstream(dir / file) >> word, word + " ");
        return text;
    };
    platform::gpiod::SysfsPwm pwm(dir.string());
    pwm.start(0, 18);
    const std::tuple<int, int, int, const char*> cases[] = {// divisor, range, value, files
                                                            {19, 1024, 512, "1 1013333 506666 "},
                                                            {19, 1024, 5000, "1 1013333 1013333 "},
                                                            {19, 1024, -3, "1 1013333 0 "},
                                                            {32, 100, 25, "1 166666 41666 "}};
    for (auto [divisor, range, value, expected] : cases) {
        pwm.setClock(divisor);
        pwm.setRange(static_cast<unsigned int>(range));
        pwm.write(0, value);
        EXPECT_EQ(files(), expected) << divisor << "/" << range << " " << value;
    }
    platform::gpiod::SysfsPwm missing((dir / "missing").string());
    testing::internal::CaptureStderr();
    missing.start(0, 18);
    missing.write(0, 100);
    missing.write(0, 200);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                MatchesRegex("kalventrix: no PWM channel 0 of [^\n]* on GPIO 18 has no effect\n"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    fs::remove_all(dir);
}

}  // namespace
