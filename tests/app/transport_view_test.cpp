// The main window's bottom bar and labels as a view of what is playing:
// everything here is driven through the controller or the widgets and read
// back from the widgets.
#include "app/transport_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/main_window.h"
#include "app/player_app.h"
#include "app/player_assembly.h"
#include "app/settings_page.h"
#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playback/output/audio_output.h"
#include "ui/notice_dialog.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"
#include "support/qt/tone_tracks.h"

namespace youran {
namespace {

class TransportViewTest : public testing::PlayingFixture {
 protected:
  void SetUp() override {
    startPlaying(window.findChild<QTableView*>(QStringLiteral("播放列表框")));
    view = std::make_unique<TransportView>(window, now, *controller);
  }
  void TearDown() override {
    view.reset();
    PlayingFixture::TearDown();
  }

  static void waitMs(int ms) { testing::waitMs(ms); }

  QString picture(QPushButton* button) const { return button->property("picture").toString(); }

  MainWindow window;
  std::unique_ptr<TransportView> view;
};

TEST_F(TransportViewTest, LabelsCaptionsAndPicturesFollowThePlayState) {
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("等待播放"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("悠然音乐 6"));
  EXPECT_EQ(window.volumeLabel()->text(), QStringLiteral("100"));
  EXPECT_EQ(window.volumeKnob()->x(), 916);

  addTracks(2, 44100 * 5);
  window.spectrumTimer()->stop();
  controller->playRow(2);
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(window.songLabel()->text(), QStringLiteral("Title 2"));
  EXPECT_EQ(window.artistLabel()->text(), QStringLiteral("Artist 2"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(window.totalTimeLabel()->text(), QStringLiteral("00:05"));
  EXPECT_EQ(window.progressKnob()->x(), 382);
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("暂停"));
  EXPECT_EQ(picture(window.playPauseButton()), QStringLiteral("pause"));
  ASSERT_TRUE(window.settingsPage()->spectrumOn());
  EXPECT_TRUE(window.spectrumTimer()->isActive());
  EXPECT_EQ(window.spectrumTimer()->interval(), 30);

  waitMs(200);
  QTest::mouseClick(window.playPauseButton(), Qt::LeftButton);
  EXPECT_EQ(engine.isActive(controller->currentStream()), 3);
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("继续"));
  EXPECT_EQ(picture(window.playPauseButton()), QStringLiteral("play"));
  EXPECT_FALSE(window.spectrumTimer()->isActive());

  QTest::mouseClick(window.playPauseTextButton(), Qt::LeftButton);
  EXPECT_EQ(now.playState(), PlayState::playing);
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("暂停"));
  EXPECT_EQ(picture(window.playPauseButton()), QStringLiteral("pause"));
  EXPECT_TRUE(window.spectrumTimer()->isActive());

  QTest::mouseClick(window.previousButton(), Qt::LeftButton);
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("Artist 1-Title 1"));
  QTest::mouseClick(window.nextButton(), Qt::LeftButton);
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("Artist 2-Title 2"));

  controller->stop();
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("等待播放"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("悠然音乐 6"));
  EXPECT_EQ(window.positionLabel()->text(), QStringLiteral("00:00"));
  EXPECT_EQ(window.totalTimeLabel()->text(), QStringLiteral("00:00"));
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("播放"));
  EXPECT_EQ(picture(window.playPauseButton()), QStringLiteral("play"));
  EXPECT_FALSE(window.spectrumTimer()->isActive());
}

TEST_F(TransportViewTest, TheKnobFollowsTheTickButNotWhileDragged) {
  addTracks(1, 44100 * 3);
  controller->playRow(1);
  waitMs(1300);
  controller->onTimerTick();
  EXPECT_EQ(window.positionLabel()->text(), QStringLiteral("00:01"));
  EXPECT_EQ(window.progressKnob()->x(), 382 + 108);  // 324 px over 3 s
  EXPECT_EQ(window.progressFill()->width(), 108);

  view->beginProgressDrag();
  view->onProgressDragTick(382 + 216 + kKnobSize / 2);
  EXPECT_EQ(window.progressKnob()->x(), 382 + 216);
  controller->onTimerTick();
  EXPECT_EQ(window.progressKnob()->x(), 382 + 216) << "a tick during a drag leaves the knob under the cursor";
  view->onProgressDragTick(5000);
  EXPECT_EQ(window.progressKnob()->x(), 706);
  view->onProgressDragTick(382 + 216 + kKnobSize / 2);
  view->endProgressDrag();
  EXPECT_FALSE(view->progressDragTimer()->isActive());
  EXPECT_NEAR(controller->livePositionSeconds(), 2.0, 0.15);
}

