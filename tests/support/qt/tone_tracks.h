#pragma once

// Shared by the UI tests that play: rows over short tones, a wait that keeps
// the event loop (and so the timers) running, and the fixture that plays.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTableView>
#include <QTest>
#include <memory>
#include <string>

#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"

namespace youran::testing {

// Rows "Artist N-Title N" over track N.wav tones of `frames` frames.
inline void addToneTracks(PlaylistController& playlist, const TempFolder& folder, int count, int frames) {
  for (int i = 1; i <= count; ++i) {
    auto path = folder / ("track" + std::to_string(i) + ".wav");
    writeToneWav(path, frames);
    playlist.list().addTrack(path.string(), "00:00", "Artist " + std::to_string(i) + "-Title " + std::to_string(i),
                             "真");
  }
}

inline void waitMs(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QTest::qWait(10);
}

// A data folder of its own, the engine on its no-sound output, a playlist
// shown in the view given to startPlaying, and the controller writing `now`.
// The derived fixture resets its views over them, then calls this TearDown;
// its widgets go last, after the playlist that shows rows in them.
class PlayingFixture : public ::testing::Test {
 protected:
  void startPlaying(QTableView* view) {
    setDataFolder(folder.path());
    engine.init(0);
    playlist = std::make_unique<PlaylistController>(ConversionFunctions{});
    playlist->attachView(view);
    controller = std::make_unique<PlaybackController>(engine, now, *playlist);
    playlist->followNowPlaying(now);
  }
  void TearDown() override {
    if (controller) controller->stop();
    controller.reset();
    playlist.reset();
  }

  void addTracks(int count, int frames) { addToneTracks(*playlist, folder, count, frames); }

  TempFolder folder;
  AudioEngine engine;
  NowPlaying now;
  std::unique_ptr<PlaylistController> playlist;
  std::unique_ptr<PlaybackController> controller;
};

}  // namespace youran::testing
