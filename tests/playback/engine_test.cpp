// The engine's stream operations: handles, states, positions in real time,
// sample-accurate seeks, volume, level and spectrum.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <thread>

#include "playback/dsp/volume_ramp.h"
#include "playback/output/wav_file_output.h"
#include "playback_test_util.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

using namespace std::chrono_literals;

TEST(PlaybackEngine, InitChoosesTheOutput) {
  AudioEngine engine;
  EXPECT_FALSE(engine.initialised());
  EXPECT_FALSE(engine.init(99));  // no such sound device
  EXPECT_FALSE(engine.initialised());
  // The tests run with YOURAN_AUDIO_DEVICE=none: the default device is then
  // the no-sound output.
  EXPECT_TRUE(engine.init());
  EXPECT_TRUE(engine.initialised());
  engine.free();
  EXPECT_FALSE(engine.initialised());
  EXPECT_TRUE(engine.init(AudioEngine::kNoSoundDevice, 48000));
  engine.free();
}

TEST(PlaybackEngine, OperationsOnNoStreamDoNothing) {
  AudioEngine engine;
  ASSERT_TRUE(engine.init(0));
  std::array<float, 256> fft{};
  for (uint32_t s : {0u, 12345u}) {
    EXPECT_FALSE(engine.setEqBand(s, 1, EqParameters{1000, 12, 6}));
    EXPECT_FALSE(engine.setReverb(s, ReverbParameters{}));
    EXPECT_FALSE(engine.setEcho(s, EchoParameters{}));
    EXPECT_FALSE(engine.addEqualizer(s));
    EXPECT_EQ(engine.addReverb(s, true), 0u);
    EXPECT_EQ(engine.addEcho(s, true), 0u);
    engine.removeEqualizer(s);
    engine.removeReverb(s);
    engine.removeEcho(s);
    EXPECT_EQ(engine.getFftData(s, fft), -1);
    EXPECT_EQ(engine.getLevel(s), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(engine.isActive(s), AudioEngine::kStopped);
    EXPECT_EQ(engine.getLength(s), -1);
    EXPECT_FALSE(engine.play(s));
    engine.setVolume(s, 50);
    engine.setPosition(s, 1000);
    engine.pause(s);
    engine.stop(s);
    engine.freeStream(s);
  }
}

TEST(PlaybackEngine, PositionAdvancesInRealTimeAndHoldsWhilePaused) {
  TempFolder folder;
  auto file = folder / "tone.flac";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 5.0), 44100, 2));
  AudioEngine engine;
  ASSERT_TRUE(engine.init(AudioEngine::kNoSoundDevice));
  uint32_t s = engine.createStream(file.string());
  ASSERT_NE(s, 0u);
  EXPECT_EQ(engine.isActive(s), AudioEngine::kStopped);
  auto seconds = [&] { return engine.bytesToSeconds(s, engine.getPosition(s)); };

  auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(engine.play(s));
  std::this_thread::sleep_for(600ms);
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  double at = seconds();
  EXPECT_NEAR(at, elapsed, 0.15);
  EXPECT_EQ(engine.isActive(s), AudioEngine::kPlaying);

  engine.pause(s);
  EXPECT_EQ(engine.isActive(s), AudioEngine::kPaused);
  double paused = seconds();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(seconds(), paused);
  EXPECT_EQ(engine.getLevel(s), (std::pair<int, int>{0, 0}));

  engine.play(s, false);  // resume where it was
  EXPECT_EQ(engine.isActive(s), AudioEngine::kPlaying);
  EXPECT_GE(seconds(), paused);
  std::this_thread::sleep_for(400ms);
  EXPECT_NEAR(seconds() - paused, 0.4, 0.15);

  engine.play(s, true);  // from the start again
  EXPECT_LT(seconds(), 0.1);

  engine.stop(s);  // stops and releases
  EXPECT_EQ(engine.isActive(s), AudioEngine::kStopped);
  EXPECT_EQ(engine.getLength(s), -1);
}

TEST(PlaybackEngine, ByteAndSecondConversionsUseTheStreamsOwnFormat) {
  TempFolder folder;
  auto file = folder / "mono.wav";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 1.0), 22050, 1));
  AudioEngine engine;
  uint32_t s = engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(s, 0u);
  EXPECT_EQ(engine.getLength(s), 22050 * 2);
  EXPECT_DOUBLE_EQ(engine.bytesToSeconds(s, 22050), 0.5);
  EXPECT_EQ(engine.secondsToBytes(s, 0.5), 22050);
  EXPECT_EQ(engine.secondsToBytes(s, 0.25), 11024);  // whole frames of 2 bytes
  engine.setPosition(s, 4001);                      // inside a frame: rounds down
  EXPECT_EQ(engine.getPosition(s), 4000);
  EXPECT_FALSE(engine.play(s));  // decode-only streams never play
}

