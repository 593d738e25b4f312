// The effects measured on what the WAV output writes.

#include <gtest/gtest.h>

#include <cmath>

#include "playback_test_util.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

constexpr int kRate = 44100;

// Gain of a +12 dB band: at its centre, and two octaves away.
struct EqCase {
  double toneHz;
  float centre;
  float gain;
  float bandwidth;
  double expectedDb;
  double toleranceDb;
};
class PlaybackEqualizerResponse : public ::testing::TestWithParam<EqCase> {};

TEST_P(PlaybackEqualizerResponse, MeasuresTheSetGain) {
  const auto& c = GetParam();
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, toneSource(c.toneHz, 1.0, 0.1), kRate, 2, "-c:a pcm_f32le"));
  AudioEngine engine;
  auto r = renderThroughWav(engine, file, folder / "out.wav", -1, [&](uint32_t s) {
    ASSERT_TRUE(engine.addEqualizer(s));
    ASSERT_TRUE(engine.setEqBand(s, 3, EqParameters{c.centre, c.bandwidth, c.gain}));
  });
  ASSERT_TRUE(r.ok);
  for (int ch = 0; ch < 2; ++ch) {
    auto x = r.wav.channel(ch);
    // Skip the filter's settling; measure over whole periods of the tone.
    double db = toneDb(x, 4410, 4410 + 35280, c.toneHz, kRate) - 20 * std::log10(0.1);
    EXPECT_NEAR(db, c.expectedDb, c.toleranceDb) << "channel " << ch;
  }
}

INSTANTIATE_TEST_SUITE_P(Bands, PlaybackEqualizerResponse,
                         ::testing::Values(EqCase{1000, 1000, 12, 12, 12, 0.5},     // at the centre
                                           EqCase{4000, 1000, 12, 12, 0, 1.0},      // two octaves up
                                           EqCase{250, 1000, 12, 12, 0, 1.0},       // two octaves down
                                           EqCase{1000, 1000, -12, 12, -12, 0.5},   // a cut
                                           EqCase{16000, 16000, 12, 12, 12, 0.5},   // the top band at 44.1 kHz
                                           EqCase{80, 80, 6, 21, 6, 0.5},           // the bottom band
                                           EqCase{1000, 1000, 0, 12, 0, 0.01}));   // a neutral slot

TEST(PlaybackEffects, EchoFirstRepeatComesAtTheDelay) {
  TempFolder folder;
  auto file = folder / "click.wav";
  // 5 ms burst at the start, then silence.
  ASSERT_TRUE(encodeAudio(file, "aevalsrc=if(lt(t\\,0.005)\\,0.8*sin(2*PI*2000*t)\\,0):d=1.5:s=44100", kRate, 2,
                          "-c:a pcm_f32le"));
  for (auto [left, right] : {std::pair{250.0f, 400.0f}, std::pair{37.0f, 1200.0f}}) {
    AudioEngine engine;
    auto r = renderThroughWav(engine, file, folder / "out.wav", -1, [&](uint32_t s) {
      ASSERT_NE(engine.addEcho(s, true), 0u);
      ASSERT_TRUE(engine.setEcho(s, EchoParameters{50, 30, left, right, false}));
    });
    ASSERT_TRUE(r.ok);
    for (int ch = 0; ch < 2; ++ch) {
      auto x = r.wav.channel(ch);
      float delayMs = ch == 0 ? left : right;
      size_t expected = static_cast<size_t>(std::lround(delayMs * kRate / 1000.0));
      // First sample after the dry burst that carries the repeat.
      size_t onset = 0;
      for (size_t i = 300; i < x.size(); ++i) {
        if (std::fabs(x[i]) > 0.01f) {
          onset = i;
          break;
        }
      }
      EXPECT_NEAR(double(onset), double(expected), 3.0) << "channel " << ch;
      // The repeat is the wet half of the burst.
      EXPECT_NEAR(peakAbs(x.data() + expected, 220), 0.4, 0.02);
    }
  }
}

