#include "visuals/ui/spectrum_view.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <array>

#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"

namespace youran {

namespace {

// A GDI rectangle as Qt's: right and bottom are outside.
QRect toQRect(const SpectrumRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

// Fills the part of `r` inside the picture; the picture is 32 bits a pixel.
void fillPixels(QImage& image, const QRect& r, QRgb color) {
  const QRect inside = r.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(line + inside.left(), line + inside.right() + 1, color);
  }
}

// FrameRect: a one-pixel outline inside the rectangle; two pixels wide or
// high it is solid.
void frameRect(QImage& image, const QRect& r, QRgb color) {
  if (r.isEmpty()) return;
  if (r.width() <= 2 || r.height() <= 2) {
    fillPixels(image, r, color);
    return;
  }
  fillPixels(image, QRect(r.left(), r.top(), r.width(), 1), color);
  fillPixels(image, QRect(r.left(), r.bottom(), r.width(), 1), color);
  fillPixels(image, QRect(r.left(), r.top() + 1, 1, r.height() - 2), color);
  fillPixels(image, QRect(r.right(), r.top() + 1, 1, r.height() - 2), color);
}

// The smallest rectangle holding every pixel in which two frames differ.
QRect changedArea(const QImage& now, const QImage& before) {
  if (now.size() != before.size() || now.format() != before.format()) return now.rect();
  const int width = now.width();
  int left = width, right = -1, top = -1, bottom = -1;
  for (int y = 0; y < now.height(); ++y) {
    const auto* a = reinterpret_cast<const QRgb*>(now.constScanLine(y));
    const auto* b = reinterpret_cast<const QRgb*>(before.constScanLine(y));
    if (std::equal(a, a + width, b)) continue;
    int x = 0;
    while (a[x] == b[x]) ++x;
    int last = width - 1;
    while (a[last] == b[last]) --last;
    left = std::min(left, x);
    right = std::max(right, last);
    if (top < 0) top = y;
    bottom = y;
  }
  if (top < 0) return {};
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

void drawSpectrumFrame(QImage& canvas, const SpectrumBars::Frame& frame, QColor barColor) {
  // Plain fills, written straight into the picture: thirty frames a second
  // of a painter's set-up cost more than the bars themselves.
  if (canvas.depth() != 32) canvas = canvas.convertToFormat(QImage::Format_RGB32);
  const QRgb bar = barColor.rgb();
  const QRect all(0, 0, frame.width, frame.height);
  fillPixels(canvas, all, qRgb(255, 255, 255));
  frameRect(canvas, all, bar);
  for (int n = 0; n < frame.count; ++n) {
    // Bars past the right edge are clipped anyway.
    if (frame.bars[n].left >= frame.width) break;
    frameRect(canvas, toQRect(frame.bars[n]), bar);
    // The cap is drawn with pen and brush both in the bar colour: solid.
    fillPixels(canvas, toQRect(frame.caps[n]), bar);
  }
}

SpectrumView::SpectrumView(QWidget& canvas, QTimer& timer, AudioEngine& engine, NowPlaying& nowPlaying,
                           std::function<uint32_t()> currentStream, QObject* parent)
    : QObject(parent), canvas_(canvas), engine_(engine), currentStream_(std::move(currentStream)) {
  canvas_.installEventFilter(this);
  // The frame covers the canvas: while there is one, Qt need not paint the
  // (translucent) window beneath it first.
  connect(&timer, &QTimer::timeout, this, &SpectrumView::onSpectrumTick);
  connect(&nowPlaying, &NowPlaying::playStateChanged, this, &SpectrumView::onPlayState);
}

void SpectrumView::onSpectrumTick() {
  if (!canvas_.isVisible()) return;
  drawSpectrum(currentStream_ ? currentStream_() : 0, QColor(0, 0, 0), kBarWidth);
}

void SpectrumView::drawSpectrum(uint32_t stream, QColor barColor, int barWidth) {
  const int width = canvas_.width();
  const int height = canvas_.height();
  if (width <= 0 || height <= 0) return;
  std::array<float, SpectrumBars::kScratch> scratch{};
  std::span<const float> magnitudes;
  if (stream != 0 && engine_.getFftData(stream, std::span<float, 256>(scratch.data(), 256)) != -1)
    magnitudes = scratch;
  bars_.advance(magnitudes, width, height, barWidth, frame_);
  // Bars at rest (a pause, a quiet passage) draw the same frame again and
  // again: only the part of a frame that differs is shown.
  std::swap(picture_, shown_);
  if (picture_.size() != QSize(width, height)) picture_ = QImage(width, height, QImage::Format_RGB32);
  drawSpectrumFrame(picture_, frame_, barColor);
  const QRect changed = changedArea(picture_, shown_);
  if (changed.isEmpty()) return;
  canvas_.setAttribute(Qt::WA_OpaquePaintEvent, true);
  canvas_.update(changed);
}

void SpectrumView::clear() {
  picture_ = QImage();
  shown_ = QImage();
  canvas_.setAttribute(Qt::WA_OpaquePaintEvent, false);
  canvas_.update();
}

void SpectrumView::onPlayState(PlayState state) {
  if (state == PlayState::idle) clear();
}

bool SpectrumView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &canvas_ && event->type() == QEvent::Paint && !picture_.isNull()) {
    QPainter painter(&canvas_);
    const QRect area = static_cast<QPaintEvent*>(event)->rect();
    painter.drawImage(area.topLeft(), picture_, area);
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace youran
