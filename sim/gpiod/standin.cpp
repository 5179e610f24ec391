// The gpiod_* functions the Pi backend calls, with the kernel's rules for them
// (a line is requested by one holder at a time; a pull needs a direction;
// values only through value requests, edges only through edge requests) so
// that a backend breaking them fails here as on a Pi. Compiled against
// Debian's gpiod.h, so the signatures are the library's own.
#include "sim/gpiod/standin.h"

#include <fcntl.h>
#include <gpiod.h>
#include <unistd.h>
#include <wiringPi.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "sim/board.h"
#include "sim/devices/printer_model.h"

using sim::gpiod_standin::kLines;

struct gpiod_line {
    gpiod_chip* chip;
    unsigned int offset;
};

struct gpiod_chip {
    std::string label;
    gpiod_line lines[kLines];
};

namespace sim::gpiod_standin {

namespace {

constexpr std::size_t kEventQueue = 16;  // the kernel keeps as many per request
constexpr const char* kOtherConsumer = "another-program";
constexpr int kBiasFlags = GPIOD_LINE_REQUEST_FLAG_BIAS_DISABLE |
                           GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_DOWN |
                           GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_UP;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool faultIs(const char* fault) {
    return environment(env::kGpioFault) == fault;
}

bool isEdgeRequest(int type) {
    return type == GPIOD_LINE_REQUEST_EVENT_FALLING_EDGE ||
           type == GPIOD_LINE_REQUEST_EVENT_RISING_EDGE ||
           type == GPIOD_LINE_REQUEST_EVENT_BOTH_EDGES;
}

bool reportsLevel(int type, int level) {
    return type == GPIOD_LINE_REQUEST_EVENT_BOTH_EDGES ||
           (type == GPIOD_LINE_REQUEST_EVENT_RISING_EDGE && level == 1) ||
           (type == GPIOD_LINE_REQUEST_EVENT_FALLING_EDGE && level == 0);
}

// A pull needs a direction, and one pull at a time.
bool validRequest(int type, int flags) {
    const int bias = flags & kBiasFlags;
    if (bias & (bias - 1)) return false;
    if (type == GPIOD_LINE_REQUEST_DIRECTION_AS_IS) return bias == 0;
    return type == GPIOD_LINE_REQUEST_DIRECTION_INPUT ||
           type == GPIOD_LINE_REQUEST_DIRECTION_OUTPUT || isEdgeRequest(type);
}

int failWith(int error) {
    errno = error;
    return -1;
}

// What the kernel knows of a line.
struct KernelLine {
    const gpiod_line* holder = nullptr;
    int type = 0;
    std::string consumer;
    std::deque<gpiod_line_event> events;
    int value = 0;  // a line without a board pin keeps its level here
    int requests = 0;
};

class Chip {
  public:
    Chip() : board_(makeBoard()) {
        for (int& pin : pinOfGpio_) pin = -1;
        for (int pin = 0; pin < Pins::kCount; ++pin) {
            const int gpio = wpiPinToGpio(pin);
            if (gpio >= 0 && gpio < static_cast<int>(kLines)) pinOfGpio_[gpio] = pin;
        }
        board_.pins().addListener([this](int pin, int level) { onPinChange(pin, level); });
        feedPrinter();
    }

    Board& board() { return board_; }

    int request(const gpiod_line& line, const gpiod_line_request_config& config, int value);
    void release(const gpiod_line& line);
    int reconfigure(const gpiod_line& line, int direction, int flags, int value);
    int setValue(const gpiod_line& line, int value);
    int value(const gpiod_line& line);
    int waitEdge(const gpiod_line& line, const timespec* timeout);
    int takeEdge(const gpiod_line& line, gpiod_line_event& event);
    const char* consumer(const gpiod_line& line);
    int requests(unsigned int gpio);

  private:
    static Board& makeBoard();
    void feedPrinter();
    void onPinChange(int pin, int level);
    void drive(unsigned int gpio, int type, int flags, int value);

