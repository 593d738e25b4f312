// youranmusic-cli search / lyric-fetch / cover-fetch / get: the online
// services without the window, over the hosts of Setting.ini (section
// Online) or the ones given on the command line.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/data_folder.h"
#include "cli/command.h"
#include "online/primary_service.h"
#include "online/secondary_service.h"
#include "online/song_cache.h"
#include "playlist/music_list_file.h"
#include "playlist/track_list.h"

namespace {

namespace fs = std::filesystem;
using youran::OnlineHosts;

struct OnlineArgs {
  fs::path dataDir = ".";
  OnlineHosts hosts;
  std::vector<std::string> positional;
  youran::TransferDeadline deadline{};
  int timeoutSeconds = 0;
};

// "command: reason" on one line, and the exit code of a service failure.
int failed(const char* command, const std::string& why) {
  std::string line = why;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  std::fprintf(stderr, "%s: %s\n", command, line.c_str());
  return 1;
}

// Reads --data-dir first so the overrides win over its Setting.ini.
bool parseOnlineArgs(std::span<char*> args, OnlineArgs& out, const char* command) {
  std::string primary, search, page, cacert;
  bool hasPrimary = false, hasSearch = false, hasPage = false, hasCa = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    auto value = [&]() -> const char* { return i + 1 < args.size() ? args[++i] : nullptr; };
    const char* next = nullptr;
    if (arg == "--data-dir" && (next = value())) {
      out.dataDir = next;
    } else if (arg == "--primary" && (next = value())) {
      primary = next, hasPrimary = true;
    } else if (arg == "--secondary-search" && (next = value())) {
      search = next, hasSearch = true;
    } else if (arg == "--secondary-page" && (next = value())) {
      page = next, hasPage = true;
    } else if (arg == "--cacert" && (next = value())) {
      cacert = next, hasCa = true;
    } else if (arg == "--timeout" && (next = value())) {
      // Bounds the whole command, however many requests it makes.
      const int seconds = std::max(1, std::atoi(next));
      out.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
      out.timeoutSeconds = seconds;
    } else if (!arg.starts_with("--")) {
      out.positional.emplace_back(arg);
    } else {
      std::fprintf(stderr, "%s: unexpected argument '%s'\n", command, args[i]);
      return false;
    }
  }
  out.hosts = youran::readOnlineHosts(out.dataDir / "Setting.ini");
  if (hasPrimary) out.hosts.primary = youran::withoutTrailingSlash(primary);
  if (hasSearch) out.hosts.secondarySearch = youran::withoutTrailingSlash(search);
  if (hasPage) out.hosts.secondaryPage = youran::withoutTrailingSlash(page);
  if (hasCa) out.hosts.caBundle = cacert;
  out.hosts.deadline = out.deadline;
  if (out.timeoutSeconds > 0) out.hosts.timeoutSeconds = out.timeoutSeconds;
  return true;
}

