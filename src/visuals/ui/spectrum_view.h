#pragma once

// `SpectrumView`: the small bar spectrum on `频谱画板`. Each tick of
// `频谱时钟` reads the playing stream's FFT, advances the bars and draws the
// frame into an off-screen picture that the canvas copies in one go. The
// timer itself is started and stopped by the transport view and the
// settings switch; a stop clears the canvas, a pause keeps the last frame.

#include <QColor>
#include <QImage>
#include <QObject>
#include <functional>

#include "visuals/spectrum_bars.h"

class QTimer;
class QWidget;

namespace youran {

class AudioEngine;
class NowPlaying;
enum class PlayState;

// One frame onto `canvas` (its size is the frame's): white background framed
// in the bar colour, the bars, their caps.
void drawSpectrumFrame(QImage& canvas, const SpectrumBars::Frame& frame, QColor barColor);

class SpectrumView : public QObject {
  Q_OBJECT
 public:
  static constexpr int kBarWidth = 2;

  // `currentStream` answers the playing stream's handle (0 for none).
  SpectrumView(QWidget& canvas, QTimer& timer, AudioEngine& engine, NowPlaying& nowPlaying,
               std::function<uint32_t()> currentStream, QObject* parent = nullptr);

  // The timer's handler: one frame in black with bars 2 pixels wide.
  void onSpectrumTick();
  void drawSpectrum(uint32_t stream, QColor barColor = QColor(255, 255, 0), int barWidth = kBarWidth);
  // An empty canvas, as after a stop.
  void clear();

  const QImage& picture() const { return picture_; }
  const SpectrumBars& bars() const { return bars_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onPlayState(PlayState state);

  QWidget& canvas_;
  AudioEngine& engine_;
  std::function<uint32_t()> currentStream_;
  SpectrumBars bars_;
  SpectrumBars::Frame frame_;
  QImage picture_;
  QImage shown_;  // the frame before picture_
};

}  // namespace youran
