// The conversion pass over every audio file of a folder, side by side with
// TagLib's FileRef reading tags and audio properties (average accuracy).
//
//   playlist_conversion_bench DIR [ROUNDS]
//
// Each round runs both over the same files (ours first, then TagLib); the
// best round of each is reported, so both see a warm page cache.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "playback/audio_engine.h"
#include "playlist/conversion_defaults.h"
#include "playlist/headless_conversion.h"

#ifdef YOURAN_BENCH_WITH_TAGLIB
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: playlist_conversion_bench DIR [ROUNDS]\n", stderr);
    return 2;
  }
  std::filesystem::path dir = argv[1];
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().extension() == ".mp3")
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "no .mp3 files in %s\n", argv[1]);
    return 1;
  }
  auto listFile = std::filesystem::temp_directory_path() / ("conversion-bench-" + std::to_string(::getpid()) + ".dll");

  youran::AudioEngine engine;
  double best = 1e30;
  double bestPeer = 1e30;
  std::vector<std::string> ours;
  std::vector<int> peerSeconds;
  for (int round = 0; round < rounds; ++round) {
    youran::TrackList list;
    for (const auto& f : files) list.addTrack(f);
    auto began = Clock::now();
    auto report =
        youran::convertListHeadless(list, listFile, youran::defaultConversionFunctions({}, &engine));
    best = std::min(best, seconds(Clock::now() - began));
    if (report.converted != files.size()) std::fprintf(stderr, "only %zu converted\n", report.converted);
    ours.clear();
    for (const auto& row : list.rows()) ours.push_back(row.duration);

#ifdef YOURAN_BENCH_WITH_TAGLIB
    began = Clock::now();
    peerSeconds.clear();
    size_t named = 0;
    for (const auto& f : files) {
      TagLib::FileRef ref(f.c_str(), true, TagLib::AudioProperties::Average);
      if (!ref.isNull() && ref.tag())
        named += !ref.tag()->artist().isEmpty() || !ref.tag()->title().isEmpty();
      peerSeconds.push_back(ref.audioProperties() ? ref.audioProperties()->lengthInSeconds() : -1);
    }
    bestPeer = std::min(bestPeer, seconds(Clock::now() - began));
    if (named != files.size()) std::fprintf(stderr, "taglib found tags in %zu files\n", named);
#endif
  }
  std::filesystem::remove(listFile);

  std::printf("%s: %zu files\n", dir.filename().c_str(), files.size());
  std::printf("  conversion pass   %8.1f files/s  (%.3f s, list saved as it goes)\n",
              files.size() / best, best);
#ifdef YOURAN_BENCH_WITH_TAGLIB
  std::printf("  TagLib FileRef    %8.1f files/s  (%.3f s)\n", files.size() / bestPeer, bestPeer);
  std::printf("  ratio             %8.2f x TagLib\n", bestPeer / best);
  size_t differ = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    int mm = 0, ss = 0;
    if (std::sscanf(ours[i].c_str(), "%d:%d", &mm, &ss) != 2 || std::abs(mm * 60 + ss - peerSeconds[i]) > 1) ++differ;
  }
  std::printf("  durations differing from TagLib's by more than 1 s: %zu\n", differ);
#endif
  return 0;
}
