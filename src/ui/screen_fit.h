#pragma once

// Keeping the player's windows within the screen. The windows have fixed
// layouts (the main window is 968 × 560), so a screen too small for them at
// the scale the desktop asks for (QT_SCALE_FACTOR=2 on a 1600 × 1000
// screen) gets the whole player drawn at a smaller scale instead: every
// control, the close button and the volume among them, stays in reach.

#include <QSize>
#include <optional>

namespace youran {

// The device pixels per logical pixel at which `window` (logical pixels)
// fits `availableDevicePixels`: `ratio` itself when it fits already, else
// the largest eighth below the fitting ratio, never below 1/2.
double fittingPixelRatio(QSize window, QSize availableDevicePixels, double ratio);

// For start-up, with the application made but no window yet: the value of
// QT_SCALE_FACTOR under which `window` fits the primary screen's available
// area, when the one in effect does not fit; empty when it fits.
std::optional<double> scaleFactorToFit(QSize window);

}  // namespace youran
