#include "base/log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace youran {

void logWarning(std::string_view subsystem, std::string_view message) {
  static const bool quiet = std::getenv("YOURAN_QUIET") != nullptr;
  if (quiet) return;
  static std::mutex lock;
  std::lock_guard guard(lock);
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(subsystem.size()), subsystem.data(),
               static_cast<int>(message.size()), message.data());
}

}  // namespace youran
