// Screen 4: refreshing the terminal's data from the competition server and
// the housekeeping jobs: clearing the scores, resending the queue, printing
// the catalogue and the log, renaming the host and rebooting.
#pragma once

#include <string>

int screen_sd();
void display_sd(int item);
void display_SD_param();

// A URL on the server as one shell word: left bare when the shell reads it as
// it stands, quoted otherwise; the server address without leading zeros.
std::string serverUrlWord(const std::string& server, const std::string& path);
