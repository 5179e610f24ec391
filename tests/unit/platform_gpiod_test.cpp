// The Raspberry Pi's platform backend (wiringPi over libgpiod, termios, sysfs
// PWM) against the stand-in libgpiod, whose chip is a virtual board in real
// time. Cases whose process must start without a chip run in a child process.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <wiringPi.h>
#include <wiringSerial.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gpiod/sysfs_pwm.h"
#include "sim/board.h"
#include "sim/devices/keypad.h"
#include "sim/gpiod/standin.h"
#include "sim/pins.h"

namespace {

namespace fs = std::filesystem;
using platform::gpiod::SysfsPwm;

constexpr int kSda = 8;  // wiringPi pins, Broadcom 2 and 3
constexpr int kScl = 9;
constexpr unsigned int kSclGpio = 3;

sim::Board& board() {
    return sim::gpiod_standin::board();
}

// A death test's child starts afresh (no chip open yet), not as a copy of
// this process.
struct FreshChildren : ::testing::Environment {
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
const ::testing::Environment* const kFreshChildren =
    ::testing::AddGlobalTestEnvironment(new FreshChildren);

// Polls until `done` holds, for at most two seconds of real time.
template <typename Condition>
bool eventually(Condition done) {
    for (int tries = 0; tries < 200; ++tries) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// --- Finding the header's chip, and what a technician meets ---

struct ChipCase {
    const char* chip;   // the stand-in chip's label
    const char* fault;  // the stand-in's fault, "" for none
    int status;         // the process's exit status
    const char* line;   // what it says on standard error
};

void PrintTo(const ChipCase& c, std::ostream* out) {
    *out << "chip " << c.chip << (*c.fault ? ", fault " : "") << c.fault;
}

class ChipStart : public ::testing::TestWithParam<ChipCase> {};

// Sets the stand-in up as the case says, starts wiringPi and uses a key's
// line; returns normally only when the key reads as pressed.
void startAndReadKey(const ChipCase& c) {
    setenv(sim::env::kGpioChip, c.chip, 1);
    setenv(sim::env::kGpioFault, c.fault, 1);
    wiringPiSetup();
    pinMode(7, INPUT);
    pullUpDnControl(7, PUD_UP);
    board().keypad().press("0");
    std::exit(digitalRead(7) == LOW ? 0 : 3);
}

TEST_P(ChipStart, EndsWithOneClearLineOrRuns) {
    const ChipCase& c = GetParam();
    EXPECT_EXIT(startAndReadKey(c), ::testing::ExitedWithCode(c.status), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ChipStart,
    ::testing::Values(
        ChipCase{"pinctrl-bcm2835", "", 0, ""}, ChipCase{"pinctrl-bcm2711", "", 0, ""},
        ChipCase{"pinctrl-rp1", "", 0, ""},
        // The firmware's GPIO expander of a Pi 4 is no header.
        ChipCase{"raspberrypi-exp-gpio", "", 1,
                 "^kalventrix: no GPIO chip of a Raspberry Pi found \\(pinctrl-bcm2835, "
                 "pinctrl-bcm2711, pinctrl-rp1\\)[^\n]*\n$"},
        ChipCase{"none", "", 1, "^kalventrix: no GPIO chip of a Raspberry Pi found"},
        ChipCase{"pinctrl-bcm2711", "eacces", 1,
                 "^kalventrix: permission denied on the GPIO chip [^\n]*gpio group[^\n]*\n$"},
        ChipCase{
            "pinctrl-bcm2711", "ebusy", 1,
            "^kalventrix: GPIO 4 is in use by another program \\(\"another-program\"\\)[^\n]*\n$"},
        // A kernel before 5.5 cannot reconfigure a request: the lines still work.
        ChipCase{"pinctrl-bcm2711", "noconfig", 0, ""}));

// --- Lines ---

class GpioLines : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv(sim::env::kGpioChip, sim::gpiod_standin::kDefaultChipLabel, 1);
        wiringPiSetup();
    }
};

// The soft I2C bus pulls a line low and releases it to its pull-up hundreds
// of times per character: the line keeps its single request and its pull,
// and is never driven high against a device holding it low.
TEST_F(GpioLines, OpenDrainSwitchingKeepsOneRequestAndThePullUp) {
    pinMode(kScl, INPUT);
    pullUpDnControl(kScl, PUD_UP);
    const int requests = sim::gpiod_standin::requestCount(kSclGpio);
    sim::Pins& pins = board().pins();
    const int party = pins.addParty("clock stretcher");
    for (int edge = 0; edge < 200; ++edge) {
        pinMode(kScl, OUTPUT);
        digitalWrite(kScl, 0);
        ASSERT_EQ(pins.level(kScl), 0);
        pins.pullLow(party, kScl, edge % 2 == 0);  // a slave stretching every other clock
        pinMode(kScl, INPUT);
        ASSERT_EQ(digitalRead(kScl), edge % 2 == 0 ? LOW : HIGH) << "edge " << edge;
        pins.pullLow(party, kScl, false);
    }
    EXPECT_EQ(sim::gpiod_standin::requestCount(kSclGpio), requests);
    EXPECT_EQ(pins.pull(kScl), PUD_UP);
    EXPECT_EQ(pins.mode(kScl), INPUT);
    EXPECT_TRUE(pins.contentions().empty());
}

TEST_F(GpioLines, PullsFollowPullUpDnControlOnEveryDirection) {
    sim::Pins& pins = board().pins();
    pinMode(kSda, OUTPUT);
    for (int pud : {PUD_UP, PUD_DOWN, PUD_OFF, PUD_UP}) {
        pullUpDnControl(kSda, pud);
        EXPECT_EQ(pins.pull(kSda), pud);
        pinMode(kSda, INPUT);
        EXPECT_EQ(pins.pull(kSda), pud);
        pinMode(kSda, OUTPUT);
    }
    pinMode(kSda, INPUT);
}

TEST_F(GpioLines, OutputLevelWrittenWhileAnInputShowsWhenTheLineDrives) {
    const int pin = 0;  // key 5, a line nobody else pulls
    pinMode(pin, INPUT);
    digitalWrite(pin, 0);
    EXPECT_EQ(board().pins().level(pin), 1);
    pinMode(pin, OUTPUT);
    EXPECT_EQ(board().pins().level(pin), 0);
    digitalWrite(pin, 1);
    EXPECT_EQ(digitalRead(pin), HIGH);
    pinMode(pin, INPUT);
}

// --- Interrupt threads ---

struct HandlerLog {
    std::mutex mutex;
    std::condition_variable released;
    std::atomic<int> calls{0};
    std::atomic<bool> onTestThread{false};
    bool hold = false;
    std::thread::id testThread;
};
HandlerLog gLog;

void countEdge() {
    if (std::this_thread::get_id() == gLog.testThread) gLog.onTestThread = true;
    ++gLog.calls;
    std::unique_lock<std::mutex> lock(gLog.mutex);
    gLog.released.wait(lock, [] { return !gLog.hold; });
}

class Interrupts : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv(sim::env::kGpioChip, sim::gpiod_standin::kDefaultChipLabel, 1);
        wiringPiSetup();
        gLog.calls = 0;
        gLog.testThread = std::this_thread::get_id();
    }
    void TearDown() override { setHold(false); }

