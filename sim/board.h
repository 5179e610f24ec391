// The virtual board, one per process: clock, pins, device models, interrupt
// threads, serial port, shell and wall clock. The sim backend of wiringPi and
// platform.h is a thin layer over it; the link to the runner reads from it.
#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/clock.h"
#include "sim/link.h"
#include "sim/pins.h"
#include "sim/snapshot.h"

namespace sim {

class Trace;
class I2cDisplay;
class Keypad;
class PrinterModel;
class LinkServer;

// Environment through which the runner hands the board its configuration.
namespace env {
constexpr const char* kLinkFd = "KALVENTRIX_SIM_FD";
constexpr const char* kRoot = "KALVENTRIX_ROOT";
constexpr const char* kLcdAddr = "KALVENTRIX_SIM_LCD";
constexpr const char* kDate = "KALVENTRIX_SIM_DATE";
constexpr const char* kRealtime = "KALVENTRIX_SIM_REALTIME";
constexpr const char* kStartAt = "KALVENTRIX_SIM_START_AT";
constexpr const char* kWallOffset = "KALVENTRIX_SIM_WALL_OFFSET";
constexpr const char* kWallTime = "KALVENTRIX_WALLTIME";
// The Raspberry Pi program on the board through the stand-in libgpiod: the
// printer port's far end, the GPIO chip's label ("none": no chip) and a
// fault to meet ("eacces", "ebusy", "noconfig").
constexpr const char* kSerialFd = "KALVENTRIX_SIM_SERIAL_FD";
constexpr const char* kGpioChip = "KALVENTRIX_SIM_GPIO_CHIP";
constexpr const char* kGpioFault = "KALVENTRIX_SIM_GPIO_FAULT";
}  // namespace env

constexpr int kPrinterFd = 1000;

class Board {
  public:
    // The process's board, made on first use: from the environment when the
    // runner started the program, otherwise an in-process board in auto mode.
    // A thread the board started (interrupt handler, program thread) always
    // gets its own board, even after reset() replaced it.
    static Board& instance();
    // Tests: a fresh board from now on. The old one is stopped (its threads'
    // waits return) and kept alive, since its threads may still touch it.
    static Board& reset(const BoardConfig& config, ClockMode mode = ClockMode::Auto);
    static Board& reset();  // defaultConfig(), auto mode
    // Root from KALVENTRIX_ROOT or the working directory, display at 0x27.
    static BoardConfig defaultConfig();
    // The configuration a runner put in the environment, defaultConfig() where it did not.
    static BoardConfig environmentConfig();
    // The runner's end of the link from the environment; -1 without a runner.
    static int environmentLinkFd();

    Board(const BoardConfig& config, ClockMode mode);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    const BoardConfig& config() const { return config_; }
    VirtualClock& clock() { return clock_; }
    Pins& pins() { return pins_; }
    Trace& trace() { return *trace_; }
    I2cDisplay* display();  // address 0: no display answers
    Keypad& keypad();
    PrinterModel& printerModel();

    // Input, applied at virtual time `at` with the baton held.
    void keyDown(Micros at, const std::string& key);
    void keyUp(Micros at, const std::string& key);
    // One full quadrature cycle, its four edges spread over `duration`.
    void detent(Micros at, bool forward, Micros duration);

    // Lets the device models finish timed work that is due (a slave that
    // stretches the clock releases it); called before the program reads a pin.
    void serviceDevices();

    // A registered thread per call that runs `handler` on edges of `edge` kind.
    int attachIsr(int pin, int edge, void (*handler)());
    // A registered thread of this board that runs `body` (piThreadCreate).
    void startThread(std::function<void()> body);

    int openSerial(const std::string& device, int baud);
    void closeSerial(int fd);
    void putSerial(int fd, unsigned char byte);
    int serialBaud() const { return serialBaud_; }

    void setPwmRange(unsigned int range) { pwmRange_ = range; }
    void setPwmClock(int divisor) { pwmClock_ = divisor; }
    unsigned int pwmRange() const { return pwmRange_; }
    int pwmClock() const { return pwmClock_; }

    // Wall clock: the configured date (local time) + virtual time + offset.
    std::time_t wallTime() const;
    void setWallTime(std::time_t when);
    long long wallOffset() const { return wallOffset_; }

    // Records the command, runs it with /bin/sh -c, returns the wait status.
    int shell(const std::string& command);
    std::vector<ShellRecord> shellLog() const;

    // What changed since the previous snapshot (paper and shell records).
    Snapshot snapshot();
    Glass glass() const;
    std::vector<PaperLine> takePaper();  // lines completed since the last call

    // The runner's link, when this process was started by one.
    void attachLink(int fd);

  private:
    struct Isr;
    struct Devices;  // the device models, composed in board_devices.cpp
    struct DevicesDeleter {
        void operator()(Devices* devices) const;
    };

    void onPinChange(int pin, int level);
    void runIsr(Isr& isr);
    void applyDateSet();
    bool ensureStubTools();
    static std::unique_ptr<Devices, DevicesDeleter> makeDevices(Board& board);
    void pressKey(const std::string& key, bool down);
    void encoderEdge(bool forward, int edge);

    BoardConfig config_;
    VirtualClock clock_;
    Pins pins_;
    std::unique_ptr<Trace> trace_;
    std::unique_ptr<Devices, DevicesDeleter> devices_;

    mutable std::mutex mutex_;  // guards the lists below, never held across a wait
    std::vector<std::unique_ptr<Isr>> isrs_;
    std::vector<ShellRecord> shellLog_;
    std::size_t shellSent_ = 0;
    std::time_t dateBase_ = 0;
    std::atomic<long long> wallOffset_{0};
    std::atomic<bool> serialOpen_{false};
    int serialBaud_ = 0;
    unsigned int pwmRange_ = 1024;
    int pwmClock_ = 0;
    std::unique_ptr<LinkServer> link_;
};

// Parses "YYYY-MM-DD HH:MM:SS" as local time; -1 when malformed.
std::time_t parseLocalTime(const std::string& text);

}  // namespace sim
