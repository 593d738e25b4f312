#include "base/time_text.h"

#include <cstdio>

namespace youran {

std::string formatMinutesSeconds(long long seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

}  // namespace youran