    static void setHold(bool hold) {
        {
            std::lock_guard<std::mutex> guard(gLog.mutex);
            gLog.hold = hold;
        }
        gLog.released.notify_all();
    }
    // A key press and release, as the keypad's switch makes them.
    static void click(const std::string& key) {
        board().keypad().press(key);
        board().keypad().release(key);
    }
    static void watch(int pin, int edge) {
        pinMode(pin, INPUT);
        pullUpDnControl(pin, PUD_UP);
        ASSERT_EQ(wiringPiISR(pin, edge, countEdge), 0);
    }
    // The calls once the handler has been quiet for a while.
    static int settledCalls() {
        int seen;
        do {
            seen = gLog.calls;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        } while (seen != gLog.calls);
        return seen;
    }
};

TEST_F(Interrupts, EdgesOfTheRequestedKindCallTheHandlerOnItsOwnThread) {
    struct Case {
        const char* key;
        int edge;
        int callsPerClick;
    };
    for (const Case& c : {Case{"POWER", INT_EDGE_FALLING, 1}, Case{"VALID", INT_EDGE_BOTH, 2}}) {
        SCOPED_TRACE(c.key);
        const int pin = sim::Keypad::pinOf(c.key);
        watch(pin, c.edge);
        gLog.calls = 0;
        for (int click = 1; click <= 3; ++click) {
            const int before = gLog.calls;
            board().keypad().press(c.key);
            ASSERT_TRUE(eventually([before] { return gLog.calls > before; }));
            EXPECT_EQ(digitalRead(pin), LOW);  // a watched line still reads
            board().keypad().release(c.key);
            EXPECT_EQ(settledCalls(), c.callsPerClick * click);
        }
    }
    EXPECT_FALSE(gLog.onTestThread);
}

// wiringPi keeps at most one edge pending while a handler runs: however many
// edges come meanwhile, the handler runs once more.
TEST_F(Interrupts, EdgesDuringARunningHandlerMakeOneMoreCall) {
    const int pin = sim::Keypad::pinOf("NO");
    watch(pin, INT_EDGE_BOTH);
    setHold(true);
    board().keypad().press("NO");
    ASSERT_TRUE(eventually([] { return gLog.calls == 1; }));
    board().keypad().release("NO");
    for (int i = 0; i < 4; ++i) click("NO");
    setHold(false);
    EXPECT_EQ(settledCalls(), 2);
}

