#include "playlist/conversion_pass.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace youran {
namespace {

using namespace std::chrono_literals;

// Tags and lengths of imaginary files; a path may be held at the gate until
// the test opens it, to catch the worker in the middle of a file.
class FakeLibrary {
 public:
  std::map<std::string, ConversionNames> names;
  std::map<std::string, double> seconds;
  std::string gatedPath;

  ConversionFunctions functions(bool playing = false) {
    ConversionFunctions f;
    f.nameTrack = [this](const std::string& path, const std::string& fileNameName) {
      waitAtGate(path);
      auto it = names.find(path);
      return it != names.end() ? it->second : ConversionNames{fileNameName, fileNameName, ""};
    };
    f.measureSeconds = [this](const std::string& path) -> std::optional<double> {
      auto it = seconds.find(path);
      if (it == seconds.end()) return std::nullopt;
      return it->second;
    };
    f.isPlaying = [playing] { return playing; };
    return f;
  }

  void waitUntilAtGate() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return atGate_; });
  }
  void openGate() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  void waitAtGate(const std::string& path) {
    if (path != gatedPath) return;
    std::unique_lock lock(mutex_);
    atGate_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool atGate_ = false;
  bool open_ = false;
};

class CollectingSink : public ConversionSink {
 public:
  void rowConverted(ConversionResult result) override {
    std::lock_guard lock(mutex);
    events.push_back("row " + std::to_string(result.index));
    results.push_back(std::move(result));
  }
  void passFinished(const PassSummary& summary) override {
    std::lock_guard lock(mutex);
    events.push_back("end " + std::to_string(static_cast<int>(summary.slot)) + " " +
                     std::to_string(summary.converted) + (summary.stopped ? " stopped" : ""));
  }
  std::mutex mutex;
  std::vector<ConversionResult> results;
  std::vector<std::string> events;
};

