// Buttons and encoder against the board's keypad model: short and long
// presses, event hand-over, key click, the encoder's acceleration, bounds and
// bounce guard, and the POWER button's prompt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/fn_utils.h"
#include "app/globals.h"
#include "drivers/fn_rotary.h"
#include "drivers/soft_lcd.h"
#include "tests/support/drivers_support.h"

using namespace drivers_test;

namespace {

constexpr sim::Micros kMs = 1000;

// Presses `key` `after` ms from now and releases it `heldMs` later.
void tap(const std::string& key, unsigned int after, unsigned int heldMs) {
    const sim::Micros at = now() + after * kMs;
    board().keyDown(at, key);
    board().keyUp(at + heldMs * kMs, key);
}

class KeyTest : public BoardTest {};

}  // namespace

// A press is short when released within the second, long at the second mark
// while still held; a screen takes the event once, a later press overwrites it.
TEST_F(KeyTest, PressesAreShortOrLongAtTheOneSecondMark) {
    tap("VALID", 10, 500);
    waitMillis(300);
    EXPECT_EQ(myButton_VALID.getValue(), 0u) << "no event while the key is still down";
    waitMillis(300);
    EXPECT_EQ(myButton_VALID.getResetValue(), 1u);
    EXPECT_EQ(myButton_VALID.getResetValue(), 0u);

    tap("VALID", 10, 1200);
    waitMillis(950);
    EXPECT_EQ(myButton_VALID.getValue(), 0u);
    waitMillis(100);
    EXPECT_EQ(myButton_VALID.getValue(), 2u) << "1.04 s after the press, key still down";
    waitMillis(400);
    EXPECT_EQ(myButton_VALID.getValue(), 2u) << "the release adds nothing";
    tap("VALID", 10, 100);
    waitMillis(200);
    EXPECT_EQ(myButton_VALID.getValue(), 1u);
    EXPECT_EQ(myButton_PLUS.getValue(), 0u);
}

TEST_F(KeyTest, ClickIsPlayedOnPressesOnlyAndClickWhileHeldCounts) {
    myButton_3.setClick(true);
    tap("3", 10, 50);
    waitMillis(200);
    const std::string click = "aplay -q " + board().config().root + "/home/pi/click.wav &\n";
    EXPECT_EQ(shellCommands(), click);
    EXPECT_EQ(myButton_3.getResetValue(), 1u);

    board().keyDown(now() + 10 * kMs, "4");
    waitMillis(30);
    myButton_4.setClick(true);
    EXPECT_EQ(myButton_4.getValue(), 1u) << "a key held when the click is switched on";
    board().keyUp(now() + 10 * kMs, "4");
    waitMillis(50);
    myButton_3.setClick(false);
    myButton_4.setClick(false);
    EXPECT_EQ(shellCommands(), click) << "no click for key 4: it was down before";
}

namespace {
RpEncoder* gEncoder = nullptr;
void encoderIsr() {
    if (gEncoder != nullptr) gEncoder->mngt();
}
}  // namespace

