#include "playback/controller/playback_controller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <set>

#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/controller/track_labels.h"
#include "playback/controller/track_start_steps.h"
#include "playlist/music_list_file.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"
#include "support/qt/tone_tracks.h"

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
    playlist->attachView(&view);
    controller = std::make_unique<PlaybackController>(engine, now, *playlist);
    playlist->followNowPlaying(now);
    controller->seedShuffle(7);
  }
  void TearDown() override {
    controller->stop();
    controller.reset();
    playlist.reset();
  }

  void addTracks(int count, int frames = 22050) { testing::addToneTracks(*playlist, folder, count, frames); }
  static void waitMs(int ms) { testing::waitMs(ms); }

  testing::TempFolder folder;
  AudioEngine engine;
  NowPlaying now;
  QTableView view;
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
  EXPECT_EQ(now.title(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(now.currentRow(), 2);
  EXPECT_EQ(now.displayName(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(now.track().song, QStringLiteral("Title 2"));
  EXPECT_EQ(now.track().artist, QStringLiteral("Artist 2"));
  EXPECT_TRUE(now.track().path.endsWith(QStringLiteral("track2.wav")));
  EXPECT_EQ(now.windowTitle(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(now.playState(), PlayState::playing);
  EXPECT_EQ(now.lengthText(), QStringLiteral("00:00"));  // half a second
  EXPECT_TRUE(controller->playbackTimer()->isActive());
  EXPECT_EQ(controller->playbackTimer()->interval(), 500);
  EXPECT_EQ(playlist->selectedRow(), 2);
  EXPECT_EQ(now.positionText(), QStringLiteral("00:00"));
  EXPECT_EQ(now.progressValue(), 0u);

  controller->stop();
  EXPECT_TRUE(controller->stopped());
  EXPECT_EQ(now.title(), QStringLiteral("等待播放"));
  EXPECT_EQ(now.windowTitle(), QStringLiteral("悠然音乐 6"));
  EXPECT_EQ(now.positionText(), QStringLiteral("00:00"));
  EXPECT_EQ(now.lengthText(), QStringLiteral("00:00"));
  EXPECT_EQ(now.currentRow(), 2) << "a stop keeps the current row for play/pause";
  EXPECT_FALSE(controller->playbackTimer()->isActive());
  EXPECT_EQ(now.playState(), PlayState::idle);
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
  EXPECT_EQ(now.mode(), PlayMode::listRepeat);

  controller->playRow(3);
  controller->onTrackEnd();  // the last track ends: row 1
  EXPECT_EQ(controller->currentIndex(), 1);
  controller->onTrackEnd();
  EXPECT_EQ(controller->currentIndex(), 2);

  controller->setMode(PlayMode::singleRepeat);
  EXPECT_EQ(now.mode(), PlayMode::singleRepeat);
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
  EXPECT_EQ(now.lengthText(), QStringLiteral("00:03"));
  waitMs(1300);
  controller->onTimerTick();
  EXPECT_EQ(now.positionText(), QStringLiteral("00:01"));
  EXPECT_EQ(now.positionWholeSeconds(), 1);
  EXPECT_NEAR(controller->pixelsPerSecond(), 108.0, 1e-9);
  ASSERT_GT(now.progressMaximum(), 0u);
  EXPECT_NEAR(static_cast<double>(now.progressValue()) / now.progressMaximum(), 1.3 / 3, 0.1);
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
  controller->togglePlayPause();
  EXPECT_EQ(engine.isActive(controller->currentStream()), 3);
  EXPECT_EQ(now.playState(), PlayState::paused);
  EXPECT_FALSE(controller->playbackTimer()->isActive());
  auto paused = engine.getPosition(controller->currentStream());
  waitMs(300);
  EXPECT_EQ(engine.getPosition(controller->currentStream()), paused);

  controller->togglePlayPause();
  EXPECT_TRUE(heard(engine.isActive(controller->currentStream())));
  EXPECT_TRUE(controller->playbackTimer()->isActive());
  EXPECT_EQ(now.playState(), PlayState::playing);
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
  EXPECT_EQ(playlist->list().atIndex(1).name, "Artist 3-Title 3");
  EXPECT_EQ(playlist->list().atIndex(1).number, "  2");
  EXPECT_EQ(controller->currentIndex(), 2) << "the playing track moved up one row";
  EXPECT_EQ(controller->currentStream(), stream);
  TrackList saved;
  ASSERT_EQ(loadMusicList(musicListPath(), saved).status, MusicListStatus::loaded);
  EXPECT_EQ(saved.size(), 2u);
}

TEST_F(PlaybackControllerTest, CurrentRowRemovedPastTheEndStops) {
  addTracks(2);
  controller->playRow(2);
  playlist->list().removeAtIndex(1);
  controller->onTrackEnd();
  EXPECT_TRUE(controller->stopped());
}

TEST_F(PlaybackControllerTest, VolumeKnobAndSeeking) {
  addTracks(1, 44100 * 4);
  controller->playRow(1);
  controller->setVolumePercent(50);
  EXPECT_EQ(now.volume(), 50);
  controller->setVolumePercent(150);
  EXPECT_EQ(now.volume(), 100);
  controller->setVolumePercent(-3);
  EXPECT_EQ(now.volume(), 0);

  controller->onTimerTick();  // learns the track's pixels per second
  ASSERT_GT(controller->pixelsPerSecond(), 0);
  controller->seekToKnob(382 + 162);  // half way
  double seconds = engine.bytesToSeconds(controller->currentStream(), engine.getPosition(controller->currentStream()));
  EXPECT_NEAR(seconds, 2.0, 0.15);

  controller->clickProgressTrack(382 + 81 + kKnobSize);  // a quarter
  seconds = engine.bytesToSeconds(controller->currentStream(), engine.getPosition(controller->currentStream()));
  EXPECT_NEAR(seconds, 1.0, 0.15);
}

// Records the other parts' steps in the order the controller runs them,
// with what the now-playing state held at that moment.
class RecordingSteps : public TrackStartSteps {
 public:
  explicit RecordingSteps(const NowPlaying& now) : now_(now) {}
  void loadLyrics(const QString& name) override { note("lyrics " + name); }
  void loadCover(const QString& name) override { note("cover " + name); }
  void startLyricTimer() override { note("lyric timer"); }
  void showDefaultCover() override { note("default cover"); }
  QStringList calls;

 private:
  void note(const QString& step) {
    // Every step sees the new track already, and the stream not yet playing.
    calls << step + (now_.playState() == PlayState::playing ? " (playing)" : "") + " @" +
                 QString::number(now_.currentRow());
  }
  const NowPlaying& now_;
};

TEST_F(PlaybackControllerTest, TrackStartRunsTheOtherPartsStepsInOrder) {
  addTracks(2);
  RecordingSteps steps(now);
  controller->setTrackStartSteps(&steps);
  controller->playRow(2);
  EXPECT_EQ(steps.calls, (QStringList{"lyrics Artist 2-Title 2 @2", "cover Artist 2-Title 2 @2", "lyric timer @2",
                                      "default cover @2"}));
  steps.calls.clear();
  controller->playRow(7);  // no such row: no step runs
  std::filesystem::remove(folder / "track1.wav");
  controller->playRow(1);  // a missing file: no step runs either
  EXPECT_TRUE(steps.calls.isEmpty());
  controller->setTrackStartSteps(nullptr);
}

TEST_F(PlaybackControllerTest, NowPlayingSignalsOncePerChange) {
  addTracks(3, 44100 * 4);
  QSignalSpy tracks(&now, &NowPlaying::trackChanged);
  QSignalSpy states(&now, &NowPlaying::playStateChanged);
  QSignalSpy positions(&now, &NowPlaying::positionChanged);
  QSignalSpy volumes(&now, &NowPlaying::volumeChanged);
  QSignalSpy modes(&now, &NowPlaying::modeChanged);

  controller->playRow(1);
  controller->next();
  controller->onTrackEnd();
  EXPECT_EQ(tracks.count(), 3) << "one trackChanged per track start";
  EXPECT_EQ(states.count(), 1) << "playing stays playing from track to track";
  controller->next();  // last row: nothing starts
  controller->playRow(0);
  EXPECT_EQ(tracks.count(), 3);

  waitMs(700);  // the 500 ms timer moves the position while playing
  EXPECT_GE(positions.count(), 1);
  controller->togglePlayPause();
  ASSERT_EQ(now.playState(), PlayState::paused);
  EXPECT_EQ(states.count(), 2);
  EXPECT_FALSE(controller->playbackTimer()->isActive());
  positions.clear();
  waitMs(1100);  // the timer is stopped, so no tick arrives while paused
  EXPECT_EQ(positions.count(), 0);

  controller->setVolumePercent(40);
  controller->setVolumePercent(40);
  controller->setVolumePercent(400);
  ASSERT_EQ(volumes.count(), 2);
  EXPECT_EQ(volumes.at(0).at(0).toInt(), 40);
  EXPECT_EQ(volumes.at(1).at(0).toInt(), 100);

  controller->setMode(PlayMode::shuffle);
  controller->setMode(PlayMode::shuffle);
  controller->setMode(PlayMode::listRepeat);
  ASSERT_EQ(modes.count(), 2);
  EXPECT_EQ(modes.at(0).at(0).value<PlayMode>(), PlayMode::shuffle);

  controller->stop();
  EXPECT_EQ(now.playState(), PlayState::idle);
  EXPECT_EQ(states.count(), 3);
}

TEST_F(PlaybackControllerTest, RowsRemovedAboveTheCurrentTrackMoveItsRow) {
  addTracks(3);
  controller->playRow(3);
  QSignalSpy rows(&now, &NowPlaying::rowChanged);
  std::filesystem::remove(folder / "track1.wav");
  controller->playRow(1);
  EXPECT_EQ(controller->currentIndex(), 2);
  EXPECT_EQ(now.currentRow(), 2);
  EXPECT_EQ(rows.count(), 1);
  EXPECT_EQ(now.displayName(), QStringLiteral("Artist 3-Title 3"));
}

TEST_F(PlaybackControllerTest, AStreamThatCannotBeCreatedStopsAndSaysSo) {
  auto path = folder / "noise.mp3";
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(4000, 'x');
  }
  playlist->list().addTrack(path.string(), "00:00", "Bad-Noise", "真");
  QStringList failed;
  QObject::connect(controller.get(), &PlaybackController::trackFailed,
                   [&failed](const QString& name, const QString&) { failed << name; });
  controller->playRow(1);
  EXPECT_EQ(controller->currentStream(), 0u);
  EXPECT_EQ(now.currentRow(), 1);
  EXPECT_EQ(failed, QStringList{QStringLiteral("Bad-Noise")});
  EXPECT_EQ(now.playState(), PlayState::idle) << "the controls show the stop, not a pause";
  EXPECT_EQ(now.title(), QStringLiteral("等待播放"));
  EXPECT_EQ(now.lengthText(), QStringLiteral("00:00"));
  EXPECT_FALSE(controller->playbackTimer()->isActive());
}

// Gapless: the row the end starts is opened ahead and joined in the engine;
// its track start runs when the join is heard, not at the next tick, and
// only then. A user's action still takes the usual road.
TEST_F(PlaybackControllerTest, GaplessJoinStartsTheNextTrackWhenItIsHeard) {
  addTracks(3, 55125);  // 1.25 s each: the join falls between two ticks
  struct AtJoin : TrackStartSteps {
    AudioEngine* engine = nullptr;
    PlaybackController* controller = nullptr;
    QStringList names;
    double heardAt = -1;  // the new track's heard position when its lyrics were asked for
    void loadLyrics(const QString& name) override {
      names << name;
      const uint32_t stream = controller->currentStream();
      heardAt = engine->bytesToSeconds(stream, engine->getPosition(stream));
    }
  } steps;
  steps.engine = &engine;
  steps.controller = controller.get();
  controller->setTrackStartSteps(&steps);
  controller->setGapless(true);
  controller->startRow(1);

  // Shorter than the lead, so the following row is opened at the first tick.
  ASSERT_TRUE(QTest::qWaitFor([&] { return controller->followingStream() != 0; }, 2000));
  const uint32_t following = controller->followingStream();
  EXPECT_EQ(now.currentRow(), 1) << "nothing of row 2 shows before it is heard";
  EXPECT_EQ(steps.names, QStringList{QStringLiteral("Artist 1-Title 1")});

  ASSERT_TRUE(QTest::qWaitFor([&] { return controller->currentIndex() == 2; }, 3000));
  EXPECT_EQ(controller->currentStream(), following) << "the joined stream plays on: no new stream, no set-up";
  EXPECT_EQ(steps.names.last(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_GE(steps.heardAt, 0.0);
  EXPECT_LT(steps.heardAt, 0.1) << "the track start waited for a tick instead of the join";
  EXPECT_EQ(now.currentRow(), 2);
  EXPECT_EQ(playlist->selectedRow(), 2);
  EXPECT_EQ(now.windowTitle(), QStringLiteral("Artist 2-Title 2"));
  EXPECT_EQ(now.playState(), PlayState::playing);
  EXPECT_LT(now.positionSeconds(), 0.1) << "the clock starts again at 0";
  // No fade-in: the first 50 ms are as loud as the rest of the tone.
  waitMs(50);
  const int early = engine.getLevel(following).first;
  waitMs(400);
  const int later = engine.getLevel(following).first;
  EXPECT_GT(early, later * 9 / 10) << early << " then " << later;

  // Row 3 is joined to row 2 in turn; a user's next drops it and starts
  // row 3 the usual way, with a stream of its own.
  ASSERT_TRUE(QTest::qWaitFor([&] { return controller->followingStream() != 0; }, 2000));
  const uint32_t queued = controller->followingStream();
  controller->next();
  EXPECT_EQ(controller->followingStream(), 0u);
  EXPECT_EQ(controller->currentIndex(), 3);
  EXPECT_NE(controller->currentStream(), queued);
  EXPECT_EQ(engine.isActive(queued), AudioEngine::kStopped);

  // Turned off, nothing is joined and the end starts the next row as always.
  controller->setGapless(false);
  waitMs(700);
  EXPECT_EQ(controller->followingStream(), 0u);
  controller->setTrackStartSteps(nullptr);
}

}  // namespace
}  // namespace youran
