#include "playlist/headless_conversion.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>

#include "playlist/music_list_file.h"

namespace youran {

namespace {

// Hands results from the worker thread to the thread that owns the list.
class QueueSink : public ConversionSink {
 public:
  void rowConverted(ConversionResult result) override {
    std::lock_guard lock(mutex_);
    results_.push_back(std::move(result));
  }
  void passFinished(const PassSummary&) override {}

  std::deque<ConversionResult> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(results_, {});
  }

 private:
  std::mutex mutex_;
  std::deque<ConversionResult> results_;
};

}  // namespace

HeadlessConversion convertListHeadless(TrackList& list, const std::filesystem::path& file,
                                       ConversionFunctions functions,
                                       const std::atomic<bool>* interrupt,
                                       std::function<void(const ConversionResult&)> progress,
                                       SaveCoalescer::Clock::duration saveInterval) {
  using Clock = SaveCoalescer::Clock;
  HeadlessConversion report;
  SaveCoalescer coalescer(saveInterval);
  QueueSink sink;
  auto save = [&] {
    if (auto failure = saveMusicList(list, file)) report.saveError = failure;
    ++report.saves;
    coalescer.saved(Clock::now());
  };
  auto apply = [&] {
    for (auto& result : sink.take()) {
      if (progress) progress(result);
      if (applyConversion(list, std::move(result))) {
        ++report.converted;
        if (coalescer.changed(Clock::now())) save();
      }
    }
    if (coalescer.due(Clock::now())) save();
  };

  ConversionWorker worker(std::move(functions), sink);
  worker.startPass(PassSlot::listLoad, conversionJobs(list));
  for (;;) {
    auto wait = std::chrono::milliseconds(50);
    if (auto due = coalescer.dueAt())
      wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now()),
                        std::chrono::milliseconds(1), wait);
    bool idle = worker.waitUntilIdleFor(wait);
    apply();
    if (idle) break;
    if (interrupt && interrupt->load() && !report.interrupted) {
      report.interrupted = true;
      worker.stop();
    }
  }
  apply();
  if (coalescer.pending() || report.saves == 0) save();
  return report;
}

}  // namespace youran
