#pragma once

#include <string>

namespace youran {

// "mm:ss": minutes and seconds each at least two digits, minutes never wrapped
// into hours (3725 s is "62:05"). Negative input counts as 0.
std::string formatMinutesSeconds(long long seconds);

}  // namespace youran