// A seek lands on the sample: the first frame heard after setPosition(n) is
// frame n of the file.
struct SeekCase {
  const char* extension;
  int64_t frame;
};
class PlaybackSeekAccuracy : public ::testing::TestWithParam<SeekCase> {};

TEST_P(PlaybackSeekAccuracy, FirstFrameHeardIsTheTarget) {
  const auto& c = GetParam();
  TempFolder folder;
  auto file = folder / (std::string("tone.") + c.extension);
  // 1 kHz at 0.5 with a slow 3 Hz sine added, so no two places look alike
  // over a few samples.
  ASSERT_TRUE(encodeAudio(file, "aevalsrc=0.5*sin(2*PI*1000*t)+0.3*sin(2*PI*3*t):d=2:s=44100", 44100, 2));
  AudioEngine engine;
  auto r = renderThroughWav(engine, file, folder / "out.wav", 256, {}, c.frame * 4);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.wav.frames(), 256);
  auto left = r.wav.channel(0);
  for (int i = 0; i < 256; ++i) {
    double t = double(c.frame + i) / 44100.0;
    double expected = 0.5 * std::sin(2 * M_PI * 1000 * t) + 0.3 * std::sin(2 * M_PI * 3 * t);
    ASSERT_NEAR(left[i], expected, 2.0 / 32768) << "frame " << c.frame + i;
  }
}

INSTANTIATE_TEST_SUITE_P(Seek, PlaybackSeekAccuracy,
                         ::testing::Values(SeekCase{"wav", 12345}, SeekCase{"flac", 12345}, SeekCase{"flac", 61001},
                                           SeekCase{"flac", 1}, SeekCase{"aiff", 44099}, SeekCase{"tta", 33333}),
                         [](const auto& info) {
                           return std::string(info.param.extension) + "_" + std::to_string(info.param.frame);
                         });

TEST(PlaybackEngine, SeekPositionIsExactAndLossySeeksLandNearby) {
  TempFolder folder;
  for (const char* ext : {"mp3", "ogg", "m4a"}) {
    auto file = folder / (std::string("tone.") + ext);
    ASSERT_TRUE(encodeAudio(file, sineSource(440, 3.0), 44100, 2));
    AudioEngine engine;
    ASSERT_TRUE(engine.init(0));
    uint32_t s = engine.createStream(file.string());
    ASSERT_NE(s, 0u);
    engine.setPosition(s, 50000 * 4);
    EXPECT_EQ(engine.getPosition(s), 50000 * 4) << ext;
    engine.play(s, false);
    std::this_thread::sleep_for(100ms);
    EXPECT_GT(engine.getPosition(s), 50000 * 4) << ext;
    engine.free();
  }
}

// Level: peak of the last 20 ms after volume, (right, left) 0..32768.
// Spectrum: a Hann-windowed 512-point FFT of the mono mix.
struct LevelCase {
  double frequency;
  double amplitude;
  int volume;
  int expectedLevel;
  int expectedBin;
  double expectedMagnitude;  // < 0: not checked
};
class PlaybackLevelAndSpectrum : public ::testing::TestWithParam<LevelCase> {};

TEST_P(PlaybackLevelAndSpectrum, MatchTheTone) {
  const auto& c = GetParam();
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, toneSource(c.frequency, 3.0, c.amplitude), 44100, 2, "-c:a pcm_f32le"));
  AudioEngine engine;
  ASSERT_TRUE(engine.init(0));
  uint32_t s = engine.createStream(file.string());
  ASSERT_NE(s, 0u);
  engine.setVolume(s, c.volume);
  ASSERT_TRUE(engine.play(s));
  std::this_thread::sleep_for(300ms);
  auto [right, left] = engine.getLevel(s);
  EXPECT_NEAR(left, c.expectedLevel, c.expectedLevel * 0.05 + 1);
  EXPECT_NEAR(right, c.expectedLevel, c.expectedLevel * 0.05 + 1);

  std::array<float, 256> fft{};
  ASSERT_EQ(engine.getFftData(s, fft), 256);
  int peak = static_cast<int>(std::max_element(fft.begin(), fft.end()) - fft.begin());
  if (c.expectedBin < 0) {
    EXPECT_LT(fft[peak], 1e-6f);
    return;
  }
  EXPECT_EQ(peak, c.expectedBin);
  if (c.expectedMagnitude >= 0) {
    EXPECT_NEAR(fft[peak], c.expectedMagnitude, 0.03);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tones, PlaybackLevelAndSpectrum,
    ::testing::Values(LevelCase{1000, 1.0, 50, 16384, 12, -1},           // round(1000 x 512 / 44100)
                      LevelCase{1000, 1.0, 100, 32768, 12, -1},
                      LevelCase{44100.0 * 16 / 512, 1.0, 100, 32768, 16, 0.5},  // bin centre
                      LevelCase{44100.0 * 40 / 512, 0.5, 100, 16384, 40, 0.25},
                      LevelCase{5000, 1.0, 0, 0, -1, -1}));

