#include "lyrics/ui/lyric_renderer.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

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

// Qt's raster engine hands every fill of more than about a hundred spans to
// its thread pool in pieces and waits for them, whatever the target's
// format. A text path across the screen is hundreds of such hand-offs, each
// a wake-up of three threads, for every new line. The line's few paths are
// filled here instead: kSupersample × kSupersample samples a pixel, counted
// into its coverage, and the colours laid on row by row.
constexpr int kSupersample = 4;

// How much of each pixel of `area` a path covers, 0..255.
struct Coverage {
  QRect area;
  std::vector<uint8_t> alpha;

  uint8_t at(int x, int y) const {
    if (!area.contains(x, y)) return 0;
    return alpha[size_t(y - area.top()) * size_t(area.width()) + size_t(x - area.left())];
  }
};

// Only within `bounds`: what the window shows, and what casts a shadow into it.
Coverage coverageOf(const QPainterPath& path, const QRect& bounds) {
  Coverage out;
  if (path.isEmpty()) return out;
  out.area = path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1).intersected(bounds);
  if (out.area.isEmpty()) return out;
  const int w = out.area.width(), h = out.area.height();
  const int columns = w * kSupersample;

  // The flattened outline in sample units, each edge pointing down and
  // remembering whether it went up (for the winding rule).
  struct Edge {
    double top, bottom, x, slope;
    int direction;
  };
  std::vector<Edge> edges;
  for (const QPolygonF& polygon : path.toSubpathPolygons()) {
    const qsizetype n = polygon.size();
    for (qsizetype i = 0; i < n; ++i) {
      QPointF a = (polygon[i] - out.area.topLeft()) * kSupersample;
      QPointF b = (polygon[(i + 1) % n] - out.area.topLeft()) * kSupersample;
      if (a.y() == b.y()) continue;
      int direction = 1;
      if (a.y() > b.y()) std::swap(a, b), direction = -1;
      edges.push_back({a.y(), b.y(), a.x(), (b.x() - a.x()) / (b.y() - a.y()), direction});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) { return l.top < r.top; });

  const bool winding = path.fillRule() == Qt::WindingFill;
  std::vector<uint8_t> counts(size_t(w) * size_t(h), 0);
  std::vector<const Edge*> active;
  std::vector<std::pair<double, int>> crossings;
  size_t next = 0;
  for (int row = 0; row < h * kSupersample; ++row) {
    const double y = row + 0.5;
    while (next < edges.size() && edges[next].top <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->bottom <= y; });
    crossings.clear();
    for (const Edge* e : active)
      if (e->top <= y) crossings.emplace_back(e->x + (y - e->top) * e->slope, e->direction);
    std::sort(crossings.begin(), crossings.end());
    uint8_t* line = &counts[size_t(row / kSupersample) * size_t(w)];
    int turns = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      turns += winding ? crossings[i].second : 1;
      if (winding ? turns == 0 : turns % 2 == 0) continue;
      // The samples whose centres lie between the two crossings.
      const int from = std::max(0, static_cast<int>(std::ceil(crossings[i].first - 0.5)));
      const int to = std::min(columns, static_cast<int>(std::ceil(crossings[i + 1].first - 0.5)));
      for (int c = from; c < to; ++c) ++line[c / kSupersample];
    }
  }
  constexpr int kSamples = kSupersample * kSupersample;
  out.alpha.resize(counts.size());
  for (size_t i = 0; i < counts.size(); ++i) out.alpha[i] = uint8_t((counts[i] * 255 + kSamples / 2) / kSamples);
  return out;
}

// The outline: the fill grown by a pixel, drawn beneath it, so a thin ring
// shows around each glyph. Stroking the path instead (a text is thousands
// of short edges) cost more than all the rest of the line.
Coverage outlineOf(const Coverage& fill) {
  Coverage out;
  if (fill.area.isEmpty()) return out;
  out.area = fill.area.adjusted(-1, -1, 1, 1);
  const int w = out.area.width(), h = out.area.height();
  // The largest coverage of each row's three neighbours across, then down.
  std::vector<uint8_t> across(size_t(w) * size_t(h), 0);
  for (int y = 1; y < h - 1; ++y) {
    const uint8_t* from = &fill.alpha[size_t(y - 1) * size_t(w - 2)];
    uint8_t* to = &across[size_t(y) * size_t(w)];
    for (int x = 0; x < w; ++x) {
      uint8_t m = 0;
      for (int dx = -1; dx <= 1; ++dx) {
        const int sx = x - 1 + dx;
        if (sx >= 0 && sx < w - 2) m = std::max(m, from[sx]);
      }
      to[x] = m;
    }
  }
  out.alpha.assign(across.size(), 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* to = &out.alpha[size_t(y) * size_t(w)];
    for (int dy = -1; dy <= 1; ++dy) {
      if (y + dy < 0 || y + dy >= h) continue;
      const uint8_t* from = &across[size_t(y + dy) * size_t(w)];
      for (int x = 0; x < w; ++x) to[x] = std::max(to[x], from[x]);
    }
  }
  return out;
}

