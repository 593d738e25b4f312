#include "playback/dsp/effect_sliders.h"

#include <gtest/gtest.h>

namespace youran {
namespace {

using namespace sliders;

TEST(EffectSliders, EqualiserGainsAndBandwidth) {
  const struct { int position, gain; } gains[] = {{0, 15}, {15, 0}, {30, -15}, {7, 8}, {22, -7}, {-4, 15}, {99, -15}};
  for (const auto& g : gains) EXPECT_EQ(bandGainDb(g.position), g.gain) << g.position;
  EXPECT_EQ(bandwidthSemitones(15), 21);
  EXPECT_EQ(bandwidthSemitones(1), 35);
  EXPECT_EQ(bandwidthSemitones(36), 1) << "never 0, which the equaliser refuses";
  EXPECT_EQ(kBandCentres.front(), 80);
  EXPECT_EQ(kBandCentres.back(), 16000);
}

TEST(EffectSliders, EveryEndOfEverySliderIsAcceptedByItsEffect) {
  for (int p : {0, 1, 48, 95, 96}) {
    ReverbParameters r;
    r.reverbMix = reverbMixDb(p);
    for (int t : {0, 1, 1500, 2999, 3000}) {
      r.reverbTime = reverbTimeMs(t);
      for (int h : {0, 5, 10}) {
        r.highFreqRatio = reverbHighFreqRatio(h);
        EXPECT_TRUE(r.valid()) << p << " " << t << " " << h;
      }
    }
  }
  EXPECT_FLOAT_EQ(reverbMixDb(96), -96.0f) << "the window's start: the reverb at its quietest";
  EXPECT_FLOAT_EQ(reverbMixDb(0), 0.0f);
  EXPECT_FLOAT_EQ(reverbTimeMs(3000), 0.001f);
  EXPECT_FLOAT_EQ(reverbTimeMs(1000), 2000.0f);
  EXPECT_FLOAT_EQ(reverbHighFreqRatio(10), 0.001f);
  EXPECT_FLOAT_EQ(reverbHighFreqRatio(5), 0.5f);
  EXPECT_FLOAT_EQ(reverbHighFreqRatio(0), 0.999f);

  for (int p : {0, 50, 100}) {
    for (int d : {1, 1000, 1999, 2000}) {
      EchoParameters e;
      e.wetDryMix = echoPercent(p);
      e.feedback = echoPercent(p);
      e.leftDelay = echoDelayMs(d);
      e.rightDelay = echoDelayMs(d);
      EXPECT_TRUE(e.valid()) << p << " " << d;
    }
  }
  EXPECT_FLOAT_EQ(echoDelayMs(2000), 1.0f);
  EXPECT_FLOAT_EQ(echoDelayMs(1500), 500.0f);
  EXPECT_FLOAT_EQ(echoPercent(100), 0.0f);
}

TEST(EffectSliders, BalanceGainsAndTexts) {
  const struct {
    int position;
    float left, right;
    const char* text;
  } cases[] = {
      {1, 1.0f, 0.02f, "偏左1"},    {49, 1.0f, 0.98f, "偏左49"}, {50, 1.0f, 1.0f, "平衡"},
      {51, 0.98f, 1.0f, "偏右49"}, {100, 0.0f, 1.0f, "偏右0"},
  };
  for (const auto& c : cases) {
    const Balance b = balance(c.position);
    EXPECT_FLOAT_EQ(b.left, c.left) << c.position;
    EXPECT_FLOAT_EQ(b.right, c.right) << c.position;
    EXPECT_EQ(b.text, c.text) << c.position;
  }
  EXPECT_EQ(meterValue(32768), 109);
  EXPECT_EQ(meterValue(299), 0);
  EXPECT_EQ(meterValue(-5), 0);
}

TEST(EffectSliders, SavedValuesReadBackAsTheSamePositions) {
  Positions moved;
  moved.equalizer = true;
  moved.echo = true;
  for (int band = 0; band < 10; ++band) moved.bands[band] = band * 3;
  moved.bandwidth = 1;
  moved.reverbMix = 0;
  moved.reverbTime = 1234;
  moved.reverbRatio = 7;
  moved.echoMix = 33;
  moved.echoFeedback = 0;
  moved.echoLeft = 1;
  moved.echoRight = 1999;
  moved.balance = 100;
  const auto values = savedValues(moved);
  ASSERT_EQ(values.size(), 3u + 19u) << "three boxes and every slider";
  const auto lookup = [&](std::string_view key) -> std::string {
    for (const auto& [k, v] : values)
      if (k == key) return v;
    return {};
  };
  EXPECT_EQ(lookup("纵向滚动条18"), "27") << "band 10";
  EXPECT_EQ(lookup("均衡器"), "T");
  EXPECT_EQ(lookup("混响"), "F");
  EXPECT_EQ(savedPositions(lookup), moved);

  // The effects they give, ticked sections only.
  const SavedEffects effects = savedEffects(lookup);
  ASSERT_EQ(effects.bands.size(), 10u);
  EXPECT_EQ(effects.bands[1].second.gain, 12);
  EXPECT_EQ(effects.bands[1].second.centre, 125);
  EXPECT_EQ(effects.bands[1].second.bandwidth, 35);
  EXPECT_FALSE(effects.reverb);
  ASSERT_TRUE(effects.echo);
  EXPECT_EQ(effects.echo->rightDelay, 1);
  EXPECT_EQ(effects.balance.text, "偏右0");
}

}  // namespace
}  // namespace youran
