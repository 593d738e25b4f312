#pragma once

#include <string_view>

namespace youran {

// One line to standard error, "subsystem: message". Used where a failure is
// folded into the documented false/0/empty result, so the reason is not lost.
void logWarning(std::string_view subsystem, std::string_view message);

}  // namespace youran
