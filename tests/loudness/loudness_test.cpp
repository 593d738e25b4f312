// Loudness measured by the player against FFmpeg's own EBU R128 meter, the
// store that keeps it, and the worker that fills the store.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "playback/dsp/replay_gain.h"
#include "playback/loudness/loudness_meter.h"
#include "playback/loudness/loudness_scanner.h"
#include "playback/loudness/loudness_store.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using testing::runCommand;
using testing::shellQuote;
using testing::TempFolder;

int Ffmpeg(const std::string& args) {
  return runCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + args);
}

// FFmpeg's ebur128 filter, its integrated loudness at the last frame.
// `before` is a filter the inputs pass through first (ending in ",").
double FfmpegIntegrated(const std::string& inputs, const std::string& folder, const std::string& before = "") {
  const std::string log = folder + "/r128.txt";
  EXPECT_EQ(Ffmpeg(inputs + " -filter_complex " +
                   shellQuote(before + "ebur128=metadata=1,ametadata=mode=print:key=lavfi.r128.I:file=" + log) +
                   " -f null -"),
            0);
  std::ifstream in(log);
  double last = NAN;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("lavfi.r128.I=", 0) == 0) last = std::stod(line.substr(13));
  }
  return last;
}

TEST(Loudness, AgreesWithFfmpegsMeter) {
  TempFolder folder;
  struct Case {
    const char* name;
    const char* source;  // lavfi source
    const char* options;  // filters and codec
  };
  const Case cases[] = {
      {"pink.flac", "anoisesrc=d=12:c=pink:a=0.3", "-ac 2"},
      {"quiet-sine.mp3", "sine=f=997:d=10", "-af volume=-28dB -ac 2 -c:a libmp3lame -b:a 192k"},
      {"mono-48k.opus", "anoisesrc=d=8:c=brown:a=0.5", "-ar 48000 -c:a libopus"},
      {"chirp.m4a", "aevalsrc=0.4*sin(2*PI*(50+400*t)*t):d=10", "-ac 2 -c:a aac"},
      // Mostly silence: the gating decides the result.
      {"gated.wav", "aevalsrc=if(between(t\\,4\\,6)\\,0.5*sin(2*PI*440*t)\\,0.0005*sin(2*PI*60*t)):d=10:s=44100",
       "-ac 2"},
      {"surround.flac", "anoisesrc=d=6:c=white:a=0.1", "-af pan='5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = (folder.path() / c.name).string();
    ASSERT_EQ(Ffmpeg("-f lavfi -i " + shellQuote(c.source) + " " + c.options + " " + shellQuote(path)), 0);
    const auto ours = MeasureLoudness(path);
    ASSERT_TRUE(ours);
    const double theirs = FfmpegIntegrated("-i " + shellQuote(path), folder.path().string());
    ASSERT_TRUE(std::isfinite(theirs));
    EXPECT_NEAR(ours->integratedLufs, theirs, 0.1);
    EXPECT_GT(ours->samplePeak, 0.0);
    EXPECT_LE(ours->samplePeak, 1.01);
  }
  EXPECT_FALSE(MeasureLoudness((folder.path() / "missing.flac").string()));
}

TEST(Loudness, AlbumIsItsTracksTakenTogether) {
  TempFolder folder;
  const std::string a = (folder.path() / "a.flac").string();
  const std::string b = (folder.path() / "b.flac").string();
  ASSERT_EQ(Ffmpeg("-f lavfi -i anoisesrc=d=20:c=pink:a=0.5 -ac 2 " + shellQuote(a)), 0);
  ASSERT_EQ(Ffmpeg("-f lavfi -i anoisesrc=d=25:c=pink:a=0.02 -ac 2 " + shellQuote(b)), 0);
  const AlbumMeasurement m = MeasureAlbumLoudness({a, b});
  ASSERT_EQ(m.tracks.size(), 2u);
  ASSERT_TRUE(m.tracks[0] && m.tracks[1] && m.album);
  // The loud track dominates: not the mean of the two. (FFmpeg measures the
  // tracks joined, so a few blocks across the join differ; long tracks keep
  // that small.)
  const double together = FfmpegIntegrated(
      "-i " + shellQuote(a) + " -i " + shellQuote(b), folder.path().string(), "concat=n=2:v=0:a=1,");
  EXPECT_NEAR(m.album->integratedLufs, together, 0.1);
  EXPECT_GT(m.album->integratedLufs, (m.tracks[0]->integratedLufs + m.tracks[1]->integratedLufs) / 2 + 3);
  EXPECT_DOUBLE_EQ(m.album->samplePeak, std::max(m.tracks[0]->samplePeak, m.tracks[1]->samplePeak));
}

TEST(Loudness, ScannerMeasuresOffTheCallersThreadAndAgainWhenAFileChanges) {
  TempFolder folder;
  const auto make = [&](const std::string& name, const std::string& album, double amplitude) {
    const std::string path = (folder.path() / name).string();
    EXPECT_EQ(Ffmpeg("-f lavfi -i anoisesrc=d=3:c=pink:a=" + std::to_string(amplitude) + " -ac 2 -metadata album=" +
                     shellQuote(album) + " " + shellQuote(path)),
              0);
    return path;
  };
  const std::string one = make("1.flac", "专辑", 0.4);
  const std::string two = make("2.flac", "专辑", 0.1);
  const std::string single = make("single.flac", "", 0.2);
  const std::string tagged = make("tagged.flac", "", 0.2);
  ASSERT_EQ(runCommand("/usr/bin/python3 -c \"import sys; from mutagen.flac import FLAC; f = FLAC(sys.argv[1]); "
                       "f['REPLAYGAIN_TRACK_GAIN'] = '-1.00 dB'; f.save()\" " + shellQuote(tagged)),
            0);

  std::mutex lock;
  std::vector<std::pair<std::string, std::thread::id>> measured;
  SetLoudnessMeasuringObserver([&](const std::string& path) {
    std::lock_guard guard(lock);
    measured.emplace_back(path, std::this_thread::get_id());
  });
  const auto database = folder.path() / "Loudness.db";
  auto store = std::shared_ptr<LoudnessStore>(LoudnessStore::open(database));
  ASSERT_TRUE(store);
  {
    LoudnessScanner scanner(store);
    scanner.scan({one, two, single, tagged});
    scanner.waitUntilIdle();
    EXPECT_EQ(scanner.albumsMeasured(), 2);
  }
  {
    std::lock_guard guard(lock);
    std::set<std::string> paths;
    for (const auto& [path, thread] : measured) {
      EXPECT_NE(thread, std::this_thread::get_id()) << path;
      paths.insert(path);
    }
    EXPECT_EQ(paths, (std::set<std::string>{one, two, single}));
  }
  const auto first = store->findCurrent(two);
  ASSERT_TRUE(first && first->album);
  EXPECT_GT(first->album->integratedLufs, first->track.integratedLufs + 3);
  EXPECT_FALSE(store->findCurrent(tagged));

  // Nothing changed: nothing is decoded again, and a reopened store knows it.
  store.reset();
  store = std::shared_ptr<LoudnessStore>(LoudnessStore::open(database));
  ASSERT_TRUE(store);
  measured.clear();
  {
    LoudnessScanner scanner(store);
    scanner.scan({one, two, single, tagged});
    scanner.waitUntilIdle();
    EXPECT_EQ(scanner.albumsMeasured(), 0);
  }
  EXPECT_TRUE(measured.empty());

  // The quiet track is replaced by a louder one: its album is measured again.
  make("2.flac", "专辑", 0.6);
  EXPECT_FALSE(store->findCurrent(two));
  {
    LoudnessScanner scanner(store);
    scanner.scan({one, two, single});
    scanner.waitUntilIdle();
    EXPECT_EQ(scanner.albumsMeasured(), 1);
  }
  const auto second = store->findCurrent(two);
  ASSERT_TRUE(second);
  EXPECT_GT(second->track.integratedLufs, first->track.integratedLufs + 10);
  EXPECT_TRUE(store->findCurrent(one)->album->integratedLufs > first->album->integratedLufs + 1);
  SetLoudnessMeasuringObserver(nullptr);
}

TEST(ReplayGain, GainChoiceAndClippingGuard) {
  struct Case {
    ReplayGainMode mode;
    double preamp;
    GainFacts facts;
    double wantDb;
    bool clipped;
  };
  const Case cases[] = {
      {ReplayGainMode::kOff, 6, {-5.0, 0.5, -7.0, 0.6}, 0, false},
      {ReplayGainMode::kTrack, 0, {-5.0, 0.5, -7.0, 0.6}, -5, false},
      {ReplayGainMode::kAlbum, 0, {-5.0, 0.5, -7.0, 0.6}, -7, false},
      {ReplayGainMode::kAlbum, 2, {-5.0, 0.5, std::nullopt, std::nullopt}, -3, false},  // falls back to track
      {ReplayGainMode::kTrack, 3, {std::nullopt, 0.9, std::nullopt, std::nullopt}, 0, false},  // nothing known
      // +12 dB on a peak of 0.5 would clip: held at +6.02 dB.
      {ReplayGainMode::kTrack, 0, {12.0, 0.5, std::nullopt, std::nullopt}, -20 * std::log10(0.5), true},
      {ReplayGainMode::kTrack, 10, {0.0, std::nullopt, std::nullopt, std::nullopt}, 10, false},  // no peak: no guard
  };
  for (const Case& c : cases) {
    const AppliedGain g = ComputeReplayGain(c.mode, c.preamp, c.facts);
    EXPECT_NEAR(g.db, c.wantDb, 1e-9);
    EXPECT_NEAR(g.factor, std::pow(10.0, c.wantDb / 20), 1e-9);
    EXPECT_EQ(g.clipped, c.clipped);
  }
  EXPECT_EQ(ParseReplayGainMode("Album"), ReplayGainMode::kAlbum);
  EXPECT_FALSE(ParseReplayGainMode("loud"));
}

}  // namespace
}  // namespace youran
