// The spectrum widget: what a frame looks like, what a tone through the
// engine draws, and how the canvas follows play, pause and stop.
#include "visuals/ui/spectrum_view.h"

#include <gtest/gtest.h>

#include <QTableView>
#include <QTimer>
#include <QWidget>

#include "support/qt/tone_tracks.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/transport_view.h"
#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"

namespace youran {
namespace {

bool black(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0; }

// Height of bar n: the black pixels of its right column above the frame.
int barPixels(const QImage& image, int n) {
  int count = 0;
  for (int y = 1; y < image.height() - 1; ++y) count += black(image, 3 * n + 1, y) ? 1 : 0;
  return count;
}

TEST(SpectrumFrameTest, BarsCapsAndTheFrameLandOnTheirPixels) {
  SpectrumBars::Frame frame;
  frame.width = 20;
  frame.height = 10;
  frame.count = 2;
  frame.bars[0] = {0, 4, 2, 10};  // six high
  frame.caps[0] = {0, 2, 2, 3};
  frame.bars[1] = {3, 10, 5, 10};  // empty
  frame.caps[1] = {3, 8, 5, 9};
  QImage canvas(20, 10, QImage::Format_RGB32);
  drawSpectrumFrame(canvas, frame, Qt::black);
  for (int x = 0; x < 20; ++x) {
    EXPECT_TRUE(black(canvas, x, 0)) << x;
    EXPECT_TRUE(black(canvas, x, 9)) << x;
  }
  for (int y = 0; y < 10; ++y) EXPECT_TRUE(black(canvas, 19, y));
  for (int y = 4; y < 10; ++y) EXPECT_TRUE(black(canvas, 1, y)) << y;
  EXPECT_FALSE(black(canvas, 1, 3));
  EXPECT_TRUE(black(canvas, 1, 2)) << "cap";
  EXPECT_FALSE(black(canvas, 2, 5)) << "the gap";
  EXPECT_TRUE(black(canvas, 3, 8) && black(canvas, 4, 8)) << "second cap";
  EXPECT_FALSE(black(canvas, 4, 7));
  EXPECT_EQ(canvas.pixel(10, 5), qRgb(255, 255, 255));
}

class SpectrumViewTest : public testing::PlayingFixture {
 protected:
  void SetUp() override {
    startPlaying(window.findChild<QTableView*>(QStringLiteral("播放列表框")));
    transport = std::make_unique<TransportView>(window, now, *controller);
    view = std::make_unique<SpectrumView>(*window.spectrumCanvas(), *window.spectrumTimer(), engine, now,
                                          [this] { return controller->currentStream(); });
    window.show();
  }
  void TearDown() override {
    controller->stop();
    view.reset();
    transport.reset();
    PlayingFixture::TearDown();
  }

  MainWindow window;
  std::unique_ptr<TransportView> transport;
  std::unique_ptr<SpectrumView> view;
};

TEST_F(SpectrumViewTest, AToneOfOneKilohertzDrawsItsTallestBarThere) {
  // Quiet enough that its bins stay below the 34-pixel canvas.
  auto path = folder / "tone.wav";
  testing::writeToneWav(path, 44100 * 3, 44100, 2, 1000.0, 0.03);
  const uint32_t stream = engine.createStream(path.string());
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(engine.play(stream));
  testing::waitMs(400);
  view->drawSpectrum(stream, Qt::black, 2);
  engine.stop(stream);

  const QImage& frame = view->picture();
  ASSERT_EQ(frame.size(), QSize(164, 34));
  // Bar 54's right column is the frame's; bars 1..53 are read.
  int tallest = 1;
  for (int n = 1; n < 54; ++n)
    if (barPixels(frame, n) > barPixels(frame, tallest)) tallest = n;
  // 1 kHz lies in FFT bin 11.6 of 256 at 44.1 kHz: bins 12 and 13 here, so
  // bar 3 (bins 10..12) or bar 4 (bins 13..15).
  EXPECT_TRUE(tallest == 3 || tallest == 4) << "tallest bar " << tallest;
  EXPECT_GE(barPixels(frame, tallest), 5);
  for (int n = 10; n < 54; ++n) EXPECT_LE(barPixels(frame, n), 2) << "bar " << n;
}

TEST_F(SpectrumViewTest, PauseKeepsTheFrameAndStopClearsTheCanvas) {
  testing::addToneTracks(*playlist, folder, 1, 44100 * 5);
  controller->playRow(1);
  ASSERT_TRUE(window.spectrumTimer()->isActive());
  testing::waitMs(300);
  ASSERT_FALSE(view->picture().isNull());
  int loud = 0;
  for (int n = 0; n < 10; ++n) loud = std::max(loud, barPixels(view->picture(), n));
  EXPECT_GT(loud, 5) << "the 440 Hz tone moves the low bars";

  controller->togglePlayPause();
  ASSERT_EQ(now.playState(), PlayState::paused);
  EXPECT_FALSE(window.spectrumTimer()->isActive());
  const QImage paused = view->picture();
  testing::waitMs(150);
  EXPECT_EQ(view->picture(), paused);
  // The canvas shows the frame as drawn.
  EXPECT_EQ(window.spectrumCanvas()->grab().toImage().convertToFormat(QImage::Format_RGB32), paused);

  controller->togglePlayPause();
  EXPECT_TRUE(window.spectrumTimer()->isActive());
  controller->stop();
  EXPECT_FALSE(window.spectrumTimer()->isActive());
  EXPECT_TRUE(view->picture().isNull());
  EXPECT_NE(window.spectrumCanvas()->grab().toImage().pixel(0, 10) & 0xFFFFFF, 0u) << "no frame is left";
}

TEST_F(SpectrumViewTest, HiddenCanvasIsNotDrawn) {
  window.spectrumCanvas()->hide();
  view->onSpectrumTick();
  EXPECT_TRUE(view->picture().isNull());
  window.spectrumCanvas()->show();
  view->onSpectrumTick();
  // No stream: only the background and the frame.
  ASSERT_FALSE(view->picture().isNull());
  EXPECT_EQ(view->picture().pixel(10, 10), qRgb(255, 255, 255));
  EXPECT_EQ(view->picture().pixel(0, 10), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace youran
