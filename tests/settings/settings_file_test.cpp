#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "settings/settings_keys.h"
#include "base/atomic_file.h"
#include "base/data_folder.h"
#include "base/text_encoding.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

TEST(SettingsFile, MissingFileSectionOrKeyReadsEmpty) {
  testing::TempFolder folder;
  auto file = folder / "Setting.ini";
  EXPECT_EQ(readSetting(file, "Download", "Location"), "");
  folder.write("Setting.ini", "[Lyric]\r\nFont=Sans\r\n");
  EXPECT_EQ(readSetting(file, "Download", "Location"), "");
  EXPECT_EQ(readSetting(file, "Lyric", "Size"), "");
  EXPECT_EQ(readSetting(file, "Lyric", "Font"), "Sans");
}

TEST(SettingsFile, NamesIgnoreLetterCaseAndValuesAreTrimmed) {
  testing::TempFolder folder;
  auto file = folder.write("Setting.ini",
                           "; the player's settings\r\n"
                           "[vision]\r\n"
                           "  GAUSSIAN =  F  \r\n"
                           "[ Lyric ]\n"
                           "font=\"Noto Sans\"\n");
  EXPECT_EQ(readSetting(file, "Vision", "Gaussian"), "F");
  EXPECT_EQ(readSetting(file, "LYRIC", "Font"), "Noto Sans");
}

TEST(SettingsFile, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
  testing::TempFolder folder;
  auto file = folder.write("Setting.ini",
                           "; keep me\r\n"
                           "[Download]\r\n"
                           "Location=/old/\r\n"
                           "Other=1\r\n"
                           "\r\n"
                           "[Vision]\r\n"
                           "Gaussian=T\r\n");
  ASSERT_TRUE(writeSetting(file, "download", "LOCATION", "/new/"));
  ASSERT_TRUE(writeSetting(file, "Download", "Extra", "x"));
  ASSERT_TRUE(writeSetting(file, "Lyric", "Font", "Sans"));
  EXPECT_EQ(testing::readFile(file),
            "; keep me\r\n"
            "[Download]\r\n"
            "LOCATION=/new/\r\n"
            "Other=1\r\n"
            "Extra=x\r\n"
            "\r\n"
            "[Vision]\r\n"
            "Gaussian=T\r\n"
            "[Lyric]\r\n"
            "Font=Sans\r\n");
}

TEST(SettingsFile, FirstWriteCreatesTheFile) {
  testing::TempFolder folder;
  auto file = folder / "Setting.ini";
  ASSERT_TRUE(writeSetting(file, "Vision", "Spectrum", "F"));
  EXPECT_EQ(testing::readFile(file), "[Vision]\r\nSpectrum=F\r\n");
  EXPECT_EQ(readSetting(file, "Vision", "Spectrum"), "F");
}

TEST(SettingsFile, StateValuesGoToStateIniAndNeverTouchSettingIni) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  ASSERT_TRUE(writeSetting("Vision", "Spectrum", "T"));
  const std::string settingsBefore = testing::readFile(settingsFilePath());
  ASSERT_TRUE(writeState("效果设置", "均衡器", "T"));
  EXPECT_EQ(stateFilePath(), folder / "State.ini");
  EXPECT_EQ(readState("效果设置", "均衡器"), "T");
  EXPECT_EQ(readSetting("效果设置", "均衡器"), "");
  EXPECT_EQ(testing::readFile(settingsFilePath()), settingsBefore);
}

TEST(SettingsFile, ChineseValuesAreStoredAsGb18030AndReadBack) {
  testing::TempFolder folder;
  auto file = folder / "Setting.ini";
  const std::string font = "微软雅黑";
  const std::string path = "/home/用户/下载/";
  ASSERT_TRUE(writeSetting(file, "Lyric", "Font", font));
  ASSERT_TRUE(writeSetting(file, "Download", "Location", path));
  auto raw = testing::readFile(file);
  EXPECT_NE(raw.find(utf8ToGb18030(font)), std::string::npos);
  EXPECT_EQ(raw.find(font), std::string::npos) << "stored as UTF-8, not GB18030";
  EXPECT_EQ(readSetting(file, "Lyric", "Font"), font);
  EXPECT_EQ(readSetting(file, "Download", "Location"), path);
}

TEST(SettingsFile, Utf8FileWithByteOrderMarkIsRead) {
  testing::TempFolder folder;
  auto file = folder.write("Setting.ini", "\xEF\xBB\xBF[Lyric]\r\nFont=微软雅黑\r\n");
  EXPECT_EQ(readSetting(file, "Lyric", "Font"), "微软雅黑");
  // Rewriting keeps the value and stores the file as GB18030 from then on.
  ASSERT_TRUE(writeSetting(file, "Vision", "Gaussian", "T"));
  EXPECT_EQ(readSetting(file, "Lyric", "Font"), "微软雅黑");
  EXPECT_EQ(testing::readFile(file).substr(0, 3), "[Ly");
}

TEST(SettingsFile, FailedWriteKeepsTheOldFileAndSaysSo) {
  testing::TempFolder folder;
  EXPECT_FALSE(writeSetting(folder / "missing-folder" / "Setting.ini", "A", "b", "c"));
}

// A Setting.ini the player may replace but not read (another owner, mode
// 000): writing a key must not turn it into a file holding only that key.
TEST(SettingsFile, AFileThatCannotBeReadIsNotReplaced) {
  testing::TempFolder folder;
  const auto file = folder.write("Setting.ini", "[Lyric]\r\nFont=楷体\r\n[Vision]\r\nSpectrum=F\r\n");
  std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
  std::filesystem::permissions(file, std::filesystem::perms::none);
  // Root reads every file: the writer runs as nobody in a child.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (getuid() == 0 && setuid(65534) != 0) _exit(3);
    if (readWholeFile(file)) _exit(4);  // readable after all: nothing to show
    _exit(writeSetting(file, "Download", "Location", "/music/") ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported written; 3, 4: could not be set up";
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(readSetting(file, "Lyric", "Font"), "楷体");
  EXPECT_EQ(readSetting(file, "Vision", "Spectrum"), "F");
  EXPECT_EQ(readSetting(file, "Download", "Location"), "");
}

TEST(SettingsKeys, OnlyExactTAndFAreFlags) {
  struct Case {
    std::string_view text;
    std::optional<bool> flag;
  };
  const Case cases[] = {{"T", true}, {"F", false}, {"t", std::nullopt}, {"1", std::nullopt},
                        {"", std::nullopt}, {"TRUE", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(settings::parseFlag(c.text), c.flag) << c.text;
}

TEST(SettingsKeys, DownloadFolderTextGetsOneTrailingSeparator) {
  EXPECT_EQ(settings::downloadFolderText("/"), "/");
  EXPECT_EQ(settings::downloadFolderText("/home/u/Music"), "/home/u/Music/");
  EXPECT_EQ(settings::downloadFolderText("/home/u/Music/"), "/home/u/Music/");
  EXPECT_EQ(settings::downloadFolderText(""), "");
}

}  // namespace
}  // namespace youran
