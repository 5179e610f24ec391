// Buttons and encoder against the board's keypad model: short and long
// presses, event hand-over, key click, the encoder's acceleration, bounds and
// bounce guard, and the POWER button's prompt.
#include <gtest/gtest.h>

#include <string>

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

TEST_F(KeyTest, PressReleasedWithinTheSecondIsShort) {
    tap("VALID", 10, 500);
    waitMillis(300);
    EXPECT_EQ(myButton_VALID.getValue(), 0u) << "no event while the key is still down";
    waitMillis(300);
    EXPECT_EQ(myButton_VALID.getValue(), 1u);
    EXPECT_EQ(myButton_PLUS.getValue(), 0u);
}

TEST_F(KeyTest, PressHeldPastOneSecondIsLongAtTheSecondMark) {
    tap("R_C", 10, 1200);
    waitMillis(950);
    EXPECT_EQ(myButton_R_C.getValue(), 0u);
    waitMillis(100);  // 1.04 s after the press, key still down
    EXPECT_EQ(myButton_R_C.getResetValue(), 2u);
    waitMillis(400);  // the release adds nothing
    EXPECT_EQ(myButton_R_C.getValue(), 0u);
}

TEST_F(KeyTest, EventIsHandedOverOnceAndALaterPressOverwritesIt) {
    tap("7", 10, 1100);
    tap("7", 1300, 100);
    waitMillis(1200);
    EXPECT_EQ(myButton_7.getValue(), 2u);
    waitMillis(300);
    EXPECT_EQ(myButton_7.getValue(), 1u) << "the short press overwrote the long one";
    EXPECT_EQ(myButton_7.getResetValue(), 1u);
    EXPECT_EQ(myButton_7.getResetValue(), 0u);
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

// --- Encoder ---------------------------------------------------------------

namespace {

RpEncoder* gEncoder = nullptr;
void encoderIsr() {
    if (gEncoder != nullptr) gEncoder->mngt();
}

class EncoderTest : public BoardTest {
  protected:
    void SetUp() override {
        BoardTest::SetUp();
        encoder = new RpEncoder("encoder", sim::Keypad::kEncoderPinA, sim::Keypad::kEncoderPinB,
                                encoderIsr);
        gEncoder = encoder;
    }
    void TearDown() override {
        BoardTest::TearDown();
        gEncoder = nullptr;
        delete encoder;
    }

    // `count` detents, each `ms` long, back to back: steps ms / 2 apart.
    void turn(bool forward, int count, unsigned int ms) {
        sim::Micros at = now() + kMs;
        for (int i = 0; i < count; ++i, at += ms * kMs) board().detent(at, forward, ms * kMs);
        waitMillis(count * ms + 5);
    }

    RpEncoder* encoder = nullptr;
};

}  // namespace

TEST_F(EncoderTest, StartsCentredAndCountsTwoStepsPerSlowDetent) {
    EXPECT_EQ(encoder->getValue(), 512);
    turn(true, 3, 1200);
    EXPECT_EQ(encoder->getValue(), 518);
    turn(false, 1, 1200);
    EXPECT_EQ(encoder->getValue(), 516);
    encoder->setValue(100);
    EXPECT_EQ(encoder->getValue(), 100);
    encoder->resetValue();
    EXPECT_EQ(encoder->getValue(), 512);
}

TEST_F(EncoderTest, StepsThirtyMillisecondsApartCountTwo) {
    turn(true, 2, 60);  // first step 1, then three steps of 2
    EXPECT_EQ(encoder->getValue(), 512 + 1 + 3 * 2);
    encoder->resetValue();
    waitMillis(600);
    turn(false, 2, 60);
    EXPECT_EQ(encoder->getValue(), 512 - 1 - 3 * 2);
}

TEST_F(EncoderTest, StepsFiveMillisecondsApartCountEight) {
    turn(true, 2, 10);
    EXPECT_EQ(encoder->getValue(), 512 + 1 + 3 * 8);
    encoder->resetValue();
    waitMillis(600);
    turn(false, 2, 10);
    EXPECT_EQ(encoder->getValue(), 512 - 1 - 3 * 8);
}

TEST_F(EncoderTest, AReversalNeverAccelerates) {
    turn(true, 2, 10);
    ASSERT_EQ(encoder->getValue(), 537);
    turn(false, 1, 10);  // the first step back counts 1, the next 8
    EXPECT_EQ(encoder->getValue(), 537 - 1 - 8);
}

TEST_F(EncoderTest, CounterClampsAtBothEnds) {
    encoder->setValue(1020);
    turn(true, 3, 10);
    EXPECT_EQ(encoder->getValue(), 1024);
    encoder->setValue(3);
    turn(false, 3, 10);
    EXPECT_EQ(encoder->getValue(), 0);
}

TEST_F(EncoderTest, DoubleClickModeCountsOneStepPerDetent) {
    encoder->setDblClick(true);
    turn(true, 3, 1200);
    EXPECT_EQ(encoder->getValue(), 515);
    turn(false, 2, 1200);
    EXPECT_EQ(encoder->getValue(), 513);
}

TEST_F(EncoderTest, EdgesCloserThanHalfAMillisecondAreBounces) {
    turn(true, 1, 1);  // edges 250 us apart: only the first is taken
    EXPECT_EQ(encoder->getBounces(), 3);
    EXPECT_EQ(encoder->getValue(), 512);
    waitMillis(600);
    turn(true, 1, 1200);  // the decoder finds its way back
    EXPECT_EQ(encoder->getValue(), 514);
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

TEST_F(PowerTest, FirstPressSavesTheScreenAndShowsThePrompt) {
    showPrompt();
    EXPECT_EQ(glassRow(1), "  Hold the button   ");
    EXPECT_EQ(glassRow(2), "    to Power OFF    ");
    EXPECT_FALSE(bAllowScore);
    EXPECT_NE(gPowerTime, 0u);
    EXPECT_EQ(myButton_POWER.getValue(), 0u);
    EXPECT_EQ(shellCommands(), "");
}

TEST_F(PowerTest, AnyOtherKeyPutsTheScreenBackWithoutAnEvent) {
    showPrompt();
    tap("VALID", 10, 80);
    waitMillis(1000);
    EXPECT_EQ(glassRow(1), "      Pilot 12      ");
    EXPECT_EQ(glassRow(2), "Flight 3            ");
    EXPECT_EQ(glassRow(0), std::string(20, ' '));
    EXPECT_TRUE(bAllowScore);
    EXPECT_EQ(gPowerTime, 0u);
    EXPECT_FALSE(ButtonPressed());
    // The next press is an ordinary one again.
    tap("VALID", 10, 80);
    waitMillis(200);
    EXPECT_EQ(myButton_VALID.getValue(), 1u);
}

TEST_F(PowerTest, ShortSecondPressCancels) {
    showPrompt();
    tap("POWER", 10, 150);
    waitMillis(1000);
    EXPECT_EQ(glassRow(1), "      Pilot 12      ");
    EXPECT_TRUE(bAllowScore);
    EXPECT_EQ(gPowerTime, 0u);
    EXPECT_EQ(shellCommands(), "");
}

TEST_F(PowerTest, HoldingThreeHundredMillisecondsPowersOff) {
    showPrompt();
    testing::internal::CaptureStdout();
    tap("POWER", 10, 450);
    waitMillis(1000);
    EXPECT_EQ(shellCommands(), "sudo ./hostname.sh KALVENTRIX-1234\nsudo shutdown -h now\n");
    EXPECT_EQ(glassRow(1), "  Powering OFF...   ");
    waitMillis(101000);  // the handler waits for the system to stop it
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "myCmd : sudo ./hostname.sh KALVENTRIX-1234\n");
}

// Quoted as the downloads screen quotes it: one terminal, one host name.
TEST_F(PowerTest, SerialNumberReachesTheHostNameScriptAsOneQuotedWord) {
    const std::string serial = mySerialNum;
    mySerialNum = "12;true";
    showPrompt();
    tap("POWER", 10, 450);
    waitMillis(101000);
    mySerialNum = serial;
    EXPECT_EQ(shellCommands(), "sudo ./hostname.sh 'KALVENTRIX-12;true'\nsudo shutdown -h now\n");
}
