// Reads the sound commands the program runs, so that the panel can play
// them in the browser: which file aplay gets, and the level amixer sets.
#pragma once

#include <optional>
#include <string>

namespace sim::panel {

// The file an aplay command plays, as the terminal names it; empty when the
// command is no aplay call or names no file.
std::optional<std::string> aplayFile(const std::string& command);

// The percentage of "amixer cset numid=1 N%", the terminal's output level.
std::optional<int> mixerLevel(const std::string& command);

// A WAV file inside the sandbox, as a host path; empty when `terminalPath`
// is no .wav file or would leave the sandbox.
std::string sandboxSoundPath(const std::string& root, const std::string& terminalPath);

}  // namespace sim::panel
