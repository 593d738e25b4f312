#include "playback/loudness/loudness_scanner.h"

#include <map>
#include <utility>

#include "playback/loudness/loudness_meter.h"
#include "tags/replay_gain_tags.h"
#include "tags/tag_reader.h"

namespace youran {

std::vector<std::vector<std::string>> GroupByAlbum(const std::vector<std::string>& paths,
                                                   const std::vector<std::string>& albumTags) {
  std::vector<std::vector<std::string>> groups;
  std::map<std::pair<std::string, std::string>, size_t> index;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& album = i < albumTags.size() ? albumTags[i] : std::string();
    if (album.empty()) {
      groups.push_back({paths[i]});
      continue;
    }
    auto key = std::make_pair(PathPart(paths[i], 4), album);
    auto [at, added] = index.emplace(std::move(key), groups.size());
    if (added) groups.emplace_back();
    groups[at->second].push_back(paths[i]);
  }
  return groups;
}

LoudnessScanner::LoudnessScanner(std::shared_ptr<LoudnessStore> store) : store_(std::move(store)) {}

LoudnessScanner::~LoudnessScanner() { stop(); }

void LoudnessScanner::stop() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
  stop_ = false;
}

void LoudnessScanner::scan(std::vector<std::string> paths) {
  stop();
  {
    std::lock_guard guard(lock_);
    busy_ = true;
  }
  worker_ = std::thread([this, paths = std::move(paths)]() mutable { run(std::move(paths)); });
}

void LoudnessScanner::waitUntilIdle() {
  std::unique_lock lock(lock_);
  idleChanged_.wait(lock, [&] { return !busy_; });
}

void LoudnessScanner::run(std::vector<std::string> paths) {
  // Only files that still need measuring take part: tagged files carry their
  // own gains, and a file measured at its present size and time is known.
  std::vector<std::string> albums;
  std::vector<std::string> wanted;
  for (const auto& path : paths) {
    if (stop_) break;
    if (!ReadReplayGainTags(path).empty()) continue;
    TagInfo tags;
    ReadTagsForConversion(path, tags);
    wanted.push_back(path);
    albums.push_back(tags.album);
  }
  for (auto& group : GroupByAlbum(wanted, albums)) {
    if (stop_) break;
    bool known = true;
    std::vector<FileStamp> stamps;
    for (const auto& path : group) {
      auto stamp = StampOf(path);
      stamps.push_back(stamp.value_or(FileStamp{}));
      if (!stamp || !store_->find(path, *stamp)) known = false;
    }
    if (known) continue;
    // Album gain depends on every track, so one changed track measures its
    // album again.
    const AlbumMeasurement measured = MeasureAlbumLoudness(group, &stop_);
    if (stop_) break;
    for (size_t i = 0; i < group.size() && i < measured.tracks.size(); ++i) {
      if (!measured.tracks[i]) continue;
      store_->put(group[i], stamps[i], StoredLoudness{*measured.tracks[i], measured.album});
    }
    ++albumsMeasured_;
  }
  std::lock_guard guard(lock_);
  busy_ = false;
  idleChanged_.notify_all();
}

}  // namespace youran
