// The desktop's views of what plays: the taskbar buttons and progress, the
// mini panel and the tray menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTest>

#include "app/desktop/mini_panel.h"
#include "app/desktop/taskbar_view.h"
#include "app/player_app.h"
#include "app/player_assembly.h"
#include "base/data_folder.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"
#include "support/qt/tone_tracks.h"

namespace youran {
namespace {

struct RecordingTaskbar : TaskbarControls {
  bool create() override { return true; }
  bool init() override { return true; }
  void addButtons(std::function<void(int)>) override {}
  void updateButton(int id, ButtonIcon icon, const QString& tooltip) override {
    calls.push_back("button " + std::to_string(id) + (icon == ButtonIcon::pause ? " pause " : " play ") +
                    tooltip.toStdString());
  }
  void setProgressState(ProgressState state) override {
    calls.push_back("state " + std::to_string(static_cast<int>(state)));
  }
  void setProgressValue(uint64_t done, uint64_t total) override {
    calls.push_back("value " + std::to_string(done) + "/" + std::to_string(total));
  }
  std::vector<std::string> calls;
};

TEST(TaskbarViewTest, ButtonAndProgressFollowThePlayState) {
  NowPlaying now;
  RecordingTaskbar taskbar;
  TaskbarView view(now, taskbar);
  now.setPlayState(PlayState::playing);
  now.setPosition(1.0, 500, 2000);
  now.setPlayState(PlayState::paused);
  now.setPlayState(PlayState::playing);
  now.setPlayState(PlayState::idle);
  EXPECT_EQ(taskbar.calls, (std::vector<std::string>{"button 2 pause 暂停", "state 2", "value 500/2000",
                                                     "button 2 play 继续", "state 8", "button 2 pause 暂停",
                                                     "state 2", "state 0"}));
}

class MiniPanelTest : public testing::PlayingFixture {
 protected:
  void SetUp() override {
    startPlaying(&view);
    panel = std::make_unique<MiniPanel>(now, *controller, [this] { ++exitDialogs; });
  }
  void TearDown() override {
    panel.reset();
    PlayingFixture::TearDown();
  }

  QTableView view;
  std::unique_ptr<MiniPanel> panel;
  int exitDialogs = 0;
};

TEST_F(MiniPanelTest, OpensAroundTheCursorAndStaysOnTheScreen) {
  const QRect screen(0, 0, 1280, 800);
  const QSize size(MiniPanel::kWidth, MiniPanel::kHeight);
  EXPECT_EQ(MiniPanel::placement({600, 500}, screen, size), QPoint(400, 300));
  EXPECT_EQ(MiniPanel::placement({100, 50}, screen, size), QPoint(100, 150)) << "|cursor - 200|";
  EXPECT_EQ(MiniPanel::placement({1275, 795}, screen, size), QPoint(1020, 595));
  EXPECT_EQ(MiniPanel::placement({1279, 1100}, screen, size), QPoint(1020, 680)) << "kept on the screen";
  EXPECT_EQ(MiniPanel::placement({2000, 10}, QRect(1280, 0, 1280, 800), size), QPoint(1800, 190));
}

TEST_F(MiniPanelTest, SongVolumeAndButtons) {
  EXPECT_EQ(panel->songLabel()->text(), QStringLiteral("无正在播放曲目。"));
  testing::addToneTracks(*playlist, folder, 2, 44100 * 4);
  controller->playRow(1);
  EXPECT_EQ(panel->songLabel()->text(), QStringLiteral("Artist 1-Title 1"));

  // The volume both ways: the bar follows the player, a click sets it.
  controller->setVolumePercent(40);
  EXPECT_EQ(panel->volumeBar()->width(), 40);
  QTest::mouseClick(panel->volumeBar()->parentWidget(), Qt::LeftButton, {}, QPoint(75, 4));
  EXPECT_EQ(now.volume(), 75);
  EXPECT_EQ(panel->volumeBar()->width(), 75);

  QTest::mouseClick(panel->playPauseLabel(), Qt::LeftButton);
  EXPECT_EQ(now.playState(), PlayState::paused);
  EXPECT_EQ(panel->playPauseLabel()->text(), QStringLiteral("继续"));
  QTest::mouseClick(panel->findChild<QLabel*>(QStringLiteral("下一曲")), Qt::LeftButton);
  EXPECT_EQ(now.currentRow(), 2);
  QTest::mouseClick(panel->findChild<QLabel*>(QStringLiteral("上一曲")), Qt::LeftButton);
  EXPECT_EQ(now.currentRow(), 1);

  controller->stop();
  EXPECT_EQ(panel->songLabel()->text(), QStringLiteral("无正在播放曲目。"));
}

TEST_F(MiniPanelTest, ClosesWhenAnotherWindowIsActivatedAndExitOpensTheDialog) {
  panel->openAt({600, 500});
  EXPECT_TRUE(panel->isVisible());
  QApplication::setActiveWindow(panel.get());
  QTest::qWait(150);
  QWidget other;
  other.show();
  other.activateWindow();
  QApplication::setActiveWindow(&other);
  QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 2000);

