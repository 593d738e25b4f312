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

// An answer that is not JSON is a failure, unless an earlier failure already
// emptied it.
void noteUnreadable(std::string_view answer, ServiceFailure* failure) {
  if (failure && failure->empty()) *failure = answer.empty() ? "the service sent an empty answer" : "the answer is not JSON";
}

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

std::vector<PrimaryRow> parsePrimarySearch(std::string_view answer, ServiceFailure* failure) {
  std::vector<PrimaryRow> rows;
  JsonDocument doc;
  if (!doc.parse(answer)) {
    noteUnreadable(answer, failure);
    return rows;
  }
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

std::string firstSongId(std::string_view answer, ServiceFailure* failure) {
  JsonDocument doc;
  if (!doc.parse(answer)) {
    noteUnreadable(answer, failure);
    return {};
  }
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

std::string PrimaryService::get(const std::string& target, int method, ServiceFailure* failure) const {
  if (!hosts_.hasPrimary()) {
    if (failure && failure->empty()) *failure = kNoPrimaryHost;
    return {};
  }
  HttpRequest request;
  request.url = hosts_.primary + target;
  request.method = method;
  request.timeoutSeconds = hosts_.timeoutSeconds;
  request.caFile = hosts_.caBundle;
  request.stop = hosts_.stop;
  request.deadline = hosts_.deadline;
  std::string answer = HttpClient().request(request);
  const std::string why = exchangeFailure(request);
  if (!why.empty()) {
    logWarning("online", "primary " + target + ": " + why);
    if (failure && failure->empty()) *failure = why;
    return {};
  }
  return answer;
}

PrimaryService PrimaryService::withTrackFetchDeadline() const {
  OnlineHosts hosts = hosts_;
  if (hosts.deadline == TransferDeadline()) hosts.deadline = std::chrono::steady_clock::now() + kTrackFetchDeadline;
  return PrimaryService(std::move(hosts));
}

std::vector<PrimaryRow> PrimaryService::search(std::string_view keyword, ServiceFailure* failure) const {
  ServiceFailure why;
  const std::string answer = get(primarySearchPath(keyword), kPost, &why);
  std::vector<PrimaryRow> rows = parsePrimarySearch(answer, &why);
  if (failure) *failure = why;
  return rows;
}

std::string PrimaryService::findSongId(std::string_view displayName, ServiceFailure* failure) const {
  ServiceFailure why;
  const std::string answer = get(primarySearchPath(displayName), kPost, &why);
  std::string id = firstSongId(answer, &why);
  if (failure) *failure = why;
  return id;
}

std::string PrimaryService::fetchLyric(std::string_view displayName, ServiceFailure* failure) const {
  const PrimaryService service = withTrackFetchDeadline();
  ServiceFailure why;
  std::string lrc;
  const std::string id = service.findSongId(displayName, &why);
  if (!id.empty()) lrc = cutLyric(service.get(primaryLyricPath(id), kGet, &why));
  if (failure) *failure = why;
  return lrc;
}

std::string PrimaryService::fetchCover(std::string_view displayName, ServiceFailure* failure) const {
  const PrimaryService service = withTrackFetchDeadline();
  ServiceFailure why;
  auto done = [&](std::string bytes) {
    if (failure) *failure = why;
    return bytes;
  };
  const std::string id = service.findSongId(displayName, &why);
  if (id.empty()) return done({});
  const std::string url = cutCoverUrl(service.get(primaryDetailPath(id), kGet, &why));
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return done({});
  std::atomic<std::int64_t> total{0}, received{0};
  std::string bytes;
  DownloadOptions options;
  options.caFile = hosts_.caBundle;
  options.stop = hosts_.stop;
  options.deadline = service.hosts_.deadline;
  const int code = downloadFile(url, {}, total, received, false, 0, false, {}, &bytes, options);
  if (code != kDownloadOk) {
    why = "the cover picture could not be fetched (" + std::to_string(code) + ")";
    return done({});
  }
  return done(std::move(bytes));
}

std::string PrimaryService::playUrl(std::string_view id, ServiceFailure* failure) const {
  if (id.empty()) return {};
  return cutPlayUrl(get(primaryPlayUrlPath(id), kGet, failure));
}

}  // namespace youran
