#include "tests/support/drivers_support.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "platform/wiring.h"

namespace drivers_test {

namespace {

struct Key {
    RpButton* button;
    void (*isr)();
};
const Key kKeys[] = {
#define KV_KEY_ENTRY(id, pin, edge) {&myButton_##id, myISR_##id},
    KV_BOARD_KEYS(KV_KEY_ENTRY)
#undef KV_KEY_ENTRY
};

// The commands that the keypad runs (click sound, host name, power-off) must
// do nothing here: no-op stand-ins come first on the shell's PATH.
void installShellStubs(const std::string& root) {
    const std::string bin = root + "/.sim/bin";
    ::mkdir((root + "/.sim").c_str(), 0755);
    ::mkdir(bin.c_str(), 0755);
    for (const char* tool : {"sudo", "aplay", "shutdown"}) {
        const std::string file = bin + "/" + tool;
        std::ofstream(file) << "#!/bin/sh\nexit 0\n";
        ::chmod(file.c_str(), 0755);
    }
}

}  // namespace

void attachKeypad() {
    for (const Key& key : kKeys) {
        key.button->set(key.button->getPin());
        key.button->ISR(key.isr);
        key.button->resetValue();
    }
    bAllowScore = true;
    gPowerTime = 0;
}

sim::Board& freshBoard(int lcdAddr) {
    mySerialNum = "1234";
    sim::BoardConfig config = sim::Board::defaultConfig();
    config.lcdAddr = lcdAddr;
    installShellStubs(config.root);
    sim::Board& fresh = sim::Board::reset(config);
    attachKeypad();
    return fresh;
}

sim::Board& board() {
    return sim::Board::instance();
}

sim::I2cDisplay& display() {
    return *board().display();
}

std::string glassRow(int row) {
    return display().rowText(row);
}

std::string shellCommands() {
    std::ostringstream out;
    for (const sim::ShellRecord& record : board().shellLog()) out << record.command << "\n";
    return out.str();
}

void BoardTest::TearDown() {
    for (const sim::Pins::Contention& c : board().pins().contentions())
        ADD_FAILURE() << "contention on pin " << c.pin << " with " << c.party;
    for (const sim::TimingViolation& v : display().violations())
        ADD_FAILURE() << "controller timing violation at " << v.at << ": " << v.what;
}

}  // namespace drivers_test