TEST(PlaybackEffects, EchoPanDelaySwapsTheChannelsOfTheRepeats) {
  TempFolder folder;
  auto file = folder / "left-click.wav";
  ASSERT_TRUE(encodeAudio(file, "aevalsrc=if(lt(t\\,0.005)\\,0.8*sin(2*PI*2000*t)\\,0)|0:d=1:s=44100", kRate, 2,
                          "-c:a pcm_f32le"));
  AudioEngine engine;
  auto r = renderThroughWav(engine, file, folder / "out.wav", -1, [&](uint32_t s) {
    engine.addEcho(s, true);
    ASSERT_TRUE(engine.setEcho(s, EchoParameters{50, 50, 100, 100, true}));
  });
  ASSERT_TRUE(r.ok);
  auto left = r.wav.channel(0), right = r.wav.channel(1);
  size_t d = 4410;
  EXPECT_GT(peakAbs(left.data() + d, 220), 0.3);       // first repeat: same side
  EXPECT_LT(peakAbs(right.data() + d, 220), 1e-4);
  EXPECT_GT(peakAbs(right.data() + 2 * d, 220), 0.15);  // second: fed back across
  EXPECT_LT(peakAbs(left.data() + 2 * d, 220), 1e-4);
}

TEST(PlaybackEffects, ReverbTailFallsSixtyDecibelsInTheSetTime) {
  TempFolder folder;
  auto file = folder / "burst.wav";
  // 100 ms of noise, then 4.9 s of silence for the tail.
  ASSERT_TRUE(encodeAudio(file, "aevalsrc=if(lt(t\\,0.1)\\,0.5*(random(0)-0.5)\\,0):d=5:s=44100", kRate, 2,
                          "-c:a pcm_f32le"));
  for (float time : {500.0f, 1500.0f}) {
    AudioEngine engine;
    auto r = renderThroughWav(engine, file, folder / "out.wav", -1, [&](uint32_t s) {
      ASSERT_NE(engine.addReverb(s, true), 0u);
      ASSERT_TRUE(engine.setReverb(s, ReverbParameters{0, 0, time, 0.5f}));
    });
    ASSERT_TRUE(r.ok);
    double measured = rt60(r.wav.channel(0), 4410 + 100, kRate);
    EXPECT_NEAR(measured, time / 1000.0, 0.3 * time / 1000.0) << "reverb time " << time;
  }
}

TEST(PlaybackEffects, BalanceScalesEachChannelAndOutlivesFree) {
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, toneSource(1000, 0.5, 0.5), kRate, 2, "-c:a pcm_f32le"));
  AudioEngine engine;
  EXPECT_FALSE(engine.setChannelGain(2, 0.5f));
  EXPECT_FALSE(engine.setChannelGain(0, 1.5f));
  EXPECT_FALSE(engine.setChannelGain(0, -0.1f));
  ASSERT_TRUE(engine.setChannelGain(0, 0.25f));
  ASSERT_TRUE(engine.setChannelGain(1, 1.0f));
  auto r = renderThroughWav(engine, file, folder / "out.wav");
  ASSERT_TRUE(r.ok);
  auto left = r.wav.channel(0), right = r.wav.channel(1);
  EXPECT_NEAR(peakAbs(left.data(), left.size()), 0.125, 0.002);
  EXPECT_NEAR(peakAbs(right.data(), right.size()), 0.5, 0.002);
  // Kept across free/init like a device setting.
  EXPECT_FLOAT_EQ(engine.channelGain(0), 0.25f);
  ASSERT_TRUE(engine.init(0));
  engine.free();
  EXPECT_FLOAT_EQ(engine.channelGain(0), 0.25f);
}

TEST(PlaybackEffects, RemovingEveryEffectRestoresTheDrySignal) {
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, toneSource(1000, 0.5, 0.1), kRate, 2, "-c:a pcm_f32le"));
  AudioEngine engine;
  auto r = renderThroughWav(engine, file, folder / "out.wav", -1, [&](uint32_t s) {
    engine.addEqualizer(s);
    engine.setEqBand(s, 1, EqParameters{1000, 12, 12});
    engine.addReverb(s, true);
    engine.addEcho(s, true);
    engine.removeReverb(s);
    engine.removeEcho(s);
    engine.removeEqualizer(s);
    EXPECT_FALSE(engine.getEqBand(s, 1));
    EXPECT_FALSE(engine.getReverb(s));
    EXPECT_FALSE(engine.getEcho(s));
  });
  ASSERT_TRUE(r.ok);
  auto x = r.wav.channel(0);
  EXPECT_NEAR(toneDb(x, 0, 22050, 1000, kRate), 20 * std::log10(0.1), 0.05);
}

