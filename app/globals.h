// The program's shared state: settings, scoring context, flags and the
// device and service objects. Defined once, for the program and its tests:
// app/globals.cpp holds the state, the store and the text table,
// app/devices.cpp the keypad, encoder, display and printer.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/wiring.h"

class RpButton;
class RpEncoder;
class RpLcd;
class Pi_Thermal;
class RpSqlite;
class Translation;
class Note;

// Runtime settings (loaded by UpdateParams)
extern std::string gLang;
extern bool gNRT;
extern std::string gIPServer;
extern bool gCLICK;
extern bool gDBLLINE;
extern bool gWIFI;
extern bool gCJ;
extern int gNbTicket;
extern std::string gSSID;
extern std::string gPW;
extern bool gLongWav;

// Scoring context
extern int gJudge;
extern int gComp;
extern int gFlight;
extern int gPilot;  // -1: none
extern std::string gSchedule;
extern int gLine;

// Start-up state
extern std::atomic<bool> startupComplete;  // written by the banner thread
extern int gAddr;
extern std::string gHostname;
extern std::string mySerialNum;
extern bool gDBLCLICK;
extern std::string gDate;
extern int rc;

// Loop and pop-up state
extern int num_screen;
// Written by the POWER button's interrupt thread
extern std::atomic<bool> bAllowScore;
extern std::atomic<unsigned int> gPowerTime;
extern int old_pos_raw;

// The current score sheet
extern std::vector<Note> aNote;

// Devices and services
// myButton_R_C ... myButton_POWER, from the board table
#define KV_DECLARE_BUTTON(id, pin, edge) extern RpButton myButton_##id;
KV_BOARD_KEYS(KV_DECLARE_BUTTON)
#undef KV_DECLARE_BUTTON
extern RpEncoder myEncoder;
// Interrupt handlers myISR_R_C ... myISR_POWER and myISR_ENCODER: each runs
// its instance's mngt().
#define KV_DECLARE_ISR(id, pin, edge) void myISR_##id();
KV_BOARD_KEYS(KV_DECLARE_ISR)
#undef KV_DECLARE_ISR
void myISR_ENCODER();
extern RpLcd myLcd;
extern Pi_Thermal printer;
extern RpSqlite db;
extern Translation myTrans;

// Every key but POWER, in the board's order (R_C first): the keys that the
// screens clear and poll as a whole, and that click. POWER, the one key
// on a falling edge, only drives the power prompt.
constexpr std::size_t kKeypadSize = wiring::kKeyCount - 1;
extern RpButton* const aKeypad[kKeypadSize];
// The key that scores `value`, 0 to 10.
RpButton& digitButton(int value);
