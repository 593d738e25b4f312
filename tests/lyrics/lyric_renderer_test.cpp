#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <utility>
#include <vector>

#include "lyrics/ui/lyric_renderer.h"

namespace youran {
namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kNone(0, 0, 0, 0);

QFont bigFont() {
  QFont font;
  font.setPixelSize(100);
  font.setBold(true);
  return font;
}

// A renderer of plain fills, nothing else, on a 900 × 150 strip.
LyricRenderer plain(const QString& text, const QColor& fill = kRed) {
  LyricRenderer r;
  r.setSize({900, 150});
  r.setFont(bigFont());
  r.setShadow(kNone, 0);
  r.setTextStyle({fill, fill, std::nullopt, 0});
  r.setHighlightStyle({kBlue, kBlue, std::nullopt, 0});
  r.setText(text);
  return r;
}

QRect opaqueBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 0) box |= QRect(x, y, 1, 1);
  return box;
}

// A pixel of the fill far from the glyph's edges: the middle of the widest
// run on the text box's middle row.
QPoint insidePixel(const QImage& image) {
  const int y = image.height() / 2;
  int bestFrom = 0, bestLen = 0;
  for (int x = 0; x < image.width();) {
    while (x < image.width() && qAlpha(image.pixel(x, y)) < 255) ++x;
    const int from = x;
    while (x < image.width() && qAlpha(image.pixel(x, y)) == 255) ++x;
    if (x - from > bestLen) bestFrom = from, bestLen = x - from;
  }
  return {bestFrom + bestLen / 2, y};
}

int distance(QRgb a, const QColor& b) {
  return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) + std::abs(qBlue(a) - b.blue());
}

TEST(LyricRenderer, TransparentOutsideTheTextAndCentred) {
  LyricRenderer r = plain(QStringLiteral("IIII"));
  const QImage frame = r.frame(0);
  const QRect box = opaqueBox(frame);
  ASSERT_FALSE(box.isEmpty());
  EXPECT_EQ(qAlpha(frame.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(frame.pixel(899, 149)), 0);
  EXPECT_TRUE(r.textRect().toAlignedRect().adjusted(-1, -1, 1, 1).contains(box));
  EXPECT_NEAR(r.textRect().center().x(), 450, 1);
  EXPECT_NEAR(r.textRect().center().y(), 75, 1);
  // The mouse region is exactly the drawn pixels.
  const QRegion region = r.opaqueRegion();
  EXPECT_EQ(region.boundingRect(), box);
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
}

TEST(LyricRenderer, LineEndsNeitherMoveNorBreakTheLine) {
  LyricRenderer a = plain(QStringLiteral("晨光 abc"));
  LyricRenderer b = plain(QStringLiteral("晨光 abc\r\n"));
  EXPECT_EQ(a.textRect(), b.textRect());
  EXPECT_EQ(a.frame(0), b.frame(0));
}

TEST(LyricRenderer, ShadowIsTheTextMovedByItsOffset) {
  LyricRenderer fillOnly = plain(QStringLiteral("IHI"));
  const QRect fillBox = opaqueBox(fillOnly.frame(0));
  LyricRenderer shadowOnly = plain(QStringLiteral("IHI"), kNone);
  shadowOnly.setShadow(QColor(0, 255, 0, 150), 6);
  const QImage shadow = shadowOnly.frame(0);
  EXPECT_EQ(opaqueBox(shadow), fillBox.translated(6, 6));
  const QPoint inside = insidePixel(fillOnly.frame(0)) + QPoint(6, 6);
  EXPECT_EQ(qAlpha(shadow.pixel(inside)), 150);
  // Under the fill, the fill wins; the shadow shows only beside it.
  LyricRenderer both = plain(QStringLiteral("IHI"));
  both.setShadow(QColor(0, 255, 0, 150), 6);
  const QImage frame = both.frame(0);
  EXPECT_EQ(frame.pixel(insidePixel(fillOnly.frame(0))), kRed.rgb());
  EXPECT_GT(qGreen(frame.pixel(fillBox.right() + 4, fillBox.bottom() + 4)), 0);
}

TEST(LyricRenderer, OutlineRingsTheFill) {
  LyricRenderer r = plain(QStringLiteral("IHI"));
  r.setTextStyle({kRed, kRed, kBlue, 0});
  const QImage frame = r.frame(0);
  LyricRenderer noOutline = plain(QStringLiteral("IHI"));
  const QImage fill = noOutline.frame(0);
  // Drawn before the fill: inside, the fill covers it.
  const QPoint inside = insidePixel(fill);
  EXPECT_EQ(frame.pixel(inside), kRed.rgb());
  // It sticks out of the fill by at most a pixel, and it is there.
  const QRect outlined = opaqueBox(frame), filled = opaqueBox(fill);
  EXPECT_TRUE(filled.adjusted(-1, -1, 1, 1).contains(outlined));
  int bluish = 0;
  for (int y = outlined.top(); y <= outlined.bottom(); ++y)
    for (int x = outlined.left(); x <= outlined.right(); ++x)
      if (qBlue(frame.pixel(x, y)) > qRed(frame.pixel(x, y)) && qAlpha(frame.pixel(x, y)) > 0) ++bluish;
  EXPECT_GT(bluish, 20);
}

TEST(LyricRenderer, GradientModesFromTopToBottom) {
  const QColor top(255, 0, 0), bottom(0, 0, 255);
  for (int mode : {0, 1, 2, 7}) {
    LyricRenderer r = plain(QStringLiteral("I"));
    r.setTextStyle({top, bottom, std::nullopt, mode});
    const QImage frame = r.frame(0);
    const QRectF box = r.textRect();
    const QRect glyph = opaqueBox(frame);
    const int x = insidePixel(frame).x();
    for (int y : {glyph.top() + 3, glyph.center().y(), glyph.bottom() - 3}) {
      const QRgb pixel = frame.pixel(x, y);
      ASSERT_EQ(qAlpha(pixel), 255) << "mode " << mode << " y " << y;
      double t = (y + 0.5 - box.top()) / box.height();  // 0 at the box's top
      if (mode == 2) t = t <= 0.5 ? 2 * t : 2 - 2 * t;   // mirrored at half height
      if (mode != 1 && mode != 2) t = 0;                  // solid start colour
      const QColor expected(static_cast<int>(std::lround(255 * (1 - t))), 0,
                            static_cast<int>(std::lround(255 * t)));
      EXPECT_LE(distance(pixel, expected), 12) << "mode " << mode << " y " << y;
    }
  }
}

TEST(LyricRenderer, HighlightCoversTheSungPartOfTheBox) {
  const QString text = QStringLiteral("IIIIIIIIIIII");
  for (int progress : {0, 25, 50, 100}) {
    LyricRenderer r = plain(text);
    const QImage frame = r.frame(progress);
    const QRectF box = r.textRect();
    const double split = box.left() + box.width() * progress / 100.0;
    int wrong = 0, checked = 0;
    for (int y = 0; y < frame.height(); ++y) {
      for (int x = 0; x < frame.width(); ++x) {
        const QRgb p = frame.pixel(x, y);
        // Glyph pixels outside the text box (a bold face overhangs its
        // advance) keep the normal style unless the whole line is sung.
        if (qAlpha(p) < 255 || std::abs(x + 0.5 - split) < 1.5) continue;
        if (progress < 100 && (x < box.left() || x + 1 > box.right())) continue;
        ++checked;
        const bool sung = x + 0.5 < split;
        if (sung ? qBlue(p) <= qRed(p) : qRed(p) <= qBlue(p)) ++wrong;
      }
    }
    EXPECT_GT(checked, 1000) << progress;
    EXPECT_EQ(wrong, 0) << "progress " << progress;
  }
  // Out of range counts as its bound.
  LyricRenderer r = plain(text);
  EXPECT_EQ(r.frame(250), r.frame(100));
  EXPECT_EQ(r.frame(-3), r.frame(0));
}

TEST(LyricRenderer, TextWiderThanTheWindowIsCentredAndClipped) {
  LyricRenderer r;
  r.setSize({300, 150});
  r.setFont(bigFont());
  r.setText(QStringLiteral("一句很长很长很长的歌词不会折行"));
  const QRectF box = r.textRect();
  EXPECT_LT(box.left(), 0);
  EXPECT_GT(box.right(), 300);
  EXPECT_NEAR(box.center().x(), 150, 1);
  EXPECT_LT(box.height(), 150) << "one line, not wrapped";
  const QImage frame = r.frame(0);
  EXPECT_EQ(frame.size(), QSize(300, 150));
  // Exactly the middle of the same line drawn on a strip wide enough for it.
  LyricRenderer wide;
  wide.setSize({2000, 150});
  wide.setFont(bigFont());
  wide.setText(r.text());
  ASSERT_LT(wide.textRect().width(), 2000);
  EXPECT_EQ(frame, wide.frame(0).copy(850, 0, 300, 150));
  EXPECT_FALSE(opaqueBox(frame).isEmpty());
}

}  // namespace
}  // namespace youran

