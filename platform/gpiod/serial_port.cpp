// wiringPi's serial calls through termios: raw 8N1 bytes, no flow control,
// and writes that wait until the port takes the byte.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <wiringSerial.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/gpiod/fatal.h"

namespace {

speed_t speedOf(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return 0;
    }
}

// The driver says "serialOpen issue" and the terminal keeps scoring without
// its printer; the technician learns why from this line.
int portUnusable(const char* device, const std::string& why, int fd = -1) {
    if (fd >= 0) ::close(fd);
    platform::gpiod::warn(std::string("cannot use the printer port ") + device + ": " + why +
                          " (the serial port must be enabled, enable_uart=1 in config.txt, and "
                          "the user in the dialout group)");
    return -1;
}

}  // namespace

extern "C" {

int serialOpen(const char* device, const int baud) {
    const speed_t speed = speedOf(baud);
    if (speed == 0) return -2;  // wiringPi's answer to a rate it does not know
    // Opened without waiting for a carrier; blocking again once set up.
    const int fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return portUnusable(device, std::strerror(errno));
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return portUnusable(device, "not a serial port", fd);
    cfmakeraw(&settings);
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 100;
    if (tcsetattr(fd, TCSANOW, &settings) != 0)
        return portUnusable(device, std::strerror(errno), fd);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void serialPutchar(const int fd, const unsigned char c) {
    while (::write(fd, &c, 1) < 0 && errno == EINTR) {
    }
}

void serialClose(const int fd) {
    ::close(fd);
}

}  // extern "C"
