#include "playback/controller/playback_controller.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <set>

#include "app/main_window.h"
#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/controller/track_labels.h"
#include "playlist/music_list_file.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"

namespace youran {
namespace {

TEST(TrackLabels, DisplayNameSplitsIntoSongAndArtist) {
  struct Case {
    const char* name;
    const char* song;
    const char* artist;
  };
  const Case cases[] = {
      {"A-B", "B", "A"},
      {"周杰伦-晴天", "晴天", "周杰伦"},
      {" A - B ", "B", "A"},
      {"-B", "-B", "未和艺术家"},
      {"A-B-C", "C", "A-B"},
      {"AB", "AB", "未和艺术家"},
      {" ", "", "未和艺术家"},
  };
  for (const auto& c : cases) {
    auto labels = splitDisplayName(c.name);
    EXPECT_EQ(labels.song, c.song) << c.name;
    EXPECT_EQ(labels.artist, c.artist) << c.name;
  }
}

TEST(TrackLabels, ProgressGeometryNeverDividesByZero) {
  EXPECT_DOUBLE_EQ(ProgressGeometry::pixelsPerSecond(324), 1.0);
  EXPECT_DOUBLE_EQ(ProgressGeometry::pixelsPerSecond(0), 0.0);
  EXPECT_EQ(ProgressGeometry::knobX(0, 0.0), 382);
  EXPECT_EQ(ProgressGeometry::knobX(162, 1.0), 544);
  EXPECT_EQ(ProgressGeometry::knobX(999, 1.0), 706);
  EXPECT_DOUBLE_EQ(ProgressGeometry::secondsAt(544, 1.0), 162.0);
  EXPECT_DOUBLE_EQ(ProgressGeometry::secondsAt(544, 0.0), 0.0);
  EXPECT_TRUE(trackEnded(0, 9999));
  EXPECT_FALSE(trackEnded(0, 10000));
  EXPECT_TRUE(trackEnded(5000, 2000));
}

// Playing, or stalled for a moment while the first audio is decoded.
bool heard(int activity) { return activity == 1 || activity == 2; }

class PlaybackControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDataFolder(folder.path());
    engine.init(0);
    ConversionFunctions none;
    playlist = std::make_unique<PlaylistController>(none);
    playlist->attachView(window.findChild<QTableView*>(QStringLiteral("播放列表框")));
    controller = std::make_unique<PlaybackController>(engine, window, *playlist);
    controller->seedShuffle(7);
  }
  void TearDown() override {
    controller->stop();
    controller.reset();
    playlist.reset();
  }

  // Rows named "Artist N-Title N" over tones of `frames` frames.
  void addTracks(int count, int frames = 22050) {
    for (int i = 1; i <= count; ++i) {
      auto path = folder / ("track" + std::to_string(i) + ".wav");
      testing::writeToneWav(path, frames);
      playlist->list().addTrack(path.string(), "00:00",
                                "Artist " + std::to_string(i) + "-Title " + std::to_string(i), "真");
    }
  }

  void waitMs(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QTest::qWait(10);
  }

  testing::TempFolder folder;
  AudioEngine engine;
  MainWindow window;
  std::unique_ptr<PlaylistController> playlist;
  std::unique_ptr<PlaybackController> controller;
};

TEST_F(PlaybackControllerTest, PlayRowShowsTheTrackAndPlays) {
  addTracks(2);
  controller->playRow(2);
  EXPECT_EQ(controller->currentIndex(), 2);
  EXPECT_NE(controller->currentStream(), 0u);
  EXPECT_FALSE(controller->stopped());
  EXPECT_TRUE(heard(engine.isActive(controller->currentStream())));
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(window.songLabel()->text(), QStringLiteral("Title 2"));
  EXPECT_EQ(window.artistLabel()->text(), QStringLiteral("Artist 2"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("暂停"));
  EXPECT_EQ(window.playPauseButton()->property("picture").toString(), QStringLiteral("pause"));
  EXPECT_TRUE(controller->playbackTimer()->isActive());
  EXPECT_EQ(controller->playbackTimer()->interval(), 500);
  EXPECT_EQ(playlist->selectedRow(), 2);
  EXPECT_EQ(window.progressKnob()->x(), 382);

  controller->stop();
  EXPECT_TRUE(controller->stopped());
  EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("等待播放"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("悠然音乐 6"));
  EXPECT_EQ(window.positionLabel()->text(), QStringLiteral("00:00"));
  EXPECT_EQ(window.totalTimeLabel()->text(), QStringLiteral("00:00"));
  EXPECT_FALSE(controller->playbackTimer()->isActive());
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("播放"));
}