TEST(PlaybackEngine, SilentStreamHasAFlatSpectrum) {
  TempFolder folder;
  auto file = folder / "silence.wav";
  ASSERT_TRUE(encodeAudio(file, "anullsrc=d=2", 44100, 2));
  AudioEngine engine;
  ASSERT_TRUE(engine.init(0));
  uint32_t s = engine.createStream(file.string());
  std::array<float, 256> fft{};
  fft.fill(1.0f);
  ASSERT_EQ(engine.getFftData(s, fft), 256);  // nothing heard yet
  for (float v : fft) EXPECT_EQ(v, 0.0f);
}

TEST(PlaybackVolumeRamp, ChangesWithoutAStep) {
  VolumeRamp ramp;
  ramp.set(1.0f);
  ramp.rampTo(0.0f, 882);
  std::vector<float> ones(2 * 2000, 1.0f);
  ramp.process(ones.data(), 2000);
  float worst = 1.0f - ones[0];
  for (int i = 1; i < 2000; ++i) worst = std::max(worst, std::fabs(ones[2 * i] - ones[2 * i - 2]));
  EXPECT_LE(worst, 1.0f / 882 + 1e-6f);
  EXPECT_EQ(ones[2 * 1999], 0.0f);
  EXPECT_NEAR(ones[2 * 441], 0.5f - 1.0f / 882, 1e-5);
}

// Gapless: a stream joined to another takes over in the block in which the
// first ends, whatever its own rate and channels; freeing it cancels the
// join. Half a second of 440 Hz ends on a whole cycle, so the two tones
// back to back are one sine.
TEST(PlaybackEngine, AJoinedStreamFollowsWithoutAGap) {
  TempFolder folder;
  auto first = folder / "first.wav";
  auto second = folder / "second.flac";
  ASSERT_TRUE(encodeAudio(first, toneSource(440, 0.5, 0.5), 44100, 2));
  ASSERT_TRUE(encodeAudio(second, "aevalsrc=0.5*sin(2*PI*440*t):d=0.5:s=48000", 48000, 1));
  for (bool cancelled : {false, true}) {
    SCOPED_TRACE(cancelled ? "follower freed" : "joined");
    AudioEngine engine;
    auto out = folder / "joined.wav";
    ASSERT_TRUE(engine.initWithOutput(std::make_unique<WavFileOutput>(out.string())));
    const uint32_t a = engine.createStream(first.string());
    const uint32_t b = engine.createStream(second.string());
    const uint32_t measured = engine.createStream(second.string(), {}, {}, AudioEngine::kDecodeOnly);
    EXPECT_FALSE(engine.playAfter(a, a));
    EXPECT_FALSE(engine.playAfter(a, 0));
    EXPECT_FALSE(engine.playAfter(a, measured));
    ASSERT_TRUE(engine.playAfter(a, b));
    EXPECT_FALSE(engine.playAfter(a, engine.createStream(second.string()))) << "one follower at a time";
    EXPECT_FALSE(engine.isHeard(b));
    if (cancelled) engine.freeStream(b);
    ASSERT_TRUE(engine.play(a, false));
    ASSERT_TRUE(waitFor([&] { return engine.isActive(a) == AudioEngine::kStopped && engine.isActive(b) == AudioEngine::kStopped; }, 30));
    EXPECT_EQ(engine.isHeard(b), !cancelled);
    EXPECT_FALSE(engine.playAfter(a, engine.createStream(second.string()))) << "too late: the first has ended";
    engine.free();
    WavData wav;
    ASSERT_TRUE(readWav(out, wav));
    if (cancelled) {
      EXPECT_EQ(wav.frames(), 22050);
      continue;
    }
    EXPECT_NEAR(wav.frames(), 44100, 2);
    for (int c = 0; c < 2; ++c) {
      const auto x = wav.channel(c);
      double worst = 0;
      for (size_t i = 21050; i < 23050 && i < x.size(); ++i)
        worst = std::max(worst, std::abs(x[i] - 0.5 * std::sin(2 * M_PI * 440 * double(i) / 44100)));
      EXPECT_LT(worst, 0.01) << "channel " << c;
    }
  }
}

}  // namespace
}  // namespace youran::testing
