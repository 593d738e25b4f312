#pragma once

// Measures, on a worker thread of its own, the tracks of a list that carry
// no gains in their tags and are not in the store yet (or changed on disk
// since), album by album, and keeps the results in the store.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/loudness/loudness_store.h"

namespace youran {

// Tracks that make an album: the same folder and the same album tag. A track
// without an album tag is an album of its own. Groups keep the list order.
std::vector<std::vector<std::string>> GroupByAlbum(const std::vector<std::string>& paths,
                                                   const std::vector<std::string>& albumTags);

class LoudnessScanner {
 public:
  explicit LoudnessScanner(std::shared_ptr<LoudnessStore> store);
  // Stops the scan after the file being decoded and joins the worker.
  ~LoudnessScanner();
  LoudnessScanner(const LoudnessScanner&) = delete;
  LoudnessScanner& operator=(const LoudnessScanner&) = delete;

  // Returns at once; a scan in progress is stopped and replaced.
  void scan(std::vector<std::string> paths);
  void stop();
  // Blocks until the current scan has finished (tests and the CLI).
  void waitUntilIdle();
  // Albums measured since construction.
  int albumsMeasured() const { return albumsMeasured_.load(); }

 private:
  void run(std::vector<std::string> paths);

  std::shared_ptr<LoudnessStore> store_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<int> albumsMeasured_{0};
  std::mutex lock_;
  std::condition_variable idleChanged_;
  bool busy_ = false;
};

}  // namespace youran