// Steps come on entering states 3 and 0 of each quadrature cycle (only 0 in
// double-click mode), ms / 2 apart for detents ms long.
TEST_F(KeyTest, EncoderCountsDetentsWithAccelerationReversalClampAndBounceGuard) {
    RpEncoder encoder("encoder", sim::Keypad::kEncoderPinA, sim::Keypad::kEncoderPinB, encoderIsr);
    gEncoder = &encoder;
    struct Turn {
        bool forward;
        int detents;
        unsigned int ms;
    };
    struct Case {
        const char* what;
        bool dblClick;
        int from;
        std::vector<Turn> turns;
        int to;
    };
    const Case cases[] = {
        {"slow: two steps a detent", false, 512, {{true, 3, 1200}, {false, 1, 1200}}, 516},
        {"30 ms apart: 2 after the first", false, 512, {{true, 2, 60}}, 512 + 1 + 3 * 2},
        {"backwards alike", false, 512, {{false, 2, 60}}, 512 - 1 - 3 * 2},
        {"5 ms apart: 8 after the first", false, 512, {{true, 2, 10}}, 512 + 1 + 3 * 8},
        {"backwards alike", false, 512, {{false, 2, 10}}, 512 - 1 - 3 * 8},
        {"a reversal steps 1", false, 512, {{true, 2, 10}, {false, 1, 10}}, 537 - 1 - 8},
        {"clamped at the top", false, 1020, {{true, 3, 10}}, 1024},
        {"clamped at the bottom", false, 3, {{false, 3, 10}}, 0},
        {"double-click: one step a detent", true, 512, {{true, 3, 1200}, {false, 2, 1200}}, 513},
        {"edges 250 us apart: bounces", false, 512, {{true, 1, 1}}, 512},
        {"then the decoder finds its way back", false, 512, {{true, 1, 1200}}, 514},
    };
    EXPECT_EQ(encoder.getValue(), 512);
    for (const Case& c : cases) {
        encoder.setDblClick(c.dblClick);
        encoder.setValue(c.from);
        for (const Turn& t : c.turns) {
            for (int i = 0; i < t.detents; ++i)
                board().detent(now() + (1 + i * t.ms) * kMs, t.forward, t.ms * kMs);
            waitMillis(t.detents * t.ms + 5);
        }
        EXPECT_EQ(encoder.getValue(), c.to) << c.what;
        waitMillis(600);  // no acceleration from one case into the next
    }
    EXPECT_EQ(encoder.getBounces(), 3);
    encoder.resetValue();
    EXPECT_EQ(encoder.getValue(), 512);
    gEncoder = nullptr;
}

// --- POWER -----------------------------------------------------------------

namespace {

class PowerTest : public BoardTest {
  protected:
    void SetUp() override {
        BoardTest::SetUp();
        ASSERT_TRUE(myLcd.setParam(kScl, kSda, 0x27, 4, 20));
        myLcd.lcdPrint("Pilot 12", 1, 1, false);
        myLcd.lcdPrint("Flight 3", 2, 0, false);
    }

    void showPrompt() {
        tap("POWER", 10, 100);
        waitMillis(600);
    }
};

}  // namespace

TEST_F(PowerTest, PromptIsDismissedByAnyOtherKeyOrAShortSecondPress) {
    for (const char* key : {"VALID", "POWER"}) {
        showPrompt();
        EXPECT_EQ(glassRow(1), "  Hold the button   ");
        EXPECT_EQ(glassRow(2), "    to Power OFF    ");
        EXPECT_FALSE(bAllowScore);
        EXPECT_EQ(myButton_POWER.getValue(), 0u);
        tap(key, 10, 150);
        waitMillis(1000);
        EXPECT_EQ(glassRow(1), "      Pilot 12      ") << key;
        EXPECT_EQ(glassRow(2), "Flight 3            ");
        EXPECT_TRUE(bAllowScore);
        EXPECT_EQ(gPowerTime, 0u);
        EXPECT_FALSE(ButtonPressed()) << "the key only dismissed the prompt";
    }
    EXPECT_EQ(shellCommands(), "");
    tap("VALID", 10, 80);
    waitMillis(200);
    EXPECT_EQ(myButton_VALID.getValue(), 1u) << "the next press is an ordinary one";
}

// The serial number reaches the host-name script as one quoted word.
TEST_F(PowerTest, HoldingTheSecondPressNamesTheHostThenShutsDown) {
    mySerialNum = "12;true";
    showPrompt();
    testing::internal::CaptureStdout();
    tap("POWER", 10, 450);
    waitMillis(1000);
    EXPECT_EQ(shellCommands(), "sudo ./hostname.sh 'KALVENTRIX-12;true'\nsudo shutdown -h now\n");
    EXPECT_EQ(glassRow(1), "  Powering OFF...   ");
    waitMillis(101000);  // the handler waits for the system to stop it
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "myCmd : sudo ./hostname.sh 'KALVENTRIX-12;true'\n");
}