TEST_F(PlaybackControllerTest, RowsOutsideTheListStartNothing) {
  addTracks(3);
  controller->playRow(3);
  auto stream = controller->currentStream();
  controller->next();  // last row, list repeat: keeps the track
  EXPECT_EQ(controller->currentIndex(), 3);
  EXPECT_EQ(controller->currentStream(), stream);
  EXPECT_TRUE(heard(engine.isActive(stream)));

  controller->playRow(1);
  stream = controller->currentStream();
  controller->previous();  // row 1: keeps the track
  EXPECT_EQ(controller->currentIndex(), 1);
  EXPECT_EQ(controller->currentStream(), stream);
  controller->playRow(0);
  controller->playRow(99);
  EXPECT_EQ(controller->currentStream(), stream);
}

TEST_F(PlaybackControllerTest, TrackEndFollowsThePlayMode) {
  addTracks(3);
  EXPECT_EQ(controller->mode(), PlayMode::listRepeat);
  EXPECT_TRUE(controller->modeMenu()->findChild<QAction*>(QStringLiteral("列表循环"))->isChecked());

  controller->playRow(3);
  controller->onTrackEnd();  // the last track ends: row 1
  EXPECT_EQ(controller->currentIndex(), 1);
  controller->onTrackEnd();
  EXPECT_EQ(controller->currentIndex(), 2);

  controller->modeMenu()->findChild<QAction*>(QStringLiteral("单曲循环"))->trigger();
  EXPECT_EQ(controller->mode(), PlayMode::singleRepeat);
  int checked = 0;
  for (auto* action : controller->modeMenu()->actions()) checked += action->isChecked();
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(window.modeButton()->property("picture").toString(), QStringLiteral("loop_one"));
  auto before = controller->currentStream();
  controller->onTrackEnd();
  EXPECT_EQ(controller->currentIndex(), 2);
  EXPECT_NE(controller->currentStream(), 0u);
  EXPECT_TRUE(heard(engine.isActive(controller->currentStream())));
  (void)before;
}

TEST_F(PlaybackControllerTest, ShuffleReachesEveryRowAndNeverGoesSilent) {
  addTracks(5);
  controller->setMode(PlayMode::shuffle);
  controller->playRow(1);
  std::set<int> seen;
  for (int draw = 0; draw < 200 && seen.size() < 5; ++draw) {
    if (draw % 2) controller->next(); else controller->onTrackEnd();
    ASSERT_GE(controller->currentIndex(), 1);
    ASSERT_LE(controller->currentIndex(), 5);
    ASSERT_TRUE(heard(engine.isActive(controller->currentStream()))) << "silent after draw " << draw;
    seen.insert(controller->currentIndex());
  }
  EXPECT_EQ(seen.size(), 5u);
}

TEST_F(PlaybackControllerTest, TimerCountsAndEndsTheTrack) {
  addTracks(2, 44100 * 3);
  controller->playRow(1);
  EXPECT_EQ(window.totalTimeLabel()->text(), QStringLiteral("00:03"));
  waitMs(1300);
  controller->onTimerTick();
  EXPECT_EQ(window.positionLabel()->text(), QStringLiteral("00:01"));
  EXPECT_NEAR(controller->pixelsPerSecond(), 108.0, 1e-9);
  EXPECT_EQ(window.progressKnob()->x(), 382 + 108);
  EXPECT_EQ(window.progressFill()->width(), 108);
  EXPECT_EQ(controller->currentIndex(), 1);
}

TEST_F(PlaybackControllerTest, TrackShorterThan9999BytesEndsAtTheFirstTick) {
  testing::writeToneWav(folder / "blip.wav", 1000, 44100, 1);  // 2000 bytes
  playlist->list().addTrack((folder / "blip.wav").string(), "00:00", "Blip-Blip", "真");
  addTracks(1);
  controller->playRow(1);
  controller->onTimerTick();
  EXPECT_EQ(controller->currentIndex(), 2);
}