void printRow(const std::vector<std::string>& cells) {
  std::puts(nlohmann::json(cells).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

int search(std::span<char*> args) {
  OnlineArgs a;
  if (!parseOnlineArgs(args, a, "search")) return 2;
  if (a.positional.size() != 2 || (a.positional[0] != "primary" && a.positional[0] != "secondary")) {
    std::fputs("search: primary|secondary KEYWORD\n", stderr);
    return 2;
  }
  youran::ServiceFailure why;
  std::vector<std::vector<std::string>> rows;
  if (a.positional[0] == "primary") {
    if (!a.hosts.hasPrimary()) return failed("search", youran::kNoPrimaryHost);
    for (const auto& row : youran::PrimaryService(a.hosts).search(a.positional[1], &why))
      rows.push_back({row.number, row.title, row.artist, row.id});
  } else {
    if (!a.hosts.hasSecondary()) return failed("search", youran::kNoSecondaryHost);
    for (const auto& row : youran::SecondaryService(a.hosts).search(a.positional[1], &why))
      rows.push_back({row.title, row.singer, row.album, row.url});
  }
  if (!why.empty()) return failed("search", why);
  for (const auto& row : rows) printRow(row);
  return 0;
}

int lyricFetch(std::span<char*> args) {
  OnlineArgs a;
  if (!parseOnlineArgs(args, a, "lyric-fetch") || a.positional.size() != 1) {
    std::fputs("lyric-fetch: NAME\n", stderr);
    return 2;
  }
  youran::ServiceFailure why;
  const std::string lrc = youran::PrimaryService(a.hosts).fetchLyric(a.positional[0], &why);
  if (!why.empty()) return failed("lyric-fetch", why);
  std::fwrite(lrc.data(), 1, lrc.size(), stdout);
  return 0;
}

int coverFetch(std::span<char*> args) {
  OnlineArgs a;
  if (!parseOnlineArgs(args, a, "cover-fetch") || a.positional.size() != 2) {
    std::fputs("cover-fetch: NAME OUT\n", stderr);
    return 2;
  }
  youran::ServiceFailure why;
  const std::string bytes = youran::PrimaryService(a.hosts).fetchCover(a.positional[0], &why);
  if (!why.empty()) return failed("cover-fetch", why);
  if (bytes.empty()) return failed("cover-fetch", "no cover");
  std::ofstream out(a.positional[1], std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good() ? 0 : 1;
}

int get(std::span<char*> args) {
  OnlineArgs a;
  if (!parseOnlineArgs(args, a, "get") || a.positional.size() != 4 ||
      (a.positional[0] != "primary" && a.positional[0] != "secondary")) {
    std::fputs("get: primary ID TITLE ARTIST | secondary URL TITLE ARTIST\n", stderr);
    return 2;
  }
  const bool primary = a.positional[0] == "primary";
  const std::string& title = a.positional[2];
  const std::string& artist = a.positional[3];
  youran::CacheRequest request;
  request.caFile = a.hosts.caBundle;
  request.deadline = a.deadline;
  if (primary) {
    youran::ServiceFailure why;
    request.url = youran::PrimaryService(a.hosts).playUrl(a.positional[1], &why);
    if (!why.empty() && !fs::exists(youran::primaryCacheFile(a.dataDir, title, artist))) return failed("get", why);
    request.file = youran::primaryCacheFile(a.dataDir, title, artist);
  } else {
    request.url = a.positional[1];
    request.file = youran::secondaryCacheFile(a.dataDir, title, artist);
  }
  youran::CacheProgress progress;
  switch (youran::fetchIntoCache(request, progress)) {
    case youran::CacheOutcome::kNoUrl:
      std::fputs("get: the service gave no play URL\n", stderr);
      return 1;
    case youran::CacheOutcome::kFailed:
    case youran::CacheOutcome::kStopped:
      std::fprintf(stderr, "get: %s\n",
                   (primary ? title + "-" + artist + "添加失败!!" : title + artist + "添加失败，此音乐无版权!!").c_str());
      return 1;
    case youran::CacheOutcome::kCached:
    case youran::CacheOutcome::kDownloaded:
      break;
  }
  const fs::path listFile = a.dataDir / "YRmDefaultList.dll";
  youran::TrackList list;
  const auto load = youran::loadMusicList(listFile, list);
  if (load.status == youran::MusicListStatus::notAMusicList || load.status == youran::MusicListStatus::unreadable) {
    std::fputs("get: the music list file cannot be read; it is left alone\n", stderr);
    return 1;
  }
  // The row reads artist-title at once, as the player names a song it adds
  // from a search; the file name reads the other way round.
  list.addTrack(request.file.string(), {}, youran::resultDisplayName(title, artist));
  if (auto error = youran::saveMusicList(list, listFile)) {
    std::fprintf(stderr, "get: %s\n", error->c_str());
    return 1;
  }
  std::puts(request.file.string().c_str());
  return 0;
}

}  // namespace

YOURAN_CLI_COMMAND(search, "search", "primary|secondary KEYWORD [--data-dir DIR] [--primary URL] [--timeout S] ...", search);
YOURAN_CLI_COMMAND(lyric_fetch, "lyric-fetch", "NAME [--data-dir DIR] [--primary URL] [--timeout S]", lyricFetch);
YOURAN_CLI_COMMAND(cover_fetch, "cover-fetch", "NAME OUT [--data-dir DIR] [--primary URL] [--timeout S]", coverFetch);
YOURAN_CLI_COMMAND(get, "get", "primary ID TITLE ARTIST | secondary URL TITLE ARTIST [--data-dir DIR] ...", get);