// A refused set leaves the previous parameters in place.
TEST(PlaybackEffects, RefusedParameterSetsKeepThePreviousOnes) {
  TempFolder folder;
  auto file = folder / "tone22k.wav";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 0.5), 22050, 2));
  AudioEngine engine;
  ASSERT_TRUE(engine.init(0));
  uint32_t s = engine.createStream(file.string());
  ASSERT_NE(s, 0u);
  ASSERT_TRUE(engine.addEqualizer(s));
  // A new slot is neutral.
  auto fresh = engine.getEqBand(s, 36);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->centre, 8000.0f);
  EXPECT_EQ(fresh->bandwidth, 12.0f);
  EXPECT_EQ(fresh->gain, 0.0f);

  const EqParameters good{1000, 10, 5};
  const EqParameters badEq[] = {
      {0, 0, 0},         // the effects window's zero-initialised record
      {79, 12, 0},       {16001, 12, 0}, {10000, 12, 0},  // >= 0.45 x 22050
      {1000, 0.5f, 0},   {1000, 37, 0},  {1000, 12, 15.5f}, {1000, 12, -15.5f},
      {NAN, 12, 0},
  };
  ASSERT_TRUE(engine.setEqBand(s, 2, good));
  for (const auto& bad : badEq) {
    EXPECT_FALSE(engine.setEqBand(s, 2, bad)) << bad.centre << " " << bad.bandwidth << " " << bad.gain;
    auto now = engine.getEqBand(s, 2);
    ASSERT_TRUE(now);
    EXPECT_EQ(now->centre, good.centre);
    EXPECT_EQ(now->bandwidth, good.bandwidth);
    EXPECT_EQ(now->gain, good.gain);
  }
  EXPECT_FALSE(engine.setEqBand(s, 0, good));
  EXPECT_FALSE(engine.setEqBand(s, 37, good));
  EXPECT_TRUE(engine.setEqBand(s, 1, EqParameters{80, 1, -15}));
  EXPECT_TRUE(engine.setEqBand(s, 1, EqParameters{9900, 36, 15}));

  ASSERT_NE(engine.addReverb(s, true), 0u);
  auto reverbDefault = engine.getReverb(s);
  ASSERT_TRUE(reverbDefault);
  EXPECT_EQ(reverbDefault->reverbTime, 1000.0f);
  EXPECT_EQ(reverbDefault->highFreqRatio, 0.001f);
  const ReverbParameters goodReverb{-3, -6, 800, 0.5f};
  ASSERT_TRUE(engine.setReverb(s, goodReverb));
  const ReverbParameters badReverb[] = {{0, 0, 0, 0},  // zero-initialised
                                        {1, 0, 1000, 0.5f},  {-97, 0, 1000, 0.5f}, {0, 1, 1000, 0.5f},
                                        {0, -97, 1000, 0.5f}, {0, 0, 3001, 0.5f},  {0, 0, 1000, 1.0f},
                                        {0, 0, 1000, 0.0f}};
  for (const auto& bad : badReverb) {
    EXPECT_FALSE(engine.setReverb(s, bad));
    EXPECT_EQ(engine.getReverb(s)->reverbTime, 800.0f);
    EXPECT_EQ(engine.getReverb(s)->reverbMix, -6.0f);
  }

  ASSERT_NE(engine.addEcho(s, true), 0u);
  auto echoDefault = engine.getEcho(s);
  ASSERT_TRUE(echoDefault);
  EXPECT_EQ(echoDefault->wetDryMix, 50.0f);
  EXPECT_EQ(echoDefault->leftDelay, 500.0f);
  EXPECT_FALSE(echoDefault->panDelay);
  const EchoParameters goodEcho{30, 20, 100, 200, true};
  ASSERT_TRUE(engine.setEcho(s, goodEcho));
  const EchoParameters badEcho[] = {{0, 0, 0, 0, false},  // zero-initialised
                                    {101, 0, 100, 100, false}, {-1, 0, 100, 100, false}, {0, 101, 100, 100, false},
                                    {0, 0, 2001, 100, false},  {0, 0, 100, 0.5f, false}};
  for (const auto& bad : badEcho) {
    EXPECT_FALSE(engine.setEcho(s, bad));
    EXPECT_EQ(engine.getEcho(s)->rightDelay, 200.0f);
    EXPECT_TRUE(engine.getEcho(s)->panDelay);
  }
  // Adding again keeps the effect (and its parameters).
  uint32_t echoHandle = engine.addEcho(s, true);
  EXPECT_EQ(engine.addEcho(s, true), echoHandle);
  EXPECT_EQ(engine.getEcho(s)->rightDelay, 200.0f);
  EXPECT_EQ(engine.addEcho(s, false), 0u);
}

}  // namespace
}  // namespace youran::testing