TEST_F(TransportViewTest, VolumeKnobDragAndTrackClick) {
  addTracks(1, 44100 * 2);
  controller->playRow(1);
  view->beginVolumeDrag();
  view->onVolumeDragTick(816 + 50 + kKnobSize / 2);
  EXPECT_EQ(now.volume(), 50);
  EXPECT_EQ(window.volumeLabel()->text(), QStringLiteral("50"));
  EXPECT_EQ(window.volumeFill()->width(), 50);
  EXPECT_EQ(window.volumeKnob()->x(), 866);
  EXPECT_TRUE(view->volumeDragTimer()->isActive());
  view->onVolumeDragTick(2000);  // past the right end: full, and the drag goes on
  EXPECT_EQ(now.volume(), 100);
  EXPECT_TRUE(view->volumeDragTimer()->isActive());
  view->onVolumeDragTick(0);  // past the left end: silent, and the drag ends
  EXPECT_EQ(now.volume(), 0);
  EXPECT_FALSE(view->volumeDragTimer()->isActive());

  // A click on the white volume track, in the track's own coordinates.
  QTest::mouseClick(window.volumeTrack(), Qt::LeftButton, {}, QPoint(30 + kKnobSize / 2, 2));
  EXPECT_EQ(now.volume(), 30);
  EXPECT_EQ(window.volumeKnob()->x(), 846);
}

TEST_F(TransportViewTest, ModeMenuMarksOneItemAndThePicture) {
  auto* menu = view->modeMenu();
  auto checkedItems = [menu] {
    QStringList names;
    for (auto* action : menu->actions())
      if (action->isChecked()) names << action->text();
    return names;
  };
  EXPECT_EQ(checkedItems(), QStringList{QStringLiteral("列表循环")});
  EXPECT_EQ(picture(window.modeButton()), QStringLiteral("loop_list"));

  struct Case {
    const char* item;
    PlayMode mode;
    const char* picture;
  };
  const Case cases[] = {{"单曲循环", PlayMode::singleRepeat, "loop_one"},
                        {"随机播放", PlayMode::shuffle, "shuffle"},
                        {"列表循环", PlayMode::listRepeat, "loop_list"}};
  for (const auto& c : cases) {
    menu->findChild<QAction*>(QString::fromUtf8(c.item))->trigger();
    EXPECT_EQ(now.mode(), c.mode) << c.item;
    EXPECT_EQ(checkedItems(), QStringList{QString::fromUtf8(c.item)});
    EXPECT_EQ(picture(window.modeButton()), QString::fromUtf8(c.picture));
    EXPECT_EQ(window.modeButton()->toolTip(), QString::fromUtf8(c.item));
  }
  // A mode set elsewhere (MPRIS, say) shows in the menu too.
  controller->setMode(PlayMode::shuffle);
  EXPECT_EQ(checkedItems(), QStringList{QStringLiteral("随机播放")});
}

// An output whose device comes and goes when the test says, telling its
// owner from a thread of its own as the sound device's output does.
class FickleOutput final : public AudioOutput {
 public:
  bool open(int rate, AudioSource&) override {
    rate_ = rate;
    return true;
  }
  void start() override {}
  void stop() override {}
  void close() override {}
  int rate() const override { return rate_; }
  void setStatusHandler(StatusHandler handler) override { handler_ = std::move(handler); }
  void report(OutputStatus status) {
    std::thread([this, status] { handler_(status); }).join();
  }

 private:
  int rate_ = 0;
  StatusHandler handler_;
};

TEST(OutputStatusTest, TheWindowSaysSoWhileNoDeviceOpensAndNoDialogPops) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  AudioEngine engine;
  PlayerApp app;
  PlayerAssembly assembly(app, engine);
  ASSERT_TRUE(app.start(folder / "player.lock"));
  engine.free();
  auto owned = std::make_unique<FickleOutput>();
  FickleOutput* output = owned.get();
  ASSERT_TRUE(engine.initWithOutput(std::move(owned)));
  auto* status = app.mainWindow()->findChild<QLabel*>(QStringLiteral("声音状态"));
  ASSERT_NE(status, nullptr);
  auto dialogs = [] {
    int n = 0;
    for (auto* widget : QApplication::topLevelWidgets())
      if (qobject_cast<NoticeDialog*>(widget) && widget->isVisible()) ++n;
    return n;
  };
  const int dialogsBefore = dialogs();
  EXPECT_FALSE(status->isVisible());

  output->report(OutputStatus::Lost);
  QTRY_VERIFY_WITH_TIMEOUT(status->isVisible(), 2000);
  EXPECT_EQ(status->text(), QStringLiteral("输出设备不可用，正在重新连接…"));
  testing::waitMs(300);
  EXPECT_EQ(dialogs(), dialogsBefore) << "a line in the window, not a dialog";

  output->report(OutputStatus::Back);
  QTRY_VERIFY_WITH_TIMEOUT(!status->isVisible(), 2000);
  EXPECT_TRUE(status->text().isEmpty());
  engine.free();
}

}  // namespace
}  // namespace youran
