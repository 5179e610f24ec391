// The device models on the board: display on the I2C pins, keypad and
// encoder on their pins, printer on the serial port.
#include "sim/board.h"
#include "sim/devices/i2c_display.h"
#include "sim/devices/keypad.h"
#include "sim/devices/printer_model.h"
#include "sim/devices/trace.h"

namespace sim {

struct Board::Devices {
    explicit Devices(Board& board)
        : display(board.pins(), board.clock(), board.trace(), board.config().lcdAddr),
          keypad(board.pins(), board.clock(), board.trace()),
          printer(board.clock(), board.trace()) {}

    I2cDisplay display;
    Keypad keypad;
    PrinterModel printer;
};

void Board::DevicesDeleter::operator()(Devices* devices) const {
    delete devices;
}

std::unique_ptr<Board::Devices, Board::DevicesDeleter> Board::makeDevices(Board& board) {
    return std::unique_ptr<Devices, DevicesDeleter>(new Devices(board));
}

I2cDisplay* Board::display() {
    return &devices_->display;
}

Keypad& Board::keypad() {
    return devices_->keypad;
}

PrinterModel& Board::printerModel() {
    return devices_->printer;
}

Glass Board::glass() const {
    return devices_->display.glass();
}

std::vector<PaperLine> Board::takePaper() {
    return devices_->printer.takeLines();
}

void Board::pressKey(const std::string& key, bool down) {
    if (down)
        devices_->keypad.press(key);
    else
        devices_->keypad.release(key);
}

void Board::encoderEdge(bool forward, int edge) {
    devices_->keypad.applyEdge(forward, edge);
}

void Board::serviceDevices() {
    Micros due = devices_->display.nextDeadline();
    if (due != 0 && due <= clock_.now()) devices_->display.service();
}

void Board::putSerial(int fd, unsigned char byte) {
    if (fd == kPrinterFd && serialOpen_) devices_->printer.put(byte);
}

}  // namespace sim
