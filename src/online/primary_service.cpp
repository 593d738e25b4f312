#include "online/primary_service.h"

#include "base/log.h"
#include "base/percent_encoding.h"
#include "net/download.h"
#include "net/http_client.h"
#include "net/json_document.h"
#include "net/regex_matcher.h"
#include "net/text_helpers.h"

namespace youran {

namespace {

constexpr std::string_view kKlyricStart = ",\"klyric\":{\"version\":";
constexpr std::string_view kKlyricEnd = ",\"code\":200}";

}  // namespace

std::string primarySearchPath(std::string_view keyword) {
  return "/api/search/pc?s=" + percentEncode(keyword) + "&type=1";
}
std::string primaryLyricPath(std::string_view id) {
  return "/api/song/lyric?os=pc&id=" + std::string(id) + "&lv=-1&kv=-1&tv=-1";
}
std::string primaryDetailPath(std::string_view id) {
  return "/api/song/detail/?id=" + std::string(id) + "&ids=%5B" + std::string(id) + "%5D";
}
std::string primaryPlayUrlPath(std::string_view id) {
  return "/api/song/enhance/player/url?id=" + std::string(id) + "&ids=[" + std::string(id) + "]&br=3200000";
}

std::vector<PrimaryRow> parsePrimarySearch(std::string_view answer) {
  std::vector<PrimaryRow> rows;
  JsonDocument doc;
  if (!doc.parse(answer)) return rows;
  const JsonDocument songs = doc.getObject("result.songs");
  const int n = songs.typeOf({}) == JsonDocument::kArray ? songs.count({}) : 0;
  rows.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const JsonDocument song = songs.getItem(i);
    // getText unquotes and unescapes: a title holding a quote or a
    // backslash stays whole.
    PrimaryRow row;
    row.number = std::to_string(i + 1);
    row.title = song.getText("name");
    row.id = song.getText("id");
    row.artist = song.getText("artists[0].name");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string firstSongId(std::string_view answer) {
  JsonDocument doc;
  if (!doc.parse(answer)) return {};
  return doc.getText("result.songs[0].id");
}

std::string cutLyric(std::string_view answer) {
  std::string text(answer);
  const std::string t = textBetween(text, "},\"tlyric\":", kKlyricStart);
  if (t != "0") {
    const size_t start = text.find(kKlyricStart);
    if (start != std::string::npos) {
      const size_t end = text.find(kKlyricEnd, start + kKlyricStart.size());
      if (end != std::string::npos) text.erase(start, end + kKlyricEnd.size() - start);
    }
  }
  RegexMatcher matcher;
  std::string lrc;
  if (matcher.execute("\\[(.*?)\\\\n", text, false, true, true)) {
    for (int i = 1; i <= matcher.matchCount(); ++i) {
      lrc += matcher.matchText(i);
      lrc += "\r\n";
    }
  }
  std::string out;
  out.reserve(lrc.size());
  for (size_t i = 0; i < lrc.size(); ++i) {
    if (lrc[i] == '\\' && i + 1 < lrc.size() && lrc[i + 1] == 'n') {
      ++i;
      continue;
    }
    out += lrc[i];
  }
  return out;
}

std::string cutCoverUrl(std::string_view detail) { return textBetween(detail, "\"blurPicUrl\":\"", "\",\"companyId\":"); }

std::string cutPlayUrl(std::string_view answer) { return textBetween(answer, ",\"url\":\"", "\",\"br\":"); }

std::string PrimaryService::get(const std::string& target, int method) const {
  if (!hosts_.hasPrimary()) return {};
  HttpRequest request;
  request.url = hosts_.primary + target;
  request.method = method;
  request.timeoutSeconds = hosts_.timeoutSeconds;
  request.caFile = hosts_.caBundle;
  request.stop = hosts_.stop;
  std::string answer = HttpClient().request(request);
  if (answer.empty()) logWarning("online", "primary " + target + ": " + request.statusText);
  return answer;
}

std::vector<PrimaryRow> PrimaryService::search(std::string_view keyword) const {
  return parsePrimarySearch(get(primarySearchPath(keyword), kPost));
}

std::string PrimaryService::findSongId(std::string_view displayName) const {
  return firstSongId(get(primarySearchPath(displayName), kPost));
}

std::string PrimaryService::fetchLyric(std::string_view displayName) const {
  const std::string id = findSongId(displayName);
  if (id.empty()) return {};
  return cutLyric(get(primaryLyricPath(id), kGet));
}

std::string PrimaryService::fetchCover(std::string_view displayName) const {
  const std::string id = findSongId(displayName);
  if (id.empty()) return {};
  const std::string url = cutCoverUrl(get(primaryDetailPath(id), kGet));
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return {};
  std::atomic<std::int64_t> total{0}, done{0};
  std::string bytes;
  DownloadOptions options;
  options.caFile = hosts_.caBundle;
  options.stop = hosts_.stop;
  if (downloadFile(url, {}, total, done, false, 0, false, {}, &bytes, options) != kDownloadOk) return {};
  return bytes;
}

std::string PrimaryService::playUrl(std::string_view id) const {
  if (id.empty()) return {};
  return cutPlayUrl(get(primaryPlayUrlPath(id), kGet));
}

}  // namespace youran
