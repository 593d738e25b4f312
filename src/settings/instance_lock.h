#pragma once

// Single-instance guard: an exclusive advisory lock on a per-user file. The
// kernel drops the lock when the holder ends, however it ends, so a lock left
// by a crashed run never blocks the next start.

#include <filesystem>

namespace youran {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // $XDG_RUNTIME_DIR/youranmusic.lock, else /tmp/youranmusic-<uid>.lock;
  // YOURAN_LOCK_FILE overrides both (tests, several players side by side).
  static std::filesystem::path defaultPath();

  // True when this process now holds the lock. A missing file is created
  // holding one zero byte. False when another holder has it (or the file
  // cannot be opened at all).
  bool acquire(const std::filesystem::path& path = defaultPath());
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace youran
