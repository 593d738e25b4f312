#pragma once

// Shared by the UI tests that play: rows over short tones, and a wait that
// keeps the event loop (and so the timers) running.

#include <QElapsedTimer>
#include <QTest>
#include <string>

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

}  // namespace youran::testing
