#include "lyrics/ui/lyric_renderer.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace youran {

namespace {

// The line as drawn: the CR LF (or LF) a lyric line keeps from its file ends
// the visible text; it has no glyph and must not break the line.
QString visibleText(const QString& text) {
  QString out = text;
  while (out.endsWith(QLatin1Char('\n')) || out.endsWith(QLatin1Char('\r'))) out.chop(1);
  for (QChar& c : out)
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')) c = QLatin1Char(' ');
  return out;
}

void drawStyled(QPainter& p, const QPainterPath& path, const LyricTextStyle& style, const QRectF& box) {
  if (style.outline) {
    QPen pen(*style.outline);
    pen.setWidthF(1.0);
    p.strokePath(path, pen);
  }
  p.fillPath(path, lyricFillBrush(style.mode, style.start, style.end, box));
}

}  // namespace

QBrush lyricFillBrush(int mode, const QColor& start, const QColor& end, const QRectF& box) {
  if (mode != 1 && mode != 2) return QBrush(start);
  const qreal h = mode == 1 ? box.height() : box.height() / 2;
  QLinearGradient g(box.topLeft(), QPointF(box.left(), box.top() + std::max<qreal>(h, 1)));
  g.setColorAt(0, start);
  g.setColorAt(1, end);
  g.setSpread(QGradient::ReflectSpread);
  return QBrush(g);
}

LyricRenderer::LyricRenderer() {
  normal_ = {QColor(227, 254, 0), QColor(51, 177, 0), QColor(Qt::black), 1};
  highlight_ = {QColor(254, 131, 20), QColor(255, 255, 0), QColor(Qt::black), 1};
}

void LyricRenderer::setSize(QSize size) {
  size = size.expandedTo(QSize(1, 1));
  if (size == size_) return;
  size_ = size;
  dirty_ = true;
}

void LyricRenderer::setFont(const QFont& font) {
  font_ = font;
  dirty_ = true;
}

void LyricRenderer::setBackground(const QColor& colour) {
  background_ = colour;
  dirty_ = true;
}

void LyricRenderer::setShadow(const QColor& colour, int offset) {
  shadow_ = colour;
  shadowOffset_ = std::max(offset, 0);
  dirty_ = true;
}

void LyricRenderer::setTextStyle(const LyricTextStyle& style) {
  normal_ = style;
  dirty_ = true;
}

void LyricRenderer::setHighlightStyle(const LyricTextStyle& style) {
  highlight_ = style;
  dirty_ = true;
}

void LyricRenderer::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  dirty_ = true;
}

void LyricRenderer::setSecondLine(const QString& text) {
  if (text == second_) return;
  second_ = text;
  dirty_ = true;
}

qreal LyricRenderer::advanceFraction(int chars) {
  rebuild();
  if (chars <= 0 || textRect_.width() <= 0) return 0;
  const QString shown = visibleText(text_);
  if (chars >= shown.size()) return 1;
  auto it = advances_.constFind(chars);
  if (it != advances_.constEnd()) return *it;
  const qreal f = std::clamp(QFontMetricsF(font_).horizontalAdvance(shown.left(chars)) / textRect_.width(), 0.0, 1.0);
  advances_.insert(chars, f);
  return f;
}

QRectF LyricRenderer::textRect() {
  rebuild();
  return textRect_;
}

