#include "platform/gpiod/gpio_lines.h"

#include <gpiod.h>
#include <pwd.h>
#include <unistd.h>
#include <wiringPi.h>

#include <cerrno>
#include <cstring>

#include "platform/gpiod/fatal.h"

namespace platform::gpiod {

namespace {

constexpr const char* kConsumer = "kalventrix";

bool valid(int gpio) {
    return gpio >= 0 && gpio < GpioLines::kLines;
}

int biasFlagsOf(int pud) {
    switch (pud) {
        case PUD_UP:
            return GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_UP;
        case PUD_DOWN:
            return GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_DOWN;
        default:
            return GPIOD_LINE_REQUEST_FLAG_BIAS_DISABLE;
    }
}

int eventTypeOf(Edge edge) {
    switch (edge) {
        case Edge::Falling:
            return GPIOD_LINE_REQUEST_EVENT_FALLING_EDGE;
        case Edge::Rising:
            return GPIOD_LINE_REQUEST_EVENT_RISING_EDGE;
        default:
            return GPIOD_LINE_REQUEST_EVENT_BOTH_EDGES;
    }
}

std::string userName() {
    const passwd* entry = getpwuid(getuid());
    return entry ? entry->pw_name : "pi";
}

[[noreturn]] void permissionDenied() {
    fatal(
        "permission denied on the GPIO chip (/dev/gpiochip*): add the user to the gpio group "
        "(sudo adduser " +
        userName() + " gpio) and log in again");
}

[[noreturn]] void noHeaderChip() {
    std::string labels;
    for (const char* label : kHeaderChipLabels)
        labels += (labels.empty() ? "" : ", ") + std::string(label);
    fatal("no GPIO chip of a Raspberry Pi found (" + labels +
          "): this program runs on a Raspberry Pi 2 or later");
}

[[noreturn]] void lineRefused(int gpio, gpiod_line* handle, int error) {
    if (error == EACCES || error == EPERM) permissionDenied();
    if (error == EBUSY) {
        gpiod_line_update(handle);
        const char* consumer = gpiod_line_consumer(handle);
        fatal("GPIO " + std::to_string(gpio) + " is in use by another program" +
              (consumer && *consumer ? std::string(" (\"") + consumer + "\")" : std::string()) +
              ": stop it, then start the terminal again");
    }
    fatal("cannot use GPIO " + std::to_string(gpio) + ": " + std::strerror(error));
}

}  // namespace

void GpioLines::open() {
    std::lock_guard<std::mutex> guard(mutex_);
    chipLocked();
}

std::string GpioLines::chipLabel() {
    std::lock_guard<std::mutex> guard(mutex_);
    chipLocked();
    return label_;
}

gpiod_chip* GpioLines::chipLocked() {
    if (chip_) return chip_;
    int refusal = 0;
    for (const char* label : kHeaderChipLabels) {
        errno = 0;
        chip_ = gpiod_chip_open_by_label(label);
        if (chip_) {
            label_ = label;
            return chip_;
        }
        if (errno != ENOENT && errno != 0) refusal = errno;
    }
    if (refusal == EACCES || refusal == EPERM) permissionDenied();
    if (refusal) fatal(std::string("cannot open the GPIO chips: ") + std::strerror(refusal));
    noHeaderChip();
}

GpioLines::Line& GpioLines::lineLocked(int gpio) {
    Line& line = lines_[gpio];
    if (!line.handle) {
        line.handle = gpiod_chip_get_line(chipLocked(), static_cast<unsigned int>(gpio));
        if (!line.handle) fatal("the GPIO chip " + label_ + " has no line " + std::to_string(gpio));
    }
    return line;
}

void GpioLines::request(int gpio, Line& line, Use use, Edge edge) {
    gpiod_line_request_config config{};
    config.consumer = kConsumer;
    config.flags = line.biasFlags;
    switch (use) {
        case Use::Output:
            config.request_type = GPIOD_LINE_REQUEST_DIRECTION_OUTPUT;
            break;
        case Use::Edges:
            config.request_type = eventTypeOf(edge);
            break;
        default:
            config.request_type = GPIOD_LINE_REQUEST_DIRECTION_INPUT;
            break;
    }
    if (gpiod_line_request(line.handle, &config, line.latch) != 0)
        lineRefused(gpio, line.handle, errno);
    line.use = use;
}

void GpioLines::reconfigure(int gpio, Line& line, Use use) {
    const int direction = use == Use::Output ? GPIOD_LINE_REQUEST_DIRECTION_OUTPUT
                                             : GPIOD_LINE_REQUEST_DIRECTION_INPUT;
    if (!releaseToReconfigure_) {
        if (gpiod_line_set_config(line.handle, direction, line.biasFlags, line.latch) == 0) {
            line.use = use;
            return;
        }
        // Unknown to the kernel's line handles before 5.5: they answer so.
        if (errno != EINVAL && errno != ENOTTY) lineRefused(gpio, line.handle, errno);
        releaseToReconfigure_ = true;
    }
    gpiod_line_release(line.handle);
    line.use = Use::None;
    request(gpio, line, use);
}

void GpioLines::setInput(int gpio) {
    if (!valid(gpio)) return;
    std::lock_guard<std::mutex> guard(mutex_);
    Line& line = lineLocked(gpio);
    if (line.use == Use::None)
        request(gpio, line, Use::Input);
    else if (line.use == Use::Output)
        reconfigure(gpio, line, Use::Input);
}

void GpioLines::setOutput(int gpio) {
    if (!valid(gpio)) return;
    std::lock_guard<std::mutex> guard(mutex_);
    Line& line = lineLocked(gpio);
    // A line that reports edges belongs to its interrupt thread: it stays an input.
    if (line.use == Use::None)
        request(gpio, line, Use::Output);
    else if (line.use == Use::Input)
        reconfigure(gpio, line, Use::Output);
}

void GpioLines::setPull(int gpio, int pud) {
    if (!valid(gpio)) return;
    std::lock_guard<std::mutex> guard(mutex_);
    Line& line = lineLocked(gpio);
    line.biasFlags = biasFlagsOf(pud);
    // A line that reports edges keeps the pull it was requested with: the
    // kernel cannot change it while its interrupt thread waits on it.
    if (line.use == Use::None)
        request(gpio, line, Use::Input);
    else if (line.use != Use::Edges)
        reconfigure(gpio, line, line.use);
}

int GpioLines::read(int gpio) {
    if (!valid(gpio)) return LOW;
    std::lock_guard<std::mutex> guard(mutex_);
    Line& line = lineLocked(gpio);
    if (line.use == Use::None) request(gpio, line, Use::Input);
    const int value = gpiod_line_get_value(line.handle);
    return value > 0 ? HIGH : LOW;
}

void GpioLines::write(int gpio, int value) {
    if (!valid(gpio)) return;
    std::lock_guard<std::mutex> guard(mutex_);
    Line& line = lineLocked(gpio);
    line.latch = value ? 1 : 0;
    if (line.use == Use::Output) gpiod_line_set_value(line.handle, line.latch);
}

bool GpioLines::watchEdges(int gpio, Edge edge) {
    if (!valid(gpio)) return false;
    std::lock_guard<std::mutex> guard(mutex_);
    Line& line = lineLocked(gpio);
    if (line.use == Use::Edges) return false;
    // The kernel turns a value request into an edge request only through a
    // new request; the pull goes with it.
    if (line.use != Use::None) {
        gpiod_line_release(line.handle);
        line.use = Use::None;
    }
    request(gpio, line, Use::Edges, edge);
    return true;
}

void GpioLines::waitEdges(int gpio) {
    gpiod_line* handle;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        handle = lines_[gpio].handle;
    }
    // Hour-long waits one after another: libgpiod does not document a null time-out.
    const timespec aWhile{3600, 0};
    for (;;) {
        const int waited = gpiod_line_event_wait(handle, &aWhile);
        if (waited == 1) break;
        if (waited < 0 && errno != EINTR)
            fatal("cannot watch GPIO " + std::to_string(gpio) + ": " + std::strerror(errno));
    }
    const timespec noWait{0, 0};
    gpiod_line_event event;
    do {
        if (gpiod_line_event_read(handle, &event) != 0) break;
    } while (gpiod_line_event_wait(handle, &noWait) == 1);
}

}  // namespace platform::gpiod