TEST(ConversionPass, ConvertsOneRow) {
  FakeLibrary library;
  library.names["/m/tagged.mp3"] = {"周杰伦-晴天", "周杰伦", "晴天"};
  library.names["/m/half.mp3"] = {"未知歌手-Only Title", "未知歌手", "Only Title"};
  library.seconds["/m/tagged.mp3"] = 269.9;
  library.seconds["/m/half.mp3"] = 5.0;
  library.seconds["/m/nan.mp3"] = std::nan("");
  struct Case {
    const char* path;
    bool playing;
    const char* name;
    const char* duration;
    const char* title;
  };
  const Case cases[] = {
      {"/m/tagged.mp3", false, "周杰伦-晴天", "04:29", "正在转换列表： 周杰伦-晴天"},
      {"/m/tagged.mp3", true, "周杰伦-晴天", "04:29", "悠然音乐 6     正在转换列表： 周杰伦-晴天"},
      {"/m/half.mp3", false, "未知歌手-Only Title", "00:05", "正在转换列表： 未知歌手-Only Title"},
      // untagged and vanished: the row keeps its name, the length is unknown
      {"/m/gone.mp3", false, "gone", "", "正在转换列表： gone-"},
      {"/m/nan.mp3", false, "nan", "", "正在转换列表： nan-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ConversionJob job{7, c.path, fileNameDisplayName(c.path)};
    auto result = convertRow(library.functions(c.playing), job);
    EXPECT_EQ(result.index, 7u);
    EXPECT_EQ(result.path, c.path);
    EXPECT_EQ(result.displayName, c.name);
    EXPECT_EQ(result.duration, c.duration);
    EXPECT_EQ(result.flag, "真");
    EXPECT_EQ(result.windowTitle, c.title);
  }
}

TEST(ConversionPass, VisitsTheUnconvertedRowsOfItsSnapshot) {
  FakeLibrary library;
  library.names["/m/b.mp3"] = {"A-B", "A", "B"};
  library.seconds["/m/b.mp3"] = 61;
  TrackList list;
  list.addTrack("/m/done.mp3", "01:00", "Old-Name", "真");
  list.addTrack("/m/b.mp3");
  list.addTrack("/m/c.ogg");
  auto jobs = conversionJobs(list);
  list.addTrack("/m/appended-later.mp3");  // not in this pass

  CollectingSink sink;
  {
    ConversionWorker worker(library.functions(), sink);
    worker.startPass(PassSlot::listLoad, std::move(jobs));
    worker.waitUntilIdle();
    EXPECT_FALSE(worker.anyPassRunning());
  }
  EXPECT_EQ(sink.events, (std::vector<std::string>{"row 1", "row 2", "end 0 2"}));
  for (auto& result : sink.results) EXPECT_TRUE(applyConversion(list, std::move(result)));
  EXPECT_EQ(list.atIndex(0), (TrackEntry{"/m/done.mp3", "  1", "Old-Name", "01:00", "真"}));
  EXPECT_EQ(list.atIndex(1), (TrackEntry{"/m/b.mp3", "  2", "A-B", "01:01", "真"}));
  EXPECT_EQ(list.atIndex(2), (TrackEntry{"/m/c.ogg", "  3", "c", "", "真"}));
  EXPECT_FALSE(list.atIndex(3).converted());
  EXPECT_EQ(conversionJobs(list).size(), 1u);  // a second pass reads only the new row
}

TEST(ConversionPass, APassAskedForDuringAnotherWaitsAndSkipsWhatThatOneDid) {
  FakeLibrary library;
  library.gatedPath = "/m/1.mp3";
  TrackList list;
  for (const char* p : {"/m/1.mp3", "/m/2.mp3"}) list.addTrack(p);
  CollectingSink sink;
  ConversionWorker worker(library.functions(), sink);
  worker.startPass(PassSlot::listLoad, conversionJobs(list));
  library.waitUntilAtGate();

  list.addTrack("/m/3.mp3");  // an open-files batch while the first pass runs
  worker.startPass(PassSlot::openFiles, conversionJobs(list));
  EXPECT_TRUE(worker.passRunning(PassSlot::listLoad));
  EXPECT_TRUE(worker.passRunning(PassSlot::openFiles));
  EXPECT_FALSE(worker.passRunning(PassSlot::folderScan));
  EXPECT_TRUE(worker.anyPassRunning());

  library.openGate();
  worker.waitUntilIdle();
  EXPECT_FALSE(worker.passRunning(PassSlot::openFiles));
  std::lock_guard lock(sink.mutex);
  EXPECT_EQ(sink.events,
            (std::vector<std::string>{"row 0", "row 1", "end 0 2", "row 2", "end 1 1"}));
}

TEST(ConversionPass, StopEndsThePassAfterTheFileBeingReadAndDropsTheQueue) {
  FakeLibrary library;
  library.gatedPath = "/m/1.mp3";
  TrackList list;
  for (const char* p : {"/m/1.mp3", "/m/2.mp3", "/m/3.mp3"}) list.addTrack(p);
  CollectingSink sink;
  auto began = std::chrono::steady_clock::now();
  {
    ConversionWorker worker(library.functions(), sink);
    worker.startPass(PassSlot::listLoad, conversionJobs(list));
    worker.startPass(PassSlot::folderScan, conversionJobs(list));
    library.waitUntilAtGate();
    worker.stop();
    EXPECT_FALSE(worker.passRunning(PassSlot::folderScan));
    worker.startPass(PassSlot::openFiles, conversionJobs(list));  // refused after stop
    EXPECT_FALSE(worker.passRunning(PassSlot::openFiles));
    library.openGate();
  }  // joins
  EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"row 0", "end 0 1 stopped"}));
}

TEST(ConversionPass, AResultForARowThatChangedPathIsDropped) {
  TrackList list;
  for (const char* p : {"/m/1.mp3", "/m/2.mp3"}) list.addTrack(p);
  FakeLibrary library;
  auto result = convertRow(library.functions(), {1, "/m/2.mp3", "2"});
  list.removeAtIndex(0);  // the row moved up: index 1 is gone
  EXPECT_FALSE(applyConversion(list, result));
  list.addTrack("/m/other.mp3");  // index 1 again, another file
  EXPECT_FALSE(applyConversion(list, result));
  EXPECT_FALSE(list.atIndex(1).converted());
  result.index = 0;
  EXPECT_TRUE(applyConversion(list, result));
  EXPECT_TRUE(list.atIndex(0).converted());
}

}  // namespace
}  // namespace youran