  panel->openAt({600, 500});
  QApplication::setActiveWindow(panel.get());
  QTest::qWait(250);
  EXPECT_TRUE(panel->isVisible()) << "stays while it is the active window";
  QTest::mouseClick(panel->findChild<QLabel*>(QStringLiteral("退出")), Qt::LeftButton);
  EXPECT_EQ(exitDialogs, 1);
  EXPECT_FALSE(panel->isVisible());
}

TEST(TrayMenuTest, TransportAndUnlockFromTheTray) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  AudioEngine engine;
  PlayerApp app;
  PlayerAssembly assembly(app, engine);
  ASSERT_TRUE(app.start(folder / "player.lock"));
  ASSERT_NE(app.trayIcon(), nullptr);
  QMenu* menu = app.trayIcon()->contextMenu();
  ASSERT_NE(menu, nullptr);
  QStringList texts;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) texts << action->text();
  EXPECT_EQ(texts, (QStringList{QStringLiteral("显示主界面"), QStringLiteral("迷你面板"), QStringLiteral("上一曲"),
                                QStringLiteral("播放/暂停"), QStringLiteral("下一曲"), QStringLiteral("锁定桌面歌词"),
                                QStringLiteral("退出悠然音乐")}));
  QAction* lock = menu->findChild<QAction*>(QStringLiteral("锁定桌面歌词"));
  ASSERT_NE(lock, nullptr);
  lock->trigger();
  EXPECT_TRUE(assembly.desktopLyrics().locked());
  EXPECT_EQ(lock->text(), QStringLiteral("解锁桌面歌词"));
  lock->trigger();
  EXPECT_FALSE(assembly.desktopLyrics().locked());
  EXPECT_EQ(lock->text(), QStringLiteral("锁定桌面歌词"));
  emit assembly.desktopLyrics().lockRequested();
  EXPECT_TRUE(assembly.desktopLyrics().locked()) << "the line's own menu locks it too";
  EXPECT_EQ(lock->text(), QStringLiteral("解锁桌面歌词"));
  lock->trigger();

  testing::addToneTracks(assembly.playlist(), folder, 2, 44100 * 4);
  assembly.playback().playRow(1);
  for (QAction* action : menu->actions())
    if (action->text() == QStringLiteral("下一曲")) action->trigger();
  EXPECT_EQ(assembly.nowPlaying().currentRow(), 2);
  for (QAction* action : menu->actions())
    if (action->text() == QStringLiteral("迷你面板")) action->trigger();
  EXPECT_TRUE(assembly.miniPanel().isVisible());
  assembly.playback().stop();
}

}  // namespace
}  // namespace youran
