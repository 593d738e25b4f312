#include "online/secondary_service.h"

#include <atomic>
#include <thread>

#include "base/log.h"
#include "base/percent_encoding.h"
#include "net/http_client.h"
#include "net/json_document.h"
#include "net/text_helpers.h"

namespace youran {

namespace {
constexpr int kEntriesPerPass = 10;
}

std::string unwrapJsonp(std::string_view answer) {
  const std::string inner = textBetween(answer, "callback(", "})");
  if (inner.empty()) return {};
  return inner + "}";
}

std::vector<SecondaryEntry> parseSecondarySearch(std::string_view jsonpAnswer) {
  std::vector<SecondaryEntry> entries;
  JsonDocument doc;
  if (!doc.parse(unwrapJsonp(jsonpAnswer))) return entries;
  const int available = doc.typeOf("data.song.list") == JsonDocument::kArray ? doc.count("data.song.list") : 0;
  for (int i = 0; i < kEntriesPerPass && i < available; ++i) {
    const std::string item = "data.song.list[" + std::to_string(i) + "]";
    SecondaryEntry entry;
    entry.title = doc.getText(item + ".title");
    entry.singer = doc.getText(item + ".singer[0].name");
    entry.album = doc.getText(item + ".album.name");
    entry.mid = doc.getText(item + ".mid");
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string cutStreamUrl(std::string_view page) { return textBetween(page, "m4aUrl\":\"", "\","); }

std::string secondarySearchPath(std::string_view page, std::string_view encodedKeyword) {
  return "/soso/fcgi-bin/client_search_cp?ct=24&qqmusic_ver=1298&new_json=1&remoteplace=txt.yqq.center"
         "&searchid=47333670699582939&t=0&aggr=1&cr=1&catZhida=1&lossless=0&flag_qc=0&p=" +
         std::string(page) + "&n=20&w=" + std::string(encodedKeyword);
}

std::string secondaryPagePath(std::string_view mid) {
  return "/v8/playsong.html?ADTAG=newyqq.song&songmid=" + std::string(mid) + "#webchat_redirect";
}

std::string SecondaryService::streamUrl(std::string_view mid) const {
  HttpRequest request;
  request.url = hosts_.secondaryPage + secondaryPagePath(mid);
  request.extraHeaders = kMobileUserAgent;
  request.timeoutSeconds = hosts_.timeoutSeconds;
  request.caFile = hosts_.caBundle;
  request.stop = hosts_.stop;
  const std::string page = HttpClient().requestComObject(request);
  if (page.empty()) logWarning("online", "secondary page " + std::string(mid) + ": " + request.statusText);
  return cutStreamUrl(page);
}

std::vector<SecondaryEntry> SecondaryService::searchEntries(std::string_view keyword, std::string_view page) const {
  if (!hosts_.hasSecondary()) return {};
  HttpRequest request;
  request.url = hosts_.secondarySearch + secondarySearchPath(page, percentEncodeAll(keyword));
  request.timeoutSeconds = hosts_.timeoutSeconds;
  request.caFile = hosts_.caBundle;
  request.stop = hosts_.stop;
  const std::string answer = HttpClient().requestWinInet(request);
  if (answer.empty()) logWarning("online", "secondary search: " + request.statusText);
  return parseSecondarySearch(answer);
}

std::vector<SecondaryRow> SecondaryService::rowsWithStreamUrls(const std::vector<SecondaryEntry>& entries) const {
  std::vector<SecondaryRow> rows(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    rows[i].title = entries[i].title;
    rows[i].singer = entries[i].singer;
    rows[i].album = entries[i].album;
  }
  // Each fetch writes only its own row.
  std::atomic<size_t> next{0};
  auto fetchPages = [&] {
    for (size_t i = next++; i < entries.size(); i = next++) {
      if (hosts_.stop && hosts_.stop->load()) return;
      rows[i].url = streamUrl(entries[i].mid);
    }
  };
  const size_t workers = std::min<size_t>(static_cast<size_t>(inFlight_), entries.size());
  if (workers <= 1) {
    fetchPages();
  } else {
    std::vector<std::thread> threads;
    for (size_t w = 0; w < workers; ++w) threads.emplace_back(fetchPages);
    for (auto& t : threads) t.join();
  }
  return rows;
}

std::vector<SecondaryRow> SecondaryService::searchPage(std::string_view keyword, std::string_view page) const {
  return rowsWithStreamUrls(searchEntries(keyword, page));
}

std::vector<SecondaryRow> SecondaryService::search(std::string_view keyword) const {
  if (!hosts_.hasSecondary()) return {};
  std::vector<SecondaryEntry> second;
  std::thread secondPass;
  if (inFlight_ > 1) secondPass = std::thread([&] { second = searchEntries(keyword, "1"); });
  std::vector<SecondaryEntry> entries = searchEntries(keyword, "0");
  if (secondPass.joinable()) {
    secondPass.join();
  } else {
    second = searchEntries(keyword, "1");
  }
  entries.insert(entries.end(), std::make_move_iterator(second.begin()), std::make_move_iterator(second.end()));
  return rowsWithStreamUrls(entries);
}

}  // namespace youran
