#pragma once

// `WindowShadow`: a soft drop shadow around a borderless window, drawn in a
// window of its own that never takes input and follows its owner as it
// moves, resizes, shows, hides, minimises and maximises.

#include <QColor>
#include <QImage>
#include <QPainterPath>

class QWidget;

namespace youran {

// Gives `owner` a shadow of `size` pixels in `color`, or changes it; a size
// below 1 removes it. True when a shadow is in place.
bool attachShadow(QWidget* owner, QColor color = Qt::black, int size = 5);

// Places and redraws the shadow, or hides it while the owner is hidden,
// minimised or maximised. `visible` stands in for the owner's visibility.
void updateShadow(QWidget* owner);
void updateShadow(QWidget* owner, bool visible);

// The shadow's pixels for a W x H shadow window: `size` rounded rings, the
// owner's own rectangle left clear.
QImage renderShadow(QColor color, int size, int width, int height);

// Four quarter arcs of diameter 2 x radius (radius clamped to 1..100), or a
// plain rectangle for a radius of 0 or less.
QPainterPath roundRectPath(qreal x, qreal y, qreal width, qreal height, int radius);

// The shadow window of `owner`, or null.
QWidget* shadowOf(QWidget* owner);

}  // namespace youran
