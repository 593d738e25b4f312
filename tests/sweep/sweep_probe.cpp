// sweep_probe: what the player does with a file a user adds, for each path
// listed in a file, one after another in one process:
//
//   sweep_probe PATHS_FILE FIRST OUT_FOLDER [PLUGIN...]
//
// adds the file to a playlist, converts the row (tags and length, the
// conversion pass's own per-row step), and plays its first second through
// the engine into a WAV file. Before each file it prints "begin N" and after
// it "done N MS LENGTH" (LENGTH "-" when none was found), so whoever runs it can tell which file a
// crash or a hang came from. At the end the playlist is saved and loaded back, and the rows
// compared: "list ok ROWS", or "list differs at row R".

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "playback/audio_engine.h"
#include "playback/output/wav_file_output.h"
#include "playlist/conversion_defaults.h"
#include "playlist/conversion_pass.h"
#include "playlist/list_path.h"
#include "playlist/music_list_file.h"
#include "playlist/track_list.h"

namespace {

using Clock = std::chrono::steady_clock;

void playOneSecond(youran::AudioEngine& engine, const std::string& path, const std::string& out) {
  constexpr int kRate = 44100;
  auto output = std::make_unique<youran::WavFileOutput>(out, kRate);
  youran::WavFileOutput* wav = output.get();
  if (!engine.initWithOutput(std::move(output), kRate)) return;
  if (uint32_t stream = engine.createStream(path)) {
    engine.play(stream, false);
    // The stream or the file output ends it; a hang is for the caller to see.
    while (!wav->finished() && engine.isActive(stream) != youran::AudioEngine::kStopped)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  engine.free();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: sweep_probe PATHS_FILE FIRST OUT_FOLDER [PLUGIN...]\n", stderr);
    return 2;
  }
  std::vector<std::string> paths;
  {
    std::ifstream in(argv[1]);
    // NUL-separated: a file name may hold CR or LF.
    for (std::string line; std::getline(in, line, '\0');) paths.push_back(line);
  }
  const size_t first = std::strtoul(argv[2], nullptr, 10);
  const std::string out = argv[3];
  youran::AudioEngine engine;
  for (int i = 4; i < argc; ++i) engine.loadPlugin(argv[i]);
  const auto functions = youran::defaultConversionFunctions({}, &engine);

  youran::TrackList list;
  for (size_t i = first; i < paths.size(); ++i) {
    std::printf("begin %zu\n", i);
    std::fflush(stdout);
    const auto started = Clock::now();
    list.addTrack(paths[i]);
    const size_t row = list.size() - 1;
    youran::applyConversion(
        list, youran::convertRow(functions, {row, list.atIndex(row).path, list.atIndex(row).name}));
    playOneSecond(engine, paths[i], out + "/out.wav");
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    const std::string& length = list.atIndex(row).duration;
    std::printf("done %zu %lld %s\n", i, static_cast<long long>(ms),
                length.empty() ? "-" : length.c_str());
    std::fflush(stdout);
  }

  // Whatever the tags held, the list file gives the same rows back.
  const std::string file = out + "/" + std::string(youran::kMusicListFileName);
  if (auto failure = youran::saveMusicList(list, file)) {
    std::printf("list not saved: %s\n", failure->c_str());
    return 1;
  }
  youran::TrackList loaded;
  youran::loadMusicList(file, loaded);
  for (size_t r = 0; r < std::max(list.size(), loaded.size()); ++r) {
    if (r >= list.size() || r >= loaded.size()) {
      std::printf("list differs at row %zu\n", r + 1);
      return 1;
    }
    // A GBK name comes back as its text and is found on disk by its bytes.
    youran::TrackEntry back = loaded.atIndex(r);
    back.path = youran::resolveStoredPath(back.path);
    if (!(list.atIndex(r) == back)) {
      std::printf("list differs at row %zu\n", r + 1);
      return 1;
    }
  }
  std::printf("list ok %zu\n", list.size());
  return 0;
}
