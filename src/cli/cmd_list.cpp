// youranmusic-cli list LISTFILE: the rows of a music list file as JSON lines.

#include <cstdio>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

#include "cli/command.h"
#include "cli/json_path.h"
#include "playlist/music_list_file.h"

namespace {

int runList(std::span<char*> args) {
  if (args.size() != 1) {
    std::fputs("usage: youranmusic-cli list LISTFILE\n", stderr);
    return 2;
  }
  youran::TrackList list;
  auto load = youran::loadMusicList(args[0], list);
  switch (load.status) {
    case youran::MusicListStatus::loaded:
      break;
    case youran::MusicListStatus::missing:
      std::fprintf(stderr, "list: %s: no such file\n", args[0]);
      return 1;
    case youran::MusicListStatus::notAMusicList:
      std::fprintf(stderr, "list: %s: %.*s (not a music list file)\n", args[0],
                   static_cast<int>(youran::kMusicListLoadFailedNotice.size()),
                   youran::kMusicListLoadFailedNotice.data());
      return 1;
    case youran::MusicListStatus::unreadable:
      std::fprintf(stderr, "list: %s: cannot be read\n", args[0]);
      return 1;
  }
  std::string out;
  for (size_t i = 0; i < list.size(); ++i) {
    const auto& row = list.atIndex(i);
    nlohmann::ordered_json line = {{"row", i + 1}};
    youran::cli::putPath(line, row.path);
    line["name"] = row.name;
    line["duration"] = row.duration;
    line["converted"] = row.converted();
    out += line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    out += '\n';
    if (out.size() > (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (load.linesSkipped > 0)
    std::fprintf(stderr, "list: %zu line(s) with fewer than five fields skipped\n", load.linesSkipped);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

YOURAN_CLI_COMMAND(list, "list", "list LISTFILE            print the rows of a music list file as JSON lines", runList);
