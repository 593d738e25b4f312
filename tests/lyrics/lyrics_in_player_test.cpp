// The lyric features inside the assembled player: a track start loads the
// lyric, the timer shows it on the desktop line, and the settings page's
// font change and lock reach the line and Setting.ini.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "lyrics/ui/lyrics_view.h"
#include "app/main_window.h"
#include "app/player_app.h"
#include "app/player_assembly.h"
#include "settings/settings_file.h"
#include "app/settings_page.h"
#include "base/data_folder.h"
#include "lyrics/lyric_file.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "playback/audio_engine.h"
#include "playback/controller/playback_controller.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"
#include "playlist/ui/playlist_controller.h"

namespace youran {
namespace {

TEST(LyricsInThePlayer, TrackStartTimerFontAndLock) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  AudioEngine engine;
  PlayerApp app;
  PlayerAssembly assembly(app, engine);
  ASSERT_TRUE(app.start(folder / "player.lock"));
  DesktopLyricsWindow& line = assembly.desktopLyrics();
  ASSERT_TRUE(line.isAlive()) << "created at start-up";
  EXPECT_EQ(line.text(), QStringLiteral("欢迎使用悠然音乐~~~"));

  const auto wav = folder / "a.wav";
  testing::writeToneWav(wav, 44100 * 6);
  assembly.playlist().list().addTrack(wav.string(), "00:06", "歌手-歌名", "真");
  ASSERT_FALSE(writeLyricFile(lyricFilePath(folder.path(), "歌手-歌名"), "[00:00.10]开头\r\n[00:03.00]后来\r\n"));
  assembly.playback().playRow(1);
  QTRY_COMPARE_WITH_TIMEOUT(line.text(), QStringLiteral("开头\r\n"), 3000);
  EXPECT_TRUE(assembly.lyrics().lyricTimer().isActive());

  // The font change recreates the line with the chosen family and stores it.
  auto* page = app.mainWindow()->settingsPage();
  page->chooseFont = [](const QString&) -> std::optional<QString> { return QStringLiteral("楷体"); };
  page->changeLyricFont();
  EXPECT_EQ(readSetting("Lyric", "Font"), "楷体");
  ASSERT_TRUE(line.isAlive());
  EXPECT_EQ(line.renderer().font().pixelSize(), 40);

  // The lock, from the settings page and from the line's own menu.
  QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("锁定开")), Qt::LeftButton);
  EXPECT_EQ(readSetting("Lyric", "Locked"), "T");
  EXPECT_TRUE(line.locked());
  QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("锁定开")), Qt::LeftButton);
  EXPECT_EQ(readSetting("Lyric", "Locked"), "F");
  emit line.lockRequested();
  EXPECT_EQ(readSetting("Lyric", "Locked"), "T");
  EXPECT_TRUE(page->lyricsLocked());

  QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("卡拉开")), Qt::LeftButton);
  EXPECT_EQ(readSetting("Lyric", "Karaoke"), "F");
  EXPECT_FALSE(assembly.lyrics().karaoke());

  // "关闭桌面歌词" from the line's menu switches it off like the button.
  emit line.closeRequested();
  EXPECT_FALSE(line.isAlive());
  EXPECT_FALSE(app.mainWindow()->desktopLyricsBox()->isChecked());
  assembly.playback().stop();
}

}  // namespace
}  // namespace youran
