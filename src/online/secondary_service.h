#pragma once

// The secondary music service ("QQ音乐搜索"): a JSONP keyword search, and for
// every result the mobile play page that names its stream URL (m4aUrl).

#include <string>
#include <string_view>
#include <vector>

#include "online/online_hosts.h"

namespace youran {

// One row of 超级列表框2: "歌名", "歌手", "专辑" and the hidden stream URL.
struct SecondaryRow {
  std::string title;
  std::string singer;
  std::string album;
  std::string url;
};

struct SecondaryEntry {
  std::string title;
  std::string singer;
  std::string album;
  std::string mid;
};

// The JSON object inside "callback(" ... "})", with the "}" put back; empty
// text when there is no "callback(".
std::string unwrapJsonp(std::string_view answer);
// Entries 0..9 of data.song.list that the answer has (an entry past the end
// of the list gives nothing).
std::vector<SecondaryEntry> parseSecondarySearch(std::string_view jsonpAnswer);
// The stream URL of a play page: between `m4aUrl":"` and `",`.
std::string cutStreamUrl(std::string_view page);

std::string secondarySearchPath(std::string_view page, std::string_view encodedKeyword);
std::string secondaryPagePath(std::string_view mid);
inline constexpr const char* kMobileUserAgent =
    "User-Agent: Mozilla/5.0 (Linux; Android 4.1.1; Nexus 7 Build/JRO03D) AppleWebKit/535.19 (KHTML, like)";

class SecondaryService {
 public:
  // pageFetchesInFlight: how many play pages are asked for at once (1 asks
  // them one after the other).
  explicit SecondaryService(OnlineHosts hosts, int pageFetchesInFlight = 4)
      : hosts_(std::move(hosts)), inFlight_(pageFetchesInFlight < 1 ? 1 : pageFetchesInFlight) {}

  // Two passes, p=0 then p=1, their rows in order. The two search requests
  // go out together; then the play pages of all rows, a few at a time.
  std::vector<SecondaryRow> search(std::string_view keyword) const;
  // One pass over one result page.
  std::vector<SecondaryRow> searchPage(std::string_view keyword, std::string_view page) const;
  std::vector<SecondaryEntry> searchEntries(std::string_view keyword, std::string_view page) const;
  std::string streamUrl(std::string_view mid) const;

 private:
  std::vector<SecondaryRow> rowsWithStreamUrls(const std::vector<SecondaryEntry>& entries) const;
  OnlineHosts hosts_;
  int inFlight_;
};

}  // namespace youran
