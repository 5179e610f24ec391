// Reading the competition server's replies and writing request values.
// Replies are parsed by fixed positions; everything here checks lengths and
// characters first, so that no reply is read out of range and a malformed one
// is never taken for an acceptance.
#pragma once

#include <optional>
#include <string>

namespace net {

// Answer to a score sheet or a flight check (OPT=U / OPT=T).
struct ScoreReply {
    int code = -1;
    // "YYYY-MM-DD HH:MM:SS" when the reply carried a valid server time, else "".
    std::string date;
};

// nullopt when the body has no "return:", no readable code, or a result 0
// without the "&H:" and 14 digits that follow it.
std::optional<ScoreReply> parseScoreReply(const std::string& body);

// Server time of an OPT=H reply; nullopt unless it holds "return:0&H:"
// followed by exactly 14 digits forming a valid time.
std::optional<std::string> parseHelloReply(const std::string& body);

struct PilotReply {
    enum Kind { kPilot, kNoPilot, kError, kMissing, kMalformed };
    Kind kind = kMalformed;
    int pilot = 0;
    int flight = 0;  // as sent: above 50 for a double flight
    int comp = 0;
    std::string schedule;
};

PilotReply parseNextPilotReply(const std::string& body);

// "YYYY-MM-DD HH:MM:SS" from 14 digits at `pos` of `text`, or "" when they
// are not exactly 14 digits or do not form a valid time.
std::string clockTextAt(const std::string& text, size_t pos);

// True for "YYYY-MM-DD HH:MM:SS" naming a real moment (years 1970 to 9999).
bool isValidClockText(const std::string& text);

// The server address as the network tools must read it: four dotted numbers
// lose the leading zeros of each (the settings screen writes "192.168.010.020",
// which tools would read as octal); any other text comes back unchanged.
std::string serverAddress(const std::string& stored);

// True when a name from a reply can be used in file paths and commands
// without any character that a shell or a path would interpret.
bool isSafeName(const std::string& name);

}  // namespace net