// --- Clocks and delays ---

TEST(GpiodClocks, DelaysLastAtLeastWhatTheyAskForOnBothSidesOfTheSpinLimit) {
    for (unsigned int wait : {1u, 40u, 99u, 100u, 2500u}) {
        const unsigned int start = micros();
        delayMicroseconds(wait);
        EXPECT_GE(micros() - start, wait) << wait << " us";
    }
    const unsigned int startMillis = millis();
    const unsigned int startMicros = micros();
    delay(30);
    EXPECT_GE(millis() - startMillis, 30u);
    EXPECT_GE(micros() - startMicros, 30000u);
}

// --- Serial port ---

struct SerialCase {
    int baud;
    speed_t speed;
};

void PrintTo(const SerialCase& c, std::ostream* out) {
    *out << c.baud << " baud";
}

class SerialPort : public ::testing::TestWithParam<SerialCase> {};

// Raw bytes at the asked rate: a line end reaches the printer as 0x0A alone,
// and the printer's command bytes pass unchanged; writes wait for the port.
TEST_P(SerialPort, SendsRawBytesAtTheRate) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const int fd = serialOpen(name, GetParam().baud);
    ASSERT_GE(fd, 0);
    termios settings{};
    ASSERT_EQ(tcgetattr(fd, &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), GetParam().speed);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    const std::vector<unsigned char> sent = {'A', 0x0A, 0x0D, 0x11, 0x13, 0x1B, 0x7F, 0xFF, 0x00};
    for (unsigned char byte : sent) serialPutchar(fd, byte);
    std::vector<unsigned char> received;
    unsigned char buffer[64];
    while (received.size() < sent.size()) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        ASSERT_GT(got, 0);
        received.insert(received.end(), buffer, buffer + got);
    }
    EXPECT_EQ(received, sent);
    serialClose(fd);
    close(slave);
    close(master);
}

INSTANTIATE_TEST_SUITE_P(Rates, SerialPort,
                         ::testing::Values(SerialCase{9600, B9600}, SerialCase{19200, B19200}));

TEST(SerialPortMissing, SaysWhyInOneLineAndGoesOn) {
    EXPECT_EQ(serialOpen("/dev/null", 12345), -2);  // a rate wiringPi does not know
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(serialOpen("/nonexistent/serial0", 9600), -1);
    EXPECT_EQ(serialOpen("/dev/null", 9600), -1);  // not a serial port
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::MatchesRegex("kalventrix: cannot use the printer port "
                                        "/nonexistent/serial0: No such file or directory[^\n]*"
                                        "dialout group\\)\n"
                                        "kalventrix: cannot use the printer port /dev/null: not a "
                                        "serial port[^\n]*\n"));
}

// --- PWM ---

// A PWM chip as the kernel lays it out, with the channel's files already there.
class PwmChip : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kv-pwm-" + std::to_string(getpid()));
        fs::create_directories(dir_ / "pwm0");
        for (const char* file : {"export", "pwm0/period", "pwm0/duty_cycle", "pwm0/enable"})
            std::ofstream(dir_ / file) << "0";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string read(const char* file) {
        std::ifstream in(dir_ / file);
        std::string text;
        in >> text;
        return text;
    }
    fs::path dir_;
};

// wiringPi's 19.2 MHz clock over divisor x range: clock 19 and range 1024
// make a period of 1013333 ns; the duty is value / range of it, clamped.
TEST_F(PwmChip, PeriodAndDutyFollowWiringPiRates) {
    struct Case {
        int divisor;
        unsigned int range;
        int value;
        const char* period;
        const char* duty;
    };
    SysfsPwm pwm(dir_.string());
    pwm.start(0, 18);
    EXPECT_EQ(read("pwm0/enable"), "1");
    for (const Case& c :
         {Case{19, 1024, 512, "1013333", "506666"}, Case{19, 1024, 1024, "1013333", "1013333"},
          Case{19, 1024, 5000, "1013333", "1013333"}, Case{19, 1024, -3, "1013333", "0"},
          Case{32, 100, 25, "166666", "41666"}}) {
        pwm.setClock(c.divisor);
        pwm.setRange(c.range);
        pwm.write(0, c.value);
        EXPECT_EQ(read("pwm0/period"), c.period) << c.divisor << "/" << c.range;
        EXPECT_EQ(read("pwm0/duty_cycle"), c.duty) << c.value;
    }
}

TEST_F(PwmChip, WithoutAPwmChipOneWarningAndNoEffect) {
    SysfsPwm pwm((dir_ / "missing").string());
    ::testing::internal::CaptureStderr();
    pwm.start(0, 18);
    pwm.write(0, 100);
    pwm.write(0, 200);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("on GPIO 18"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

}  // namespace