    Board& board_;
    int pinOfGpio_[kLines];
    std::mutex mutex_;  // never held while the pins change: their listeners take it
    std::condition_variable edges_;
    KernelLine lines_[kLines];
};

Chip& chip() {
    // Never destroyed: the program's interrupt threads wait on it to the end.
    static Chip* header = new Chip;
    return *header;
}

Board& Chip::makeBoard() {
    BoardConfig config = Board::environmentConfig();
    config.realtime = true;
    auto* board = new Board(config, ClockMode::Realtime);
    board->trace().setEnabled(false);  // nobody reads the text here; counters stay
    const int link = Board::environmentLinkFd();
    if (link >= 0) board->attachLink(link);
    return *board;
}

// The master of the pseudo-terminal whose slave is the program's serial port.
void Chip::feedPrinter() {
    const char* text = std::getenv(env::kSerialFd);
    if (!text || !*text) return;
    const int fd = std::atoi(text);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);  // not the business of the program's commands
    std::thread([this, fd] {
        unsigned char bytes[256];
        for (;;) {
            const ssize_t got = ::read(fd, bytes, sizeof bytes);
            for (ssize_t i = 0; i < got; ++i) board_.printerModel().put(bytes[i]);
            if (got > 0 || (got < 0 && errno == EINTR)) continue;
            // Nobody holds the port open yet (or any more): look again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }).detach();
}

void Chip::onPinChange(int pin, int level) {
    const int gpio = wpiPinToGpio(pin);
    if (gpio < 0 || gpio >= static_cast<int>(kLines)) return;
    std::lock_guard<std::mutex> guard(mutex_);
    KernelLine& line = lines_[gpio];
    if (!line.holder || !isEdgeRequest(line.type) || !reportsLevel(line.type, level)) return;
    if (line.events.size() == kEventQueue) return;  // a full queue drops the new edge
    gpiod_line_event event{};
    clock_gettime(CLOCK_MONOTONIC, &event.ts);
    event.event_type = level ? GPIOD_LINE_EVENT_RISING_EDGE : GPIOD_LINE_EVENT_FALLING_EDGE;
    line.events.push_back(event);
    edges_.notify_all();
}

// The pin as the request leaves it: pull first (none given: as it was), then
// the direction; an output's level is latched before it drives the line.
void Chip::drive(unsigned int gpio, int type, int flags, int value) {
    const int pin = pinOfGpio_[gpio];
    if (pin < 0) {
        if (type == GPIOD_LINE_REQUEST_DIRECTION_OUTPUT) {
            std::lock_guard<std::mutex> guard(mutex_);
            lines_[gpio].value = value ? 1 : 0;
        }
        return;
    }
    Pins& pins = board_.pins();
    if (flags & GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_UP)
        pins.setPull(pin, PUD_UP);
    else if (flags & GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_DOWN)
        pins.setPull(pin, PUD_DOWN);
    else if (flags & GPIOD_LINE_REQUEST_FLAG_BIAS_DISABLE)
        pins.setPull(pin, PUD_OFF);
    if (type == GPIOD_LINE_REQUEST_DIRECTION_OUTPUT) {
        pins.write(pin, value);
        pins.setMode(pin, OUTPUT);
    } else if (type != GPIOD_LINE_REQUEST_DIRECTION_AS_IS) {
        pins.setMode(pin, INPUT);
    }
}

int Chip::request(const gpiod_line& line, const gpiod_line_request_config& config, int value) {
    if (!validRequest(config.request_type, config.flags)) return failWith(EINVAL);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        KernelLine& kernel = lines_[line.offset];
        if (kernel.holder || faultIs("ebusy")) return failWith(EBUSY);
        kernel.holder = &line;
        kernel.type = config.request_type;
        kernel.consumer = config.consumer ? config.consumer : "";
        kernel.events.clear();
        ++kernel.requests;
    }
    drive(line.offset, config.request_type, config.flags, value);
    return 0;
}

void Chip::release(const gpiod_line& line) {
    std::lock_guard<std::mutex> guard(mutex_);
    KernelLine& kernel = lines_[line.offset];
    if (kernel.holder != &line) return;
    kernel.holder = nullptr;
    kernel.consumer.clear();
    kernel.events.clear();
    edges_.notify_all();
}

int Chip::reconfigure(const gpiod_line& line, int direction, int flags, int value) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        KernelLine& kernel = lines_[line.offset];
        if (kernel.holder != &line || isEdgeRequest(kernel.type)) return failWith(EPERM);
        // What a kernel before 5.5 answers: it knows no such request.
        if (faultIs("noconfig")) return failWith(EINVAL);
        if (isEdgeRequest(direction) || !validRequest(direction, flags)) return failWith(EINVAL);
        if (direction != GPIOD_LINE_REQUEST_DIRECTION_AS_IS) kernel.type = direction;
        direction = kernel.type;
    }
    drive(line.offset, direction, flags, value);
    return 0;
}

int Chip::setValue(const gpiod_line& line, int value) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        KernelLine& kernel = lines_[line.offset];
        if (kernel.holder != &line || kernel.type != GPIOD_LINE_REQUEST_DIRECTION_OUTPUT)
            return failWith(EPERM);
        if (pinOfGpio_[line.offset] < 0) {
            kernel.value = value;
            return 0;
        }
    }
    board_.pins().write(pinOfGpio_[line.offset], value);
    return 0;
}

