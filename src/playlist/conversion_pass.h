#pragma once

// The conversion pass: reads the tags and the duration of every playlist row
// not yet marked "真" and hands the new columns to a sink. Passes run one
// after another on a single worker thread; a pass asked for while another
// runs waits in a queue, so no two passes ever change rows at once.
//
// Threading: startPass, stop, the queries and the destructor are called from
// the owning thread (the UI thread, or the CLI's main thread). The injected
// functions and the sink are called on the worker thread; the sink hands the
// results to the owning thread (the UI posts them to its event loop, the CLI
// applies them under a lock).

#include <array>
#include <chrono>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "playlist/track_list.h"
#include "tags/tag_info.h"

namespace youran {

// The three batches that add rows, each with its own slot so that the
// playlist commands can ask whether a pass it started is still alive.
enum class PassSlot { listLoad = 0, openFiles = 1, folderScan = 2 };

// One row a pass will visit: its 0-based index, and the path and name the
// row held when the pass was asked for.
struct ConversionJob {
  size_t index = 0;
  std::string path;
  std::string name;
};

// The rows of `list` not yet "真".
std::vector<ConversionJob> conversionJobs(const TrackList& list);

struct ConversionFunctions {
  // Reads the tags of `path` and builds its display name and the two texts
  // it joined with '-'; `fileNameName` is the name the row shows now (used
  // when the file has no artist and title).
  std::function<ConversionNames(const std::string& path, const std::string& fileNameName)>
      nameTrack;
  // Playing time in seconds from a decode-only engine stream; empty when the
  // engine cannot open the file.
  std::function<std::optional<double>(const std::string& path)> measureSeconds;
  // Whether a stream is playing now (adds the player's name to the title).
  std::function<bool()> isPlaying;
};

struct ConversionResult {
  size_t index = 0;
  std::string path;  // the path the columns were computed for
  std::string displayName;
  std::string duration;  // "mm:ss", empty when the engine could not open the file
  std::string flag;      // "真"
  std::string windowTitle;
};

struct PassSummary {
  PassSlot slot = PassSlot::listLoad;
  size_t converted = 0;
  bool stopped = false;  // ended early by stop()
};

class ConversionSink {
 public:
  virtual ~ConversionSink() = default;
  virtual void rowConverted(ConversionResult result) = 0;
  virtual void passFinished(const PassSummary& summary) = 0;
};

// Converts one job with the given functions (what the worker does per row).
ConversionResult convertRow(const ConversionFunctions& functions, const ConversionJob& job);

// Applies a result to the list: false when the row at that index no longer
// holds the path the result was computed for (the result is dropped).
bool applyConversion(TrackList& list, ConversionResult result);

class ConversionWorker {
 public:
  ConversionWorker(ConversionFunctions functions, ConversionSink& sink);
  ~ConversionWorker();  // stops (the file being read is finished) and joins
  ConversionWorker(const ConversionWorker&) = delete;
  ConversionWorker& operator=(const ConversionWorker&) = delete;

  // Queues a pass over `jobs` (usually conversionJobs(list), taken now: rows
  // appended later are not visited by this pass). Ignored after stop().
  void startPass(PassSlot slot, std::vector<ConversionJob> jobs);

  // A pass of that slot is queued or running.
  bool passRunning(PassSlot slot) const;
  // AnyConversionPassRunning: any slot's pass is queued or running.
  bool anyPassRunning() const;

  // Cooperative stop, checked between files: the running pass ends after
  // the file it is reading, queued passes are dropped, later ones refused.
  void stop();

  // Blocks until no pass is queued or running.
  void waitUntilIdle();
  // Same, at most until `timeout`; true when idle.
  bool waitUntilIdleFor(std::chrono::milliseconds timeout);

 private:
  struct Pass {
    PassSlot slot;
    std::vector<ConversionJob> jobs;
  };

  void run();
  void runPass(Pass& pass);

  ConversionFunctions functions_;
  ConversionSink& sink_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Pass> queue_;
  std::array<int, 3> alive_{};  // per slot: passes queued or running
  // (index, path) of rows converted since the worker was last idle, so that a
  // queued pass whose snapshot was taken before an earlier pass reached a row
  // does not read that row again.
  std::set<std::pair<size_t, std::string>> recent_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;  // last: started once every other member exists
};

}  // namespace youran
