// The 40-pin header's GPIO lines through the kernel's GPIO character device
// (libgpiod 1.6), by Broadcom number. The header's controller is found by its
// label on every Raspberry Pi from the 2 to the 5. Each line is requested on
// first use and kept: a change of direction or pull reconfigures the request
// in place, which the soft I2C bus does hundreds of times per character.
#pragma once

#include <mutex>
#include <string>

struct gpiod_chip;
struct gpiod_line;

namespace platform::gpiod {

// Labels of the controllers whose lines 0 to 27 are the header's GPIO 0 to 27:
// Raspberry Pi 2, 3 and Zero 2; Pi 4; Pi 5 (its RP1 I/O chip).
constexpr const char* kHeaderChipLabels[] = {"pinctrl-bcm2835", "pinctrl-bcm2711", "pinctrl-rp1"};

enum class Edge { Falling, Rising, Both };

class GpioLines {
  public:
    static constexpr int kLines = 64;

    // Opens the header's chip if it is not open yet. Every failure here and
    // below (no chip, no permission, a line held by another program) ends
    // the program with one line on standard error.
    void open();
    std::string chipLabel();

    void setInput(int gpio);
    void setOutput(int gpio);
    void setPull(int gpio, int pud);  // PUD_OFF, PUD_DOWN, PUD_UP
    int read(int gpio);
    void write(int gpio, int value);

    // From now on the line reports edges; it stays an input with its pull.
    // False when it already does (its first edge kind stays).
    bool watchEdges(int gpio, Edge edge);
    // Waits for the next edge of a watched line, then takes every edge
    // already queued behind it: edges that came together count once.
    void waitEdges(int gpio);

  private:
    enum class Use { None, Input, Output, Edges };
    struct Line {
        gpiod_line* handle = nullptr;
        Use use = Use::None;
        int biasFlags = 0;  // GPIOD_LINE_REQUEST_FLAG_BIAS_*; 0 leaves the pull as it is
        int latch = 0;      // output level, kept while the line is an input
    };

    gpiod_chip* chipLocked();
    Line& lineLocked(int gpio);
    void request(int gpio, Line& line, Use use, Edge edge = Edge::Both);
    void reconfigure(int gpio, Line& line, Use use);

    std::mutex mutex_;
    gpiod_chip* chip_ = nullptr;
    std::string label_;
    // Kernels before 5.5 cannot change a request: release and request again.
    bool releaseToReconfigure_ = false;
    Line lines_[kLines];
};

}  // namespace platform::gpiod