uint scaled(uint channel, uint alpha) {
  const uint t = channel * alpha + 128;
  return (t + (t >> 8)) >> 8;
}

// `colour(y)` (premultiplied) over `dst` through the coverage moved by
// (dx, dy).
template <typename RowColour>
void layOn(QImage& dst, const Coverage& cover, int dx, int dy, RowColour colour) {
  const QRect target = cover.area.translated(dx, dy).intersected(dst.rect());
  for (int y = target.top(); y <= target.bottom(); ++y) {
    const QRgb c = colour(y);
    auto* row = reinterpret_cast<QRgb*>(dst.scanLine(y));
    for (int x = target.left(); x <= target.right(); ++x) {
      const uint a = cover.at(x - dx, y - dy);
      if (a == 0) continue;
      const uint sa = scaled(uint(qAlpha(c)), a);
      const uint keep = 255 - sa;
      const QRgb d = row[x];
      row[x] = qRgba(int(scaled(uint(qRed(c)), a) + scaled(uint(qRed(d)), keep)),
                     int(scaled(uint(qGreen(c)), a) + scaled(uint(qGreen(d)), keep)),
                     int(scaled(uint(qBlue(c)), a) + scaled(uint(qBlue(d)), keep)),
                     int(sa + scaled(uint(qAlpha(d)), keep)));
    }
  }
}

// The colour lyricFillBrush gives row y of a text box, premultiplied.
QRgb fillColourAt(const LyricTextStyle& style, const QRectF& box, int y) {
  if (style.mode != 1 && style.mode != 2) return qPremultiply(style.start.rgba());
  const qreal h = std::max<qreal>(style.mode == 1 ? box.height() : box.height() / 2, 1);
  qreal t = std::fmod(std::abs((y + 0.5 - box.top()) / h), 2.0);
  if (t > 1) t = 2 - t;
  auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  const QColor& a = style.start;
  const QColor& b = style.end;
  return qPremultiply(qRgba(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()),
                            mix(a.alpha(), b.alpha())));
}

// The text in a style: its outline first, the fill over it.
void drawStyled(QImage& dst, const Coverage& fill, const Coverage& outline, const LyricTextStyle& style,
                const QRectF& box) {
  if (style.outline) {
    const QRgb c = qPremultiply(style.outline->rgba());
    layOn(dst, outline, 0, 0, [c](int) { return c; });
  }
  layOn(dst, fill, 0, 0, [&](int y) { return fillColourAt(style, box, y); });
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
  base_.fill(background_.alpha() > 0 ? background_ : QColor(Qt::transparent));
  highlightLayer_ = QImage(size_, QImage::Format_ARGB32_Premultiplied);
  highlightLayer_.fill(Qt::transparent);
  const QRect bounds(QPoint(-shadowOffset_, -shadowOffset_), size_ + QSize(shadowOffset_, shadowOffset_));
  const Coverage fill = coverageOf(path, bounds);
  const Coverage belowFill = coverageOf(belowPath, bounds);
  const Coverage outline = normal_.outline || highlight_.outline ? outlineOf(fill) : Coverage{};
  const Coverage belowOutline = normal_.outline ? outlineOf(belowFill) : Coverage{};
  const bool shadow = shadow_.alpha() > 0 && shadowOffset_ > 0;
  const QRgb shadowColour = qPremultiply(shadow_.rgba());
  auto shade = [shadowColour](int) { return shadowColour; };
  if (shadow) layOn(base_, fill, shadowOffset_, shadowOffset_, shade);
  drawStyled(base_, fill, outline, normal_, textRect_);
  if (shadow) layOn(base_, belowFill, shadowOffset_, shadowOffset_, shade);
  drawStyled(base_, belowFill, belowOutline, normal_, belowBox);
  drawStyled(highlightLayer_, fill, outline, highlight_, textRect_);
  drawn_ = fill.area | outline.area | belowFill.area | belowOutline.area;
  if (shadow) drawn_ |= drawn_.translated(shadowOffset_, shadowOffset_);
  drawn_ = background_.alpha() > 0 ? base_.rect() : drawn_.intersected(base_.rect());
}

QRect LyricRenderer::drawnRect() {
  rebuild();
  return drawn_;
}

QRegion LyricRenderer::opaqueRegion() {
  rebuild();
  QList<QRect> rects;
  // Nothing outside drawn_ has any alpha.
  const int right = drawn_.isEmpty() ? 0 : drawn_.right() + 1;
  for (int y = drawn_.top(); y <= drawn_.bottom(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(base_.constScanLine(y));
    int x = drawn_.left();
    while (x < right) {
      while (x < right && qAlpha(row[x]) == 0) ++x;
      const int from = x;
      while (x < right && qAlpha(row[x]) != 0) ++x;
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
  if (a == 0 || b == 100) return drawn_;
  return QRect(QPoint(sungRight(a), drawn_.top()), QPoint(sungRight(b) - 1, drawn_.bottom())).intersected(drawn_);
}

QImage LyricRenderer::frame(int progress) {
  QImage image(size_, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  paint(p, progress);
  return image;
}

}  // namespace youran
