#include "playlist/conversion_pass.h"

#include <cmath>

#include "base/time_text.h"
#include "playlist/list_path.h"

namespace youran {

std::vector<ConversionJob> conversionJobs(const TrackList& list) {
  std::vector<ConversionJob> jobs;
  for (size_t i = 0; i < list.size(); ++i) {
    const TrackEntry& row = list.atIndex(i);
    if (!row.converted()) jobs.push_back({i, row.path, row.name});
  }
  return jobs;
}

ConversionResult convertRow(const ConversionFunctions& functions, const ConversionJob& job) {
  const std::string file = resolveStoredPath(job.path);
  ConversionNames naming = functions.nameTrack ? functions.nameTrack(file, job.name)
                                               : ConversionNames{job.name, job.name, {}};
  double seconds = -1;
  if (functions.measureSeconds) seconds = functions.measureSeconds(file).value_or(-1);
  ConversionResult result;
  result.index = job.index;
  result.path = job.path;
  // Whole seconds, truncated like the length the position label shows; a
  // length the engine could not give (or a nonsense one) stays unknown.
  if (std::isfinite(seconds) && seconds >= 0 && seconds < 1e12)
    result.duration = formatMinutesSeconds(static_cast<long long>(seconds));
  result.flag = std::string(kConvertedFlag);
  result.windowTitle =
      ConversionWindowTitle(naming, functions.isPlaying && functions.isPlaying());
  result.displayName = std::move(naming.displayName);
  return result;
}

bool applyConversion(TrackList& list, ConversionResult result) {
  return list.setConverted(result.index, result.path, std::move(result.displayName),
                           std::move(result.duration), std::move(result.flag));
}

ConversionWorker::ConversionWorker(ConversionFunctions functions, ConversionSink& sink)
    : functions_(std::move(functions)), sink_(sink), thread_([this] { run(); }) {}

ConversionWorker::~ConversionWorker() {
  stop();
  if (thread_.joinable()) thread_.join();
}

void ConversionWorker::startPass(PassSlot slot, std::vector<ConversionJob> jobs) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back({slot, std::move(jobs)});
    ++alive_[static_cast<size_t>(slot)];
  }
  wake_.notify_one();
}

bool ConversionWorker::passRunning(PassSlot slot) const {
  std::lock_guard lock(mutex_);
  return alive_[static_cast<size_t>(slot)] > 0;
}

bool ConversionWorker::anyPassRunning() const {
  std::lock_guard lock(mutex_);
  for (int n : alive_)
    if (n > 0) return true;
  return false;
}

void ConversionWorker::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const Pass& pass : queue_) --alive_[static_cast<size_t>(pass.slot)];
    queue_.clear();
  }
  wake_.notify_all();
  idle_.notify_all();
}

void ConversionWorker::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] {
    for (int n : alive_)
      if (n > 0) return false;
    return true;
  });
}

bool ConversionWorker::waitUntilIdleFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, timeout, [this] {
    for (int n : alive_)
      if (n > 0) return false;
    return true;
  });
}

void ConversionWorker::run() {
  for (;;) {
    Pass pass;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      pass = std::move(queue_.front());
      queue_.pop_front();
    }
    runPass(pass);
    bool idle;
    {
      std::lock_guard lock(mutex_);
      --alive_[static_cast<size_t>(pass.slot)];
      idle = queue_.empty();
    }
    if (idle) recent_.clear();
    idle_.notify_all();
  }
}

void ConversionWorker::runPass(Pass& pass) {
  PassSummary summary;
  summary.slot = pass.slot;
  for (const ConversionJob& job : pass.jobs) {
    if (stopping_) {
      summary.stopped = true;
      break;
    }
    std::pair<size_t, std::string> key(job.index, job.path);
    if (recent_.count(key)) continue;
    sink_.rowConverted(convertRow(functions_, job));
    recent_.insert(std::move(key));
    ++summary.converted;
  }
  sink_.passFinished(summary);
}

}  // namespace youran
