#include "settings/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/log.h"

namespace youran {

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path InstanceLock::defaultPath() {
  if (const char* override = std::getenv("YOURAN_LOCK_FILE"); override && *override)
    return override;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::filesystem::path(runtime) / "youranmusic.lock";
  return "/tmp/youranmusic-" + std::to_string(::getuid()) + ".lock";
}

bool InstanceLock::acquire(const std::filesystem::path& path) {
  if (fd_ >= 0) return true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    logWarning("app", "cannot open lock file " + path.string());
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  // The lock file holds one zero byte, as it always has.
  if (::lseek(fd, 0, SEEK_END) == 0) {
    char zero = 0;
    if (::write(fd, &zero, 1) != 1) logWarning("app", "cannot write lock file " + path.string());
  }
  fd_ = fd;
  return true;
}

}  // namespace youran
