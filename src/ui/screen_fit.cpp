#include "ui/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace youran {

namespace {

// Eighths keep one logical pixel a whole number of device pixels on every
// eighth line, so fine lines and the pictures' edges stay even.
constexpr double kSteps = 8.0;
constexpr double kSmallestRatio = 0.5;

}  // namespace

double fittingPixelRatio(QSize window, QSize availableDevicePixels, double ratio) {
  if (window.isEmpty() || availableDevicePixels.isEmpty() || ratio <= 0) return ratio;
  const double fit = std::min(double(availableDevicePixels.width()) / window.width(),
                              double(availableDevicePixels.height()) / window.height());
  if (ratio <= fit) return ratio;
  return std::max(kSmallestRatio, std::floor(fit * kSteps) / kSteps);
}

std::optional<double> scaleFactorToFit(QSize window) {
  // A headless platform's screen is a made-up 800 × 600 that nobody sees;
  // pictures taken there keep the window's own size.
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return std::nullopt;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  const double ratio = screen->devicePixelRatio();
  const QSize available = screen->availableGeometry().size() * ratio;
  const double fitting = fittingPixelRatio(window, available, ratio);
  if (fitting >= ratio) return std::nullopt;
  // QT_SCALE_FACTOR multiplies whatever the screen's own factor is.
  bool set = false;
  double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&set);
  if (!set || factor <= 0) factor = 1.0;
  return factor * fitting / ratio;
}

}  // namespace youran
