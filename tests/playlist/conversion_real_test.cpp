// The conversion pass over real files made by ffmpeg, with the real tag
// readers and the real engine, end to end through the music list file.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "playback/audio_engine.h"
#include "playlist/conversion_defaults.h"
#include "playlist/headless_conversion.h"
#include "playlist/music_list_file.h"
#include "support/playlist_fixtures.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using testing::makeTrack;
using testing::TempFolder;

class RealConversion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_TRUE(makeTrack(path("周杰伦 晴天.mp3"), 3, "周杰伦", "晴天"));
    ASSERT_TRUE(makeTrack(path("half.mp3"), 2, "", "Only Title"));
    ASSERT_TRUE(makeTrack(path("artist only.ogg"), 2, "Somebody", ""));
    ASSERT_TRUE(makeTrack(path("untagged.wav"), 4, "", ""));
    ASSERT_TRUE(makeTrack(path("Song.M4A"), 5, "MP4 Artist", "MP4 Title"));
    ASSERT_TRUE(makeTrack(path("done.mp3"), 1, "Real", "Tags"));
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string path(const std::string& name) { return (*folder_ / name).string(); }

  static TempFolder* folder_;
};

TempFolder* RealConversion::folder_ = nullptr;

TEST_F(RealConversion, TaggedHalfTaggedUntaggedAndVanishedFiles) {
  TrackList list;
  list.addTrack(path("周杰伦 晴天.mp3"));
  list.addTrack(path("half.mp3"));
  list.addTrack(path("artist only.ogg"));
  list.addTrack(path("untagged.wav"));
  list.addTrack(path("Song.M4A"));
  list.addTrack(path("vanished.mp3"));
  list.addTrack(path("done.mp3"), "09:99", "Stored-Name", "真");  // never read again
  auto file = *folder_ / "YRmDefaultList.dll";

  AudioEngine engine;
  auto report = convertListHeadless(list, file, defaultConversionFunctions({}, &engine));
  EXPECT_EQ(report.converted, 6u);
  EXPECT_FALSE(report.saveError.has_value());

  struct Expected {
    const char* name;
    const char* duration;
  };
  const Expected expected[] = {
      {"周杰伦-晴天", "00:03"},
      {"未知歌手-Only Title", "00:02"},
      {"Somebody-未知歌名", "00:02"},
      {"untagged", "00:04"},
      {"MP4 Artist-MP4 Title", "00:05"},
      {"vanished", ""},
      {"Stored-Name", "09:99"},
  };
  TrackList saved;
  ASSERT_EQ(loadMusicList(file, saved).status, MusicListStatus::loaded);
  ASSERT_EQ(saved.size(), 7u);
  for (size_t i = 0; i < saved.size(); ++i) {
    SCOPED_TRACE(saved.atIndex(i).path);
    EXPECT_EQ(saved.atIndex(i), list.atIndex(i));
    EXPECT_EQ(saved.atIndex(i).name, expected[i].name);
    EXPECT_EQ(saved.atIndex(i).duration, expected[i].duration);
    EXPECT_EQ(saved.atIndex(i).flag, "真");
  }
  EXPECT_TRUE(conversionJobs(saved).empty());
}

TEST_F(RealConversion, WindowTitleNamesTheRowAndThePlayer) {
  AudioEngine engine;
  auto playing = defaultConversionFunctions([] { return true; }, &engine);
  auto result = convertRow(playing, {0, path("half.mp3"), "half"});
  EXPECT_EQ(result.windowTitle, "悠然音乐 6     正在转换列表： 未知歌手-Only Title");
  auto idle = defaultConversionFunctions({}, &engine);
  result = convertRow(idle, {0, path("untagged.wav"), "untagged"});
  EXPECT_EQ(result.windowTitle, "正在转换列表： untagged-");
}

// Fakes that take 20 ms a file: the file is rewritten a few times while the
// pass runs, not once per row, and an interrupted pass keeps what it did.
TEST(HeadlessConversion, CoalescesSavesAndKeepsWorkWhenInterrupted) {
  TempFolder folder;
  auto file = folder / "list.dll";
  ConversionFunctions slow;
  slow.nameTrack = [](const std::string&, const std::string& name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return ConversionNames{"A-" + name, "A", name};
  };
  slow.measureSeconds = [](const std::string&) { return 61.5; };

  TrackList list;
  for (int i = 0; i < 40; ++i) list.addTrack("/m/" + std::to_string(i) + ".mp3");
  auto began = std::chrono::steady_clock::now();
  auto report = convertListHeadless(list, file, slow, nullptr, {}, std::chrono::milliseconds(200));
  auto took = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(report.converted, 40u);
  EXPECT_GE(report.saves, 2u);
  EXPECT_LE(report.saves, took / std::chrono::milliseconds(200) + 2);
  EXPECT_TRUE(testing::readFile(file) == serializeMusicList(list));
  EXPECT_EQ(list.atIndex(39).name, "A-39");
  EXPECT_EQ(list.atIndex(39).duration, "01:01");

  TrackList second;
  for (int i = 0; i < 40; ++i) second.addTrack("/m/" + std::to_string(i) + ".mp3");
  std::atomic<bool> interrupt{false};
  auto stopAfterThree = [&](const ConversionResult& result) {
    if (result.index == 2) interrupt = true;
  };
  report = convertListHeadless(second, file, slow, &interrupt, stopAfterThree);
  EXPECT_TRUE(report.interrupted);
  EXPECT_GE(report.converted, 3u);
  EXPECT_LT(report.converted, 40u);
  TrackList reloaded;
  loadMusicList(file, reloaded);
  EXPECT_EQ(reloaded.size(), 40u);
  EXPECT_EQ(conversionJobs(reloaded).size(), 40u - report.converted);
}

}  // namespace
}  // namespace youran
