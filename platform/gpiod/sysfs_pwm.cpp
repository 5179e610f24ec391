#include "platform/gpiod/sysfs_pwm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace platform::gpiod {

namespace {

constexpr unsigned long long kBaseClockHz = 19200000;
// A freshly exported channel gets its files from the kernel at once, its
// group permissions from udev a moment later.
constexpr int kExportPolls = 50;
constexpr long kExportPollNanos = 2000000;

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool writeText(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

}  // namespace

int pwmChannelOf(const std::string& chipLabel, int gpio) {
    // The Pi 5's RP1 has four channels on GPIO 12, 13, 18, 19; the older
    // controllers two, each on two GPIOs.
    const bool rp1 = chipLabel == "pinctrl-rp1";
    switch (gpio) {
        case 12:
            return 0;
        case 13:
            return 1;
        case 18:
            return rp1 ? 2 : 0;
        case 19:
            return rp1 ? 3 : 1;
        default:
            return -1;
    }
}

SysfsPwm::SysfsPwm(std::string chipDir) : chipDir_(std::move(chipDir)) {}

unsigned long long SysfsPwm::periodNanos() const {
    return 1000000000ULL * static_cast<unsigned long long>(divisor_) * range_ / kBaseClockHz;
}

void SysfsPwm::setClock(int divisor) {
    divisor_ = std::max(divisor, 1);
    for (int channel = 0; channel < kChannels; ++channel)
        if (state_[channel] == State::Ready) applyPeriod(channel);
}

void SysfsPwm::setRange(unsigned int range) {
    range_ = std::max(range, 1u);
    for (int channel = 0; channel < kChannels; ++channel)
        if (state_[channel] == State::Ready) applyPeriod(channel);
}

void SysfsPwm::start(int channel, int gpio) {
    if (channel < 0 || channel >= kChannels) return;
    gpio_[channel] = gpio;
    if (ready(channel)) writeText(channelFile(channel, "enable"), "1");
}

void SysfsPwm::write(int channel, int value) {
    if (channel < 0 || channel >= kChannels) return;
    value_[channel] = std::clamp(value, 0, static_cast<int>(range_));
    if (!ready(channel)) return;
    writeText(
        channelFile(channel, "duty_cycle"),
        std::to_string(periodNanos() * static_cast<unsigned long long>(value_[channel]) / range_));
}

std::string SysfsPwm::channelFile(int channel, const char* name) const {
    return chipDir_ + "/pwm" + std::to_string(channel) + "/" + name;
}

bool SysfsPwm::ready(int channel) {
    if (state_[channel] != State::Unknown) return state_[channel] == State::Ready;
    state_[channel] = State::Missing;
    const std::string where = "PWM channel " + std::to_string(channel) + " of " + chipDir_;
    if (!exists(chipDir_)) {
        warnOnce("no " + where + " (add dtoverlay=pwm to config.txt)");
        return false;
    }
    if (!exportChannel(channel)) {
        warnOnce("cannot use " + where + " (is the user in the gpio group?)");
        return false;
    }
    state_[channel] = State::Ready;
    applyPeriod(channel);
    return true;
}

bool SysfsPwm::exportChannel(int channel) {
    const std::string period = channelFile(channel, "period");
    if (!exists(period)) writeText(chipDir_ + "/export", std::to_string(channel));
    for (int poll = 0; poll < kExportPolls; ++poll) {
        if (::access(period.c_str(), W_OK) == 0) return true;
        const timespec pause{0, kExportPollNanos};
        nanosleep(&pause, nullptr);
    }
    return false;
}

// The kernel refuses a period shorter than the duty cycle: the duty goes first.
void SysfsPwm::applyPeriod(int channel) {
    const unsigned long long period = periodNanos();
    writeText(channelFile(channel, "duty_cycle"), "0");
    writeText(channelFile(channel, "period"), std::to_string(period));
    writeText(channelFile(channel, "duty_cycle"),
              std::to_string(period * static_cast<unsigned long long>(value_[channel]) / range_));
}

void SysfsPwm::warnOnce(const std::string& why) {
    if (warned_) return;
    warned_ = true;
    std::string pins;
    for (int gpio : gpio_)
        if (gpio >= 0) pins += (pins.empty() ? "GPIO " : ", ") + std::to_string(gpio);
    std::fprintf(stderr, "kalventrix: %s: PWM%s has no effect\n", why.c_str(),
                 pins.empty() ? "" : (" on " + pins).c_str());
}

}  // namespace platform::gpiod