TEST_F(PlaybackControllerTest, PauseWithThePictureButtonResumeWithToggle) {
  addTracks(1, 44100 * 5);
  controller->playRow(1);
  waitMs(300);
  QTest::mouseClick(window.playPauseButton(), Qt::LeftButton);
  EXPECT_EQ(engine.isActive(controller->currentStream()), 3);
  EXPECT_EQ(window.playPauseButton()->property("picture").toString(), QStringLiteral("play"));
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("继续"));
  EXPECT_FALSE(controller->playbackTimer()->isActive());
  auto paused = engine.getPosition(controller->currentStream());
  waitMs(300);
  EXPECT_EQ(engine.getPosition(controller->currentStream()), paused);

  controller->togglePlayPause();
  EXPECT_TRUE(heard(engine.isActive(controller->currentStream())));
  EXPECT_TRUE(controller->playbackTimer()->isActive());
  EXPECT_EQ(window.playPauseTextButton()->text(), QStringLiteral("暂停"));
  waitMs(300);
  EXPECT_GT(engine.getPosition(controller->currentStream()), paused);
}

TEST_F(PlaybackControllerTest, ToggleWithNothingSelectedPlaysTheCurrentRowAgain) {
  addTracks(2);
  controller->togglePlayPause();  // nothing selected, nothing played yet
  EXPECT_EQ(controller->currentStream(), 0u);
  controller->playRow(2);
  controller->stop();
  playlist->view()->clearSelection();
  controller->togglePlayPause();
  EXPECT_EQ(controller->currentIndex(), 2);
  EXPECT_TRUE(heard(engine.isActive(controller->currentStream())));
}

TEST_F(PlaybackControllerTest, MissingFileDropsItsOwnRowAndSavesTheList) {
  addTracks(3);
  controller->playRow(3);
  auto stream = controller->currentStream();
  std::filesystem::remove(folder / "track2.wav");
  controller->playRow(2);
  EXPECT_EQ(playlist->list().size(), 2u);
  EXPECT_EQ(playlist->list().row(1).name, "Artist 3-Title 3");
  EXPECT_EQ(playlist->list().row(1).number, "  2");
  EXPECT_EQ(controller->currentIndex(), 2) << "the playing track moved up one row";
  EXPECT_EQ(controller->currentStream(), stream);
  TrackList saved;
  ASSERT_EQ(loadMusicList(musicListPath(), saved).status, MusicListStatus::loaded);
  EXPECT_EQ(saved.size(), 2u);
}

TEST_F(PlaybackControllerTest, CurrentRowRemovedPastTheEndStops) {
  addTracks(2);
  controller->playRow(2);
  playlist->list().removeRow(1);
  controller->onTrackEnd();
  EXPECT_TRUE(controller->stopped());
}

TEST_F(PlaybackControllerTest, VolumeKnobAndSeeking) {
  addTracks(1, 44100 * 4);
  controller->playRow(1);
  controller->beginVolumeDrag();
  controller->onVolumeDragTick(816 + 50 + MainWindow::kKnobSize / 2);
  EXPECT_EQ(controller->volume(), 50);
  EXPECT_EQ(window.volumeLabel()->text(), QStringLiteral("50"));
  EXPECT_EQ(window.volumeFill()->width(), 50);
  EXPECT_TRUE(controller->volumeDragTimer()->isActive());
  controller->onVolumeDragTick(2000);
  EXPECT_EQ(controller->volume(), 100);
  controller->onVolumeDragTick(0);  // past the left end: silent, and the drag ends
  EXPECT_EQ(controller->volume(), 0);
  EXPECT_FALSE(controller->volumeDragTimer()->isActive());

  controller->onTimerTick();  // learns the track's pixels per second
  ASSERT_GT(controller->pixelsPerSecond(), 0);
  controller->beginProgressDrag();
  controller->onProgressDragTick(382 + 162 + MainWindow::kKnobSize / 2);  // half way
  controller->endProgressDrag();
  double seconds = engine.bytesToSeconds(controller->currentStream(), engine.getPosition(controller->currentStream()));
  EXPECT_NEAR(seconds, 2.0, 0.15);

  controller->clickProgressTrack(382 + 81 + MainWindow::kKnobSize);  // a quarter
  seconds = engine.bytesToSeconds(controller->currentStream(), engine.getPosition(controller->currentStream()));
  EXPECT_NEAR(seconds, 1.0, 0.15);
}

}  // namespace
}  // namespace youran
