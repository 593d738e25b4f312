// youranmusic-cli probe and play, run as a user would.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <cmath>
#include <functional>
#include <sstream>

#include "playback_test_util.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

const std::string kCli = YOURAN_CLI_PATH;

TEST(PlaybackCli, ProbePrintsOneJsonLinePerFile) {
  TempFolder folder;
  auto flac = folder / "歌曲 one.flac";
  ASSERT_TRUE(encodeAudio(flac, sineSource(440, 65.0), 48000, 2));
  auto missing = folder / "missing.mp3";
  auto out = folder / "out.txt";
  int status = runCommand(kCli + " probe " + shellQuote(flac.string()) + " " + shellQuote(missing.string()) + " >" +
                          shellQuote(out.string()));
  EXPECT_NE(status, 0);  // one file failed
  std::istringstream lines(readFile(out));
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  auto first = nlohmann::json::parse(line);
  EXPECT_EQ(first["path"], flac.string());
  EXPECT_EQ(first["ok"], true);
  EXPECT_EQ(first["rate"], 48000);
  EXPECT_EQ(first["channels"], 2);
  EXPECT_EQ(first["lengthBytes"], 65 * 48000 * 4);
  EXPECT_DOUBLE_EQ(first["seconds"].get<double>(), 65.0);
  EXPECT_EQ(first["duration"], "01:05");
  ASSERT_TRUE(std::getline(lines, line));
  auto second = nlohmann::json::parse(line);
  EXPECT_EQ(second["ok"], false);
  EXPECT_FALSE(std::getline(lines, line));
}

TEST(PlaybackCli, PlayToWavAppliesStartSecondsVolumeAndEffects) {
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, toneSource(1000, 3.0, 0.1), 44100, 2, "-c:a pcm_f32le"));
  auto wav = folder / "heard.wav";
  std::string cmd = kCli + " play " + shellQuote(file.string()) + " --start 1 --seconds 1.5 --volume 50" +
                    " --eq 6:12 --balance 1,0.5 --quiet --output wav:" + shellQuote(wav.string());
  ASSERT_EQ(runCommand(cmd), 0);
  WavData w;
  ASSERT_TRUE(readWav(wav, w));
  EXPECT_EQ(w.frames(), 66150);
  // Band 6 is 1000 Hz: +12 dB, then volume 50 % (-6 dB), right at half.
  auto left = w.channel(0), right = w.channel(1);
  double expectedLeft = 20 * std::log10(0.1) + 12 - 20 * std::log10(2.0);
  EXPECT_NEAR(toneDb(left, 4410, 48510, 1000, 44100), expectedLeft, 0.5);
  EXPECT_NEAR(toneDb(right, 4410, 48510, 1000, 44100), expectedLeft - 20 * std::log10(2.0), 0.5);
}

TEST(PlaybackCli, EffectsFromLeavesUntickedSectionsOffAndRefusesAMissingFile) {
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, toneSource(1000, 2.0, 0.1), 44100, 2, "-c:a pcm_f32le"));
  auto wav = folder / "heard.wav";
  const auto off = folder.write("off.ini", "[效果设置]\r\n均衡器=F\r\n纵向滚动条12=3\r\n");
  ASSERT_EQ(runCommand(kCli + " play " + shellQuote(file.string()) + " --seconds 1.5 --quiet --effects-from " +
                       shellQuote(off.string()) + " --output wav:" + shellQuote(wav.string())),
            0);
  WavData w;
  ASSERT_TRUE(readWav(wav, w));
  EXPECT_NEAR(toneDb(w.channel(1), 4410, 48510, 1000, 44100), 20 * std::log10(0.1), 0.5);
  EXPECT_NE(runCommand(kCli + " play " + shellQuote(file.string()) + " --effects-from " +
                       shellQuote((folder / "missing.ini").string()) + " --output none 2>/dev/null"),
            0);
}

// What the effects window saves, heard through `play --effects-from`: the
// window's own maps from slider positions to what is rendered.
struct WindowSection {
  const char* name;
  std::string source;  // an ffmpeg filter graph
  const char* section;  // the lines of "效果设置"
  std::function<void(const WavData&)> check;
};

class PlaybackCliWindowSection : public ::testing::TestWithParam<WindowSection> {};

TEST_P(PlaybackCliWindowSection, IsHeardAsSet) {
  const auto& c = GetParam();
  TempFolder folder;
  auto file = folder / "in.wav";
  ASSERT_TRUE(encodeAudio(file, c.source, 44100, 2, "-c:a pcm_f32le"));
  const auto state = folder.write("State.ini", std::string("[效果设置]\r\n") + c.section);
  auto wav = folder / "heard.wav";
  ASSERT_EQ(runCommand(kCli + " play " + shellQuote(file.string()) + " --quiet --effects-from " +
                       shellQuote(state.string()) + " --output wav:" + shellQuote(wav.string())),
            0);
  WavData w;
  ASSERT_TRUE(readWav(wav, w));
  c.check(w);
}

// The first sample after the dry burst (the first 300) above 0.01.
size_t repeatOnset(const std::vector<float>& x) {
  for (size_t i = 300; i < x.size(); ++i)
    if (std::fabs(x[i]) > 0.01f) return i;
  return 0;
}

