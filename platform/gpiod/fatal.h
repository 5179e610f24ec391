// Failures a technician must fix: without GPIO (no chip, no permission, a line
// held by another program) the terminal cannot work; without its printer port
// it can, and judges go on scoring.
#pragma once

#include <string>

namespace platform::gpiod {

// Writes "kalventrix: MESSAGE" as one line on standard error and ends the
// process with status 1 at once; the service starts it again. Nothing else
// runs on the way out: other threads may be halfway through the display.
[[noreturn]] void fatal(const std::string& message);

// Writes "kalventrix: MESSAGE" as one line on standard error, and goes on.
void warn(const std::string& message);

}  // namespace platform::gpiod
