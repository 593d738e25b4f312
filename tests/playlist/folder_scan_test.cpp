#include "playlist/folder_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> scanned(
    const std::string& folder, bool recursive = true,
    std::vector<std::string> patterns = splitPatterns(scanPatternList())) {
  std::vector<std::string> paths;
  ScanVisitor visitor;
  visitor.file = [&](std::string path) { paths.push_back(std::move(path)); };
  scanFolder(folder, patterns, recursive, visitor);
  return paths;
}

TEST(ScanPatterns, SixteenAndOpusInTheirOrderAndMatchedWithoutLetterCase) {
  auto patterns = splitPatterns(scanPatternList());
  ASSERT_EQ(patterns.size(), 17u);
  EXPECT_EQ(scanPatternList(),
            "*.mp3,*.wma,*.ape,*.ogg,*.flac,*.wav,*.mp4,*.m4a,*.mid,*.mpc,*.wave,*.cd,*.rm,*.tta,*."
            "aiff,*.au,*.opus");
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"song.mp3", "*.mp3", true}, {"SONG.MP3", "*.mp3", true}, {"song.mp3.bak", "*.mp3", false},
      {"a.wave", "*.wav", false},  {"a.wav", "*.wave", false},  {".mp3", "*.mp3", true},
      {"x.au", "*.au", true},      {"x.aux", "*.au", false},    {"ab.mp3", "?b.mp3", true},
      {"b.mp3", "?b.mp3", false},  {"anything", "*", true},     {"a.b.c", "*.*", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(matchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
  EXPECT_TRUE(isAudioFileName("夜曲.FLAC"));
  EXPECT_FALSE(isAudioFileName("cover.jpg"));
  EXPECT_FALSE(isAudioFileName("mp3"));
}

class FolderScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"b.wav", "a.mp3", "C.mp3", "notes.txt", "d.flac", "sub2/z.mp3",
                             "sub1/y.wav", "sub1/x.mp3", "sub1/deep/w.ogg", "sub1/deep/v.mp3"})
      folder.write(name, "x");
    root = folder.path().string();
  }
  testing::TempFolder folder;
  std::string root;
};

TEST_F(FolderScanTest, FilesByPatternThenSubfoldersDepthFirst) {
  const std::string r = root + "/";
  EXPECT_EQ(scanned(root),
            (std::vector<std::string>{
                r + "a.mp3", r + "C.mp3", r + "d.flac", r + "b.wav",  // by pattern, then by name
                r + "sub1/x.mp3", r + "sub1/y.wav",                   // sub1's own files
                r + "sub1/deep/v.mp3", r + "sub1/deep/w.ogg",         // then its subfolder
                r + "sub2/z.mp3"}));
  EXPECT_EQ(scanned(root, false),
            (std::vector<std::string>{r + "a.mp3", r + "C.mp3", r + "d.flac", r + "b.wav"}));
}

TEST_F(FolderScanTest, ATrailingSeparatorIsAddedOnce) {
  EXPECT_EQ(scanned(root), scanned(root + "/"));
  EXPECT_EQ(scanned(root + "/").front(), root + "/a.mp3");
  EXPECT_TRUE(scanned("").empty()) << "an empty folder text is not the root";
}

TEST_F(FolderScanTest, LinkedFoldersAreFollowedOnceAndLoopsEnd) {
  fs::create_directory_symlink(folder.path(), folder.path() / "sub1" / "deep" / "up");  // a loop
  fs::create_directory_symlink(folder.path() / "sub2", folder.path() / "sub3");  // a second way in
  testing::TempFolder outside;
  outside.write("far.mp3", "x");
  fs::create_directory_symlink(outside.path(), folder.path() / "elsewhere");
  auto paths = scanned(root);
  const std::string r = root + "/";
  EXPECT_EQ(paths, (std::vector<std::string>{r + "a.mp3", r + "C.mp3", r + "d.flac", r + "b.wav",
                                             r + "elsewhere/far.mp3", r + "sub1/x.mp3",
                                             r + "sub1/y.wav", r + "sub1/deep/v.mp3",
                                             r + "sub1/deep/w.ogg", r + "sub2/z.mp3"}));
}

TEST_F(FolderScanTest, StepsComeBeforeEveryFileAndFolderAndCanEndTheScan) {
  size_t steps = 0;
  std::vector<std::string> paths;
  ScanVisitor visitor;
  visitor.file = [&](std::string path) { paths.push_back(std::move(path)); };
  visitor.step = [&] { return ++steps <= 3; };
  auto summary = scanFolder(root, splitPatterns(scanPatternList()), true, visitor);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(paths.size(), 3u);

  visitor.step = [&] { return true; };
  summary = scanFolder(root + "/nothing-here", splitPatterns(scanPatternList()), true, visitor);
  EXPECT_EQ(summary.files, 0u);
  EXPECT_EQ(summary.foldersSkipped, 1u);
}

}  // namespace
}  // namespace youran