const double kTenth = 20 * std::log10(0.1);

INSTANTIATE_TEST_SUITE_P(
    Sections, PlaybackCliWindowSection,
    ::testing::Values(
        // Band 6 (1 kHz, 纵向滚动条12) at position 3 is +12 dB; the bandwidth
        // slider at 24 is 12 semitones.
        WindowSection{"EqualiserRaisesItsBand", toneSource(1000, 1.2, 0.1),
                      "均衡器=T\r\n纵向滚动条12=3\r\n纵向滚动条3=24\r\n",
                      [](const WavData& w) {
                        for (int ch = 0; ch < 2; ++ch)
                          EXPECT_NEAR(toneDb(w.channel(ch), 4410, 39690, 1000, 44100) - kTenth, 12, 0.5);
                      }},
        WindowSection{"EqualiserLeavesTwoOctavesUp", toneSource(4000, 1.2, 0.1),
                      "均衡器=T\r\n纵向滚动条12=3\r\n纵向滚动条3=24\r\n",
                      [](const WavData& w) {
                        EXPECT_NEAR(toneDb(w.channel(0), 4410, 39690, 4000, 44100) - kTenth, 0, 1.0);
                      }},
        // Wet 50 %, no feedback, 250 ms left and 400 ms right.
        WindowSection{"EchoRepeatsAtTheDelay",
                      "aevalsrc=if(lt(t\\,0.005)\\,0.8*sin(2*PI*2000*t)\\,0):d=1:s=44100",
                      "回声=T\r\n纵向滚动条8=50\r\n纵向滚动条7=100\r\n纵向滚动条19=1750\r\n纵向滚动条20=1600\r\n",
                      [](const WavData& w) {
                        EXPECT_NEAR(double(repeatOnset(w.channel(0))), 0.250 * 44100, 44.1);
                        EXPECT_NEAR(double(repeatOnset(w.channel(1))), 0.400 * 44100, 44.1);
                      }},
        // Mix 0 dB, 1500 ms, high-frequency ratio 0.5.
        WindowSection{"ReverbTailFallsInTheSetTime",
                      "aevalsrc=if(lt(t\\,0.1)\\,0.5*(random(0)-0.5)\\,0):d=5:s=44100",
                      "混响=T\r\n纵向滚动条4=0\r\n纵向滚动条5=1500\r\n纵向滚动条6=5\r\n",
                      [](const WavData& w) { EXPECT_NEAR(rt60(w.channel(0), 4410 + 100, 44100), 1.5, 0.3); }},
        WindowSection{"BalanceAllTheWayRight", toneSource(1000, 1.2, 0.1), "横向滚动条1=100\r\n",
                      [](const WavData& w) {
                        EXPECT_NEAR(toneDb(w.channel(1), 4410, 39690, 1000, 44100), kTenth, 0.1);
                        EXPECT_LT(toneDb(w.channel(0), 4410, 39690, 1000, 44100), kTenth - 60);
                      }}),
    [](const ::testing::TestParamInfo<WindowSection>& info) { return std::string(info.param.name); });

TEST(PlaybackCli, PlayRefusesBadArguments) {
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 0.5), 44100, 2));
  auto out = shellQuote((folder / "x.wav").string());
  const std::string bad[] = {
      "",                                                   // no file
      shellQuote((folder / "missing.flac").string()),       // cannot play
      shellQuote(file.string()) + " --eq 6:20",             // gain out of range
      shellQuote(file.string()) + " --eq 20:3",             // slot 20 without a centre
      shellQuote(file.string()) + " --reverb 0,0,0.5",      // time 0 refused
      shellQuote(file.string()) + " --echo 50,50,0,10",     // delay 0 refused
      shellQuote(file.string()) + " --balance 2,1",         // gain above 1
      shellQuote(file.string()) + " --volume x",            // not a number
      shellQuote(file.string()) + " --output speaker",      // unknown output
      shellQuote(file.string()) + " --frobnicate",          // unknown option
  };
  for (const auto& args : bad) {
    EXPECT_NE(runCommand(kCli + " play " + args + " --quiet --output wav:" + out + " 2>/dev/null"), 0) << args;
  }
  EXPECT_EQ(runCommand(kCli + " play " + shellQuote(file.string()) + " --quiet --reverb -6,800,0.5 --echo " +
                       "30,20,100,120,1 --output wav:" + out),
            0);
}

TEST(PlaybackCli, PlayOnTheNoSoundOutputPrintsThePosition) {
  TempFolder folder;
  auto file = folder / "tone.flac";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 5.0), 44100, 2));
  auto out = folder / "out.txt";
  ASSERT_EQ(runCommand(kCli + " play " + shellQuote(file.string()) + " --output none --seconds 1.2 >" +
                       shellQuote(out.string())),
            0);
  std::string text = readFile(out);
  EXPECT_NE(text.find("00:00 / 00:05"), std::string::npos) << text;
  EXPECT_NE(text.find("00:01 / 00:05"), std::string::npos) << text;
}

}  // namespace
}  // namespace youran::testing
