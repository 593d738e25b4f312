// The desktop lyric line as a user sees it: a sweep that reads by
// lightness, a long line drawn within the screen, the place it was dragged
// to kept when it is made again.
#include <gtest/gtest.h>

#include <cmath>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include "lyrics/ui/desktop_lyrics_window.h"

namespace youran {
namespace {

double luminance(QRgb pixel) {
  auto channel = [](int value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

// The mean luminance of the letters' fill (not the dark outline and
// shadow) between two columns.
double fillLuminance(const QImage& frame, int from, int to) {
  double sum = 0;
  int count = 0;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = from; x < to; ++x) {
      const QRgb pixel = frame.pixel(x, y);
      if (qAlpha(pixel) < 250) continue;
      const double l = luminance(pixel);
      if (l < 0.05) continue;
      sum += l;
      ++count;
    }
  return count > 0 ? sum / count : -1;
}

TEST(DesktopLine, SungAndUnsungPartsDifferClearlyInLightness) {
  DesktopLyricsWindow line;
  line.recreate(QString());
  line.setText(QStringLiteral("晨光里一切都刚刚好晨光里一切都刚刚好"), 50);
  const QImage frame = line.renderer().frame(50).convertToFormat(QImage::Format_ARGB32);
  const QRectF text = line.renderer().textRect();
  const int middle = static_cast<int>(text.center().x());
  const double sung = fillLuminance(frame, static_cast<int>(text.left()) + 4, middle - 8);
  const double unsung = fillLuminance(frame, middle + 8, static_cast<int>(text.right()) - 4);
  ASSERT_GT(sung, 0);
  ASSERT_GT(unsung, 0);
  const double contrast = (std::max(sung, unsung) + 0.05) / (std::min(sung, unsung) + 0.05);
  EXPECT_GE(contrast, 2.0) << "sung " << sung << ", unsung " << unsung;
}

TEST(DesktopLine, ALongLineIsDrawnWithinTheWindow) {
  DesktopLyricsWindow line;
  line.recreate(QString());
  const QFont chosen = line.renderer().font();
  QString longText;
  for (int i = 0; i < 6; ++i) longText += QStringLiteral("悠然的旋律在心里回响");
  line.setText(longText, 0);
  EXPECT_LE(line.renderer().textRect().width(), line.getWidth());
  EXPECT_LT(line.renderer().font().pixelSize(), chosen.pixelSize());
  line.setText(QStringLiteral("短短一行"), 0);
  EXPECT_EQ(line.renderer().font().pixelSize(), chosen.pixelSize()) << "a short line is drawn at the chosen size";
}

TEST(DesktopLine, MadeAgainWhereItWasDroppedAndWithinTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  DesktopLyricsWindow line;
  line.setPlace(QPoint(screen.left(), screen.top() + 40));
  line.recreate(QString());
  EXPECT_EQ(line.getY(), screen.top() + 40);
  line.destroy();
  line.setPlace(QPoint(screen.left(), screen.bottom() + 500));  // the screen grew smaller since
  line.recreate(QString());
  EXPECT_EQ(line.getY() + line.getHeight(), screen.bottom() + 1);
}

}  // namespace
}  // namespace youran
