#pragma once

// The primary music service ("网易云搜索"): keyword search, the song id of
// the best match for a display name, its lyric as LRC text, its cover
// picture and its play URL. Requests block the calling thread; callers run
// them on a worker.

#include <string>
#include <string_view>
#include <vector>

#include "online/online_hosts.h"

namespace youran {

// One row of 超级列表框1: "序号", "歌名", "歌手", "id".
struct PrimaryRow {
  std::string number;
  std::string title;
  std::string artist;
  std::string id;
};

// Answer parsing, kept apart from the requests so it can be fuzzed.
// Rows of a search answer (result.songs), numbered from 1.
std::vector<PrimaryRow> parsePrimarySearch(std::string_view answer);
// The id of the first song of a search answer, or empty text.
std::string firstSongId(std::string_view answer);
// The LRC text of a lyric answer: every "[...\n" line left after the
// klyric cut, each ending in CR LF, the backslash-n pairs removed.
std::string cutLyric(std::string_view answer);
// The cover URL of a song-detail answer.
std::string cutCoverUrl(std::string_view detail);
// The play URL of a play-URL answer.
std::string cutPlayUrl(std::string_view answer);

// The request targets (path and query).
std::string primarySearchPath(std::string_view keyword);
std::string primaryLyricPath(std::string_view id);
std::string primaryDetailPath(std::string_view id);
std::string primaryPlayUrlPath(std::string_view id);

class PrimaryService {
 public:
  explicit PrimaryService(OnlineHosts hosts) : hosts_(std::move(hosts)) {}

  std::vector<PrimaryRow> search(std::string_view keyword) const;
  std::string findSongId(std::string_view displayName) const;
  std::string fetchLyric(std::string_view displayName) const;
  // The picture bytes, or empty.
  std::string fetchCover(std::string_view displayName) const;
  // The play URL, or empty when the service gave none.
  std::string playUrl(std::string_view id) const;

 private:
  std::string get(const std::string& target, int method) const;
  OnlineHosts hosts_;
};

}  // namespace youran
