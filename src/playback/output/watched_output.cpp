#include "playback/output/watched_output.h"

#include <chrono>

#include "base/log.h"

namespace youran {

bool WatchedOutput::open(int rate, AudioSource& source) {
  close();
  std::lock_guard guard(lock_);
  rate_ = rate;
  source_ = &source;
  if (!openDevice()) {
    closeDevice();
    return false;
  }
  quit_ = false;
  watcher_ = std::thread([this] { watch(); });
  return true;
}

void WatchedOutput::close() {
  {
    std::lock_guard guard(lock_);
    quit_ = true;
  }
  wake_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  std::lock_guard guard(lock_);
  started_ = false;
  lost_ = false;
  closeDevice();
}

void WatchedOutput::setStatusHandler(StatusHandler handler) {
  std::lock_guard guard(handlerLock_);
  handler_ = std::move(handler);
}

void WatchedOutput::setDeviceName(const std::string& name) {
  {
    std::lock_guard guard(lock_);
    if (name == wanted_) return;
    wanted_ = name;
    switchWanted_ = true;
  }
  wake_.notify_all();
}

void WatchedOutput::report(OutputStatus status) {
  std::lock_guard guard(handlerLock_);
  if (handler_) handler_(status);
}

void WatchedOutput::watch() {
  std::unique_lock guard(lock_);
  while (!quit_) {
    wake_.wait_for(guard, std::chrono::milliseconds(kRetryMs));
    if (quit_) break;
    const bool gone = deviceGone();
    if (!gone && !switchWanted_) continue;
    if (gone && !lost_) logWarning("playback", "the sound device went away; opening it again");
    switchWanted_ = false;
    closeDevice();
    if (openDevice()) {
      if (lost_) {
        lost_ = false;
        guard.unlock();
        report(OutputStatus::Back);
        guard.lock();
      }
      continue;
    }
    closeDevice();
    if (!lost_) {
      lost_ = true;
      guard.unlock();
      report(OutputStatus::Lost);
      guard.lock();
    }
  }
}

}  // namespace youran
