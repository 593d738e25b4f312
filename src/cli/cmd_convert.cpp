// youranmusic-cli convert LISTFILE: the player's conversion pass, headless.
// Reads the tags and the playing time of every row not yet marked "真" and
// saves the list (during the pass at most about twice a second, and at the
// end). Ctrl-C stops after the file being read and keeps what was done.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <span>
#include <string>

#include "cli/command.h"
#include "cli/plugins.h"
#include "playback/audio_engine.h"
#include "playlist/conversion_defaults.h"
#include "playlist/headless_conversion.h"
#include "playlist/music_list_file.h"

namespace {

std::atomic<bool> interrupted{false};

void onInterrupt(int) { interrupted = true; }

int runConvert(std::span<char*> args) {
  bool quiet = false;
  const char* file = nullptr;
  int positional = 0;
  for (char* arg : args) {
    if (std::string(arg) == "--quiet") {
      quiet = true;
    } else {
      file = arg;
      ++positional;
    }
  }
  if (positional != 1) {
    std::fputs("usage: youranmusic-cli convert [--quiet] LISTFILE\n", stderr);
    return 2;
  }
  youran::TrackList list;
  auto load = youran::loadMusicList(file, list);
  if (load.status == youran::MusicListStatus::missing) {
    std::fprintf(stderr, "convert: %s: no such file\n", file);
    return 1;
  }
  if (load.status == youran::MusicListStatus::notAMusicList) {
    std::fprintf(stderr, "convert: %s: %.*s (not a music list file)\n", file,
                 static_cast<int>(youran::kMusicListLoadFailedNotice.size()),
                 youran::kMusicListLoadFailedNotice.data());
    return 1;
  }
  if (load.status == youran::MusicListStatus::unreadable) {
    std::fprintf(stderr, "convert: %s: cannot be read\n", file);
    return 1;
  }

  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
  auto progress = [quiet](const youran::ConversionResult& result) {
    if (quiet) return;
    std::fprintf(stderr, "%5zu  %s  %s\n", result.index + 1,
                 result.duration.empty() ? "--:--" : result.duration.c_str(),
                 result.displayName.c_str());
  };
  youran::cli::loadDecoderPlugins(youran::AudioEngine::instance());
  auto report = youran::convertListHeadless(list, file, youran::defaultConversionFunctions(),
                                            &interrupted, progress);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);

  if (report.saveError) {
    std::fprintf(stderr, "convert: %s: cannot save: %s\n", file, report.saveError->c_str());
    return 1;
  }
  std::printf("%zu row(s) converted%s, %zu of %zu rows converted, saved %s\n", report.converted,
              report.interrupted ? " (interrupted)" : "", list.size() - youran::conversionJobs(list).size(),
              list.size(), file);
  return report.interrupted ? 130 : 0;
}

}  // namespace

YOURAN_CLI_COMMAND(convert, "convert", "convert [--quiet] LISTFILE  read tags and lengths of the unconverted rows and save", runConvert);