int Chip::value(const gpiod_line& line) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        const KernelLine& kernel = lines_[line.offset];
        if (kernel.holder != &line) return failWith(EPERM);
        if (pinOfGpio_[line.offset] < 0) return kernel.value;
    }
    board_.serviceDevices();
    return board_.pins().read(pinOfGpio_[line.offset]);
}

int Chip::waitEdge(const gpiod_line& line, const timespec* timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const KernelLine& kernel = lines_[line.offset];
    if (kernel.holder != &line || !isEdgeRequest(kernel.type)) return failWith(EPERM);
    auto ready = [&] { return kernel.holder != &line || !kernel.events.empty(); };
    if (!timeout) {
        edges_.wait(lock, ready);
    } else {
        const auto limit =
            std::chrono::seconds(timeout->tv_sec) + std::chrono::nanoseconds(timeout->tv_nsec);
        if (!edges_.wait_for(lock, limit, ready)) return 0;
    }
    return kernel.holder == &line ? 1 : failWith(EBADF);
}

int Chip::takeEdge(const gpiod_line& line, gpiod_line_event& event) {
    std::unique_lock<std::mutex> lock(mutex_);
    KernelLine& kernel = lines_[line.offset];
    if (kernel.holder != &line || !isEdgeRequest(kernel.type)) return failWith(EPERM);
    edges_.wait(lock, [&] { return kernel.holder != &line || !kernel.events.empty(); });
    if (kernel.holder != &line) return failWith(EBADF);
    event = kernel.events.front();
    kernel.events.pop_front();
    return 0;
}

const char* Chip::consumer(const gpiod_line& line) {
    if (faultIs("ebusy")) return kOtherConsumer;
    std::lock_guard<std::mutex> guard(mutex_);
    const KernelLine& kernel = lines_[line.offset];
    return kernel.holder ? kernel.consumer.c_str() : nullptr;
}

int Chip::requests(unsigned int gpio) {
    std::lock_guard<std::mutex> guard(mutex_);
    return gpio < kLines ? lines_[gpio].requests : 0;
}

// A program started by the runner answers it from its first moment.
__attribute__((constructor)) void startWithRunner() {
    if (Board::environmentLinkFd() >= 0) chip();
}

}  // namespace

Board& board() {
    return chip().board();
}

int requestCount(unsigned int gpio) {
    return chip().requests(gpio);
}

}  // namespace sim::gpiod_standin

using sim::gpiod_standin::chip;

extern "C" {

gpiod_chip* gpiod_chip_open_by_label(const char* label) {
    chip();
    if (sim::gpiod_standin::faultIs("eacces")) {
        errno = EACCES;
        return nullptr;
    }
    std::string present = sim::gpiod_standin::environment(sim::env::kGpioChip);
    if (present.empty()) present = sim::gpiod_standin::kDefaultChipLabel;
    if (!label || present == "none" || present != label) {
        errno = ENOENT;
        return nullptr;
    }
    auto* opened = new gpiod_chip;
    opened->label = present;
    for (unsigned int offset = 0; offset < kLines; ++offset)
        opened->lines[offset] = {opened, offset};
    return opened;
}

void gpiod_chip_close(gpiod_chip* opened) {
    if (!opened) return;
    for (const gpiod_line& line : opened->lines) chip().release(line);
    delete opened;
}

const char* gpiod_chip_label(gpiod_chip* opened) {
    return opened->label.c_str();
}

gpiod_line* gpiod_chip_get_line(gpiod_chip* opened, unsigned int offset) {
    if (!opened || offset >= kLines) {
        errno = EINVAL;
        return nullptr;
    }
    return &opened->lines[offset];
}

int gpiod_line_update(gpiod_line*) {
    return 0;
}

const char* gpiod_line_consumer(gpiod_line* line) {
    return chip().consumer(*line);
}

int gpiod_line_request(gpiod_line* line, const gpiod_line_request_config* config, int default_val) {
    if (!line || !config) return sim::gpiod_standin::failWith(EINVAL);
    return chip().request(*line, *config, default_val);
}

void gpiod_line_release(gpiod_line* line) {
    if (line) chip().release(*line);
}

int gpiod_line_set_config(gpiod_line* line, int direction, int flags, int value) {
    return chip().reconfigure(*line, direction, flags, value);
}

int gpiod_line_set_value(gpiod_line* line, int value) {
    return chip().setValue(*line, value ? 1 : 0);
}

int gpiod_line_get_value(gpiod_line* line) {
    return chip().value(*line);
}

int gpiod_line_event_wait(gpiod_line* line, const timespec* timeout) {
    return chip().waitEdge(*line, timeout);
}

int gpiod_line_event_read(gpiod_line* line, gpiod_line_event* event) {
    return chip().takeEdge(*line, *event);
}

}  // extern "C"