namespace youran {
namespace {

// A sweep frame repaints only sweepRect: painted over the old frame there,
// the new progress gives exactly the frame drawn whole, and a step while the
// line is partly sung touches a few columns, not the strip.
TEST(LyricRenderer, SweepStepRepaintsOnlyTheColumnsItMovedOver) {
  LyricRenderer r = plain(QStringLiteral("悠然的旋律在心里回响"));
  r.setTextStyle({kRed, kBlue, QColor(Qt::black), 1});
  r.setShadow(QColor(0, 0, 0, 150), 2);
  // Every single step of a whole sweep (each column is some step's edge),
  // and jumps both ways as a seek makes them.
  std::vector<std::pair<int, int>> steps;
  for (int p = 0; p < 100; ++p) steps.emplace_back(p, p + 1);
  for (auto jump : {std::pair{30, 60}, {60, 40}, {100, 0}, {50, 50}}) steps.push_back(jump);
  for (const auto& [from, to] : steps) {
    const QRect changed = r.sweepRect(from, to);
    QImage image = r.frame(from);
    {
      QPainter p(&image);
      p.setClipRect(changed);
      r.paint(p, to, changed);
    }
    ASSERT_EQ(image, r.frame(to)) << from << " -> " << to;
    if (from == to) {
      EXPECT_TRUE(changed.isEmpty());
    }
  }
  const int step = r.sweepRect(30, 31).width();
  EXPECT_GT(step, 0);
  EXPECT_LE(step, int(std::ceil(r.textRect().width() / 100)) + 1);
  // Only the rows the line's pixels reach, not the strip's empty margins.
  EXPECT_EQ(r.sweepRect(30, 31).height(), r.drawnRect().height());
  EXPECT_LT(r.drawnRect().height(), r.size().height());
}

}  // namespace
}  // namespace youran
