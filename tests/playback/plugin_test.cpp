// The decoder plug-in interface end to end, with the test plug-in.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "playback/decode/plugin_folders.h"
#include "playback_test_util.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

const std::string kPluginDir = YOURAN_TEST_PLUGIN_DIR;

TEST(PlaybackDecoderPlugins, PluginDecodesTheExtensionsItClaims) {
  TempFolder folder;
  auto file = folder.write("tone.ytone", ytoneFile(32000, 1, 16384, 16000, 1000));
  AudioEngine engine;
  // Before the plug-in, FFmpeg does not know the format.
  EXPECT_EQ(engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly), 0u);
  engine.loadPlugin(kPluginDir + "/cod_ytone.so");
  engine.loadPlugin(kPluginDir + "/cod_ytone.so");  // twice is harmless

  uint32_t s = engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(s, 0u);
  auto info = engine.getInfo(s);
  EXPECT_EQ(info->rate, 32000);
  EXPECT_EQ(info->channels, 1);
  EXPECT_EQ(engine.getLength(s), 16000 * 2);
  engine.freeStream(s);

  // From memory too (no extension: every plug-in is asked).
  std::string bytes = readFile(file);
  std::vector<uint8_t> block(bytes.begin(), bytes.end());
  s = engine.createStream("", block, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(s, 0u);
  EXPECT_EQ(engine.getLength(s), 16000 * 2);
  engine.freeStream(s);

  // Played and resampled to the output; seeks go through the plug-in.
  auto r = renderThroughWav(engine, file, folder / "out.wav", -1, {}, 8000 * 2);
  ASSERT_TRUE(r.ok);
  EXPECT_NEAR(double(r.wav.frames()), 8000 * 44100.0 / 32000, 4);
  EXPECT_EQ(r.lengthBytes, 16000 * 2);
  EXPECT_EQ(r.positionBytes, 16000 * 2);
  auto left = r.wav.channel(0);
  EXPECT_NEAR(toneDb(left, 1000, 10000, 1000, 44100), 20 * std::log10(0.5), 0.2);
}

TEST(PlaybackDecoderPlugins, FailuresAreIgnored) {
  TempFolder folder;
  auto notLibrary = folder.write("cod_fake.so", "not a library");
  AudioEngine engine;
  engine.loadPlugin((folder / "cod_missing.so").string());
  engine.loadPlugin(notLibrary.string());
  engine.loadPlugin(kPluginDir + "/cod_ytone_future.so");  // newer interface: refused
  auto file = folder.write("tone.ytone", ytoneFile(44100, 2, 1000, 4410, 440));
  EXPECT_EQ(engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly), 0u);

  // A file the plug-in claims by extension but does not recognise falls
  // through to FFmpeg.
  engine.loadPlugin(kPluginDir + "/cod_ytone.so");
  auto wav = folder / "really-wav.ytone";
  ASSERT_TRUE(encodeAudio(folder / "src.wav", sineSource(440, 0.1), 44100, 2));
  std::filesystem::copy_file(folder / "src.wav", wav);
  uint32_t s = engine.createStream(wav.string(), {}, {}, AudioEngine::kDecodeOnly);
  EXPECT_NE(s, 0u);
  EXPECT_EQ(engine.getLength(s), 4410 * 4);
}

TEST(PlaybackDecoderPlugins, FoldersAreSearchedInOrderAndTheFirstCopyWins) {
  TempFolder data, installed;
  data.write("cod_midi.so", "x");
  data.write("cod_.so", "x");
  data.write("readme.txt", "x");
  data.write("other.so", "x");
  data.write("cod_dir.so/inside", "x");  // a folder, not a plug-in
  installed.write("cod_midi.so", "x");
  installed.write("cod_ytone.so", "x");
  installed.write("cod_ape.so.1", "x");
  const std::filesystem::path folders[] = {data.path(), data / "missing", installed.path()};
  auto found = findDecoderPlugins(folders);
  std::sort(found.begin(), found.begin() + std::min<size_t>(found.size(), 2));
  const std::filesystem::path expected[] = {data / "cod_.so", data / "cod_midi.so", installed / "cod_ytone.so"};
  EXPECT_EQ(found, std::vector<std::filesystem::path>(std::begin(expected), std::end(expected)));
}

}  // namespace
}  // namespace youran::testing
