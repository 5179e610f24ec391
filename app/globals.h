// The program's shared state: settings, scoring context, flags and the
// device and service objects. Defined once, in construction order, with main.
#pragma once

#include <atomic>
#include <string>
#include <vector>

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
extern RpButton myButton_R_C;
extern RpButton myButton_PLUS;
extern RpButton myButton_MINUS;
extern RpButton myButton_VALID;
extern RpButton myButton_REPEAT;
extern RpButton myButton_NO;
extern RpButton myButton_10;
extern RpButton myButton_9;
extern RpButton myButton_8;
extern RpButton myButton_7;
extern RpButton myButton_6;
extern RpButton myButton_5;
extern RpButton myButton_4;
extern RpButton myButton_3;
extern RpButton myButton_2;
extern RpButton myButton_1;
extern RpButton myButton_0;
extern RpButton myButton_POWER;
extern RpEncoder myEncoder;
extern RpLcd myLcd;
extern Pi_Thermal printer;
extern RpSqlite db;
extern Translation myTrans;
