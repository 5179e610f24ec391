// Hardware PWM through the kernel's sysfs interface, at wiringPi's rates: a
// 19.2 MHz base clock divided by the clock divisor, over `range` steps. The
// channels exist only with a pwm overlay in config.txt; without them the
// first use warns once and nothing happens.
#pragma once

#include <string>

namespace platform::gpiod {

class SysfsPwm {
  public:
    static constexpr int kChannels = 4;

    explicit SysfsPwm(std::string chipDir);  // e.g. "/sys/class/pwm/pwmchip0"

    void setClock(int divisor);
    void setRange(unsigned int range);
    // Exports and enables the channel that drives `gpio` (named in the warning).
    void start(int channel, int gpio);
    // Duty cycle value / range, value clamped to 0 .. range.
    void write(int channel, int value);

    unsigned long long periodNanos() const;

  private:
    enum class State { Unknown, Ready, Missing };

    bool ready(int channel);
    bool exportChannel(int channel);
    void applyPeriod(int channel);
    void warnOnce(const std::string& why);
    std::string channelFile(int channel, const char* name) const;

    std::string chipDir_;
    int divisor_ = 32;  // wiringPi's defaults
    unsigned int range_ = 1024;
    int gpio_[kChannels] = {-1, -1, -1, -1};
    int value_[kChannels] = {};
    State state_[kChannels] = {};
    bool warned_ = false;
};

// The PWM channel of a header GPIO on the controller with this label; -1
// where the GPIO has none.
int pwmChannelOf(const std::string& chipLabel, int gpio);

}  // namespace platform::gpiod
