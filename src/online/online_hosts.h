#pragma once

// Where the two music services live. The hosts are settings (Setting.ini,
// section Online); nothing else in the player knows which host answers.

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>

#include "net/http_request.h"

namespace youran {

inline constexpr std::string_view kOnlineSection = "Online";
inline constexpr std::string_view kOnlinePrimary = "Primary";
inline constexpr std::string_view kOnlineSecondarySearch = "SecondarySearch";
inline constexpr std::string_view kOnlineSecondaryPage = "SecondaryPage";
inline constexpr std::string_view kOnlineCaBundle = "CaBundle";

struct OnlineHosts {
  std::string primary;          // "http://host:port", no trailing "/"
  std::string secondarySearch;  // "https://host:port"
  std::string secondaryPage;    // "https://host:port"
  std::string caBundle;         // extra authorities (PEM) for the HTTPS hosts; optional
  int timeoutSeconds = 15;
  // Set from any thread to give up on the requests under way.
  const std::atomic<bool>* stop = nullptr;
  // Every request made with these hosts ends by then (none: the default).
  TransferDeadline deadline{};

  bool hasPrimary() const { return !primary.empty(); }
  bool hasSecondary() const { return !secondarySearch.empty() && !secondaryPage.empty(); }
};

// The section Online of that Setting.ini; trailing "/" are dropped.
OnlineHosts readOnlineHosts(const std::filesystem::path& settingsFile);

std::string withoutTrailingSlash(std::string_view url);

// Why a service could not answer ("712 服务器未响应!", "HTTP 500 ...", "the
// answer is not JSON"); empty when it answered, also with nothing found.
using ServiceFailure = std::string;

// A track-start lyric or cover fetch, all its requests together, ends by
// this long after it began.
inline constexpr std::chrono::seconds kTrackFetchDeadline{20};

// What 状态 says when a service has no host.
inline constexpr const char* kNoPrimaryHost = "未设置网易云服务地址（Setting.ini 的 Online/Primary）";
inline constexpr const char* kNoSecondaryHost =
    "未设置QQ音乐服务地址（Setting.ini 的 Online/SecondarySearch 与 SecondaryPage）";

}  // namespace youran