void LyricRenderer::rebuild() {
  if (!dirty_) return;
  dirty_ = false;
  advances_.clear();
  const QString shown = visibleText(text_);
  const QFontMetricsF metrics(font_);
  const qreal w = metrics.horizontalAdvance(shown);
  const qreal h = metrics.height();

  // The lines beneath at a little over half the size, the block of all of
  // them centred in the window.
  QFont smaller = font_;
  smaller.setPixelSize(std::max(font_.pixelSize() * 11 / 20, 1));
  const QFontMetricsF smallMetrics(smaller);
  const QStringList below = second_.isEmpty() ? QStringList() : second_.split(QLatin1Char('\n'));
  const qreal belowH = smallMetrics.height() * static_cast<qreal>(below.size());
  textRect_ = QRectF((size_.width() - w) / 2, (size_.height() - h - belowH) / 2, w, h);

  QPainterPath path;
  if (!shown.isEmpty()) path.addText(textRect_.left(), textRect_.top() + metrics.ascent(), font_, shown);
  QPainterPath belowPath;
  QRectF belowBox(textRect_.left(), textRect_.bottom(), w, belowH);
  for (int i = 0; i < below.size(); ++i) {
    const QString line = visibleText(below[i]);
    const qreal lw = smallMetrics.horizontalAdvance(line);
    const qreal top = textRect_.bottom() + smallMetrics.height() * i;
    belowPath.addText((size_.width() - lw) / 2, top + smallMetrics.ascent(), smaller, line);
    belowBox = belowBox.united(QRectF((size_.width() - lw) / 2, top, lw, smallMetrics.height()));
  }

  base_ = QImage(size_, QImage::Format_ARGB32_Premultiplied);
  base_.fill(Qt::transparent);
  highlightLayer_ = QImage(size_, QImage::Format_ARGB32_Premultiplied);
  highlightLayer_.fill(Qt::transparent);
  {
    QPainter p(&base_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (background_.alpha() > 0) p.fillRect(base_.rect(), background_);
    if (shadow_.alpha() > 0 && shadowOffset_ > 0 && !path.isEmpty())
      p.fillPath(path.translated(shadowOffset_, shadowOffset_), shadow_);
    if (!path.isEmpty()) drawStyled(p, path, normal_, textRect_);
    if (!belowPath.isEmpty()) {
      if (shadow_.alpha() > 0 && shadowOffset_ > 0) p.fillPath(belowPath.translated(shadowOffset_, shadowOffset_), shadow_);
      drawStyled(p, belowPath, normal_, belowBox);
    }
  }
  if (!path.isEmpty()) {
    QPainter p(&highlightLayer_);
    p.setRenderHint(QPainter::Antialiasing);
    drawStyled(p, path, highlight_, textRect_);
  }
}

QRegion LyricRenderer::opaqueRegion() {
  rebuild();
  QList<QRect> rects;
  for (int y = 0; y < base_.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(base_.constScanLine(y));
    int x = 0;
    while (x < base_.width()) {
      while (x < base_.width() && qAlpha(row[x]) == 0) ++x;
      const int from = x;
      while (x < base_.width() && qAlpha(row[x]) != 0) ++x;
      if (x > from) rects.append(QRect(from, y, x - from, 1));
    }
  }
  QRegion region;
  region.setRects(rects.constData(), static_cast<int>(rects.size()));
  return region;
}

int LyricRenderer::sungRight(int progress) const {
  return static_cast<int>(std::lround(textRect_.left() + textRect_.width() * progress / 100.0));
}

void LyricRenderer::paint(QPainter& painter, int progress, const QRect& area) {
  rebuild();
  progress = std::clamp(progress, 0, 100);
  const QRect shown = area.isEmpty() ? base_.rect() : area.intersected(base_.rect());
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(shown.topLeft(), base_, shown);
  if (progress <= 0) return;
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (progress >= 100) {
    painter.drawImage(shown.topLeft(), highlightLayer_, shown);
    return;
  }
  // The sung part: the left progress% of the text box, whole pixels.
  const int left = static_cast<int>(std::floor(textRect_.left()));
  const QRect pixels = QRect(QPoint(left, 0), QPoint(sungRight(progress) - 1, size_.height() - 1)).intersected(shown);
  if (!pixels.isEmpty()) painter.drawImage(pixels.topLeft(), highlightLayer_, pixels);
}

QRect LyricRenderer::sweepRect(int fromProgress, int toProgress) {
  rebuild();
  const int a = std::clamp(std::min(fromProgress, toProgress), 0, 100);
  const int b = std::clamp(std::max(fromProgress, toProgress), 0, 100);
  if (a == b) return {};
  if (a == 0 || b == 100) return base_.rect();
  return QRect(QPoint(sungRight(a), 0), QPoint(sungRight(b) - 1, size_.height() - 1)).intersected(base_.rect());
}

QImage LyricRenderer::frame(int progress) {
  QImage image(size_, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  paint(p, progress);
  return image;
}

}  // namespace youran
