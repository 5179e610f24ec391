// The contest director's overview: what has arrived, what is missing, and
// when each terminal was last heard from.
#pragma once

#include <string>

#include "server/contest.h"
#include "server/store.h"

namespace server {

std::string contestPage(const Contest& contest, Store& store);
std::string htmlEscape(const std::string& text);

}  // namespace server
