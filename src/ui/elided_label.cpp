#include "ui/elided_label.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace youran {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

QString ElidedLabel::shownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(0, contentsRect().width()));
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
  if (!pixmap().isNull() || textFormat() == Qt::RichText) return QLabel::paintEvent(event);
  QPainter painter(this);
  drawFrame(&painter);
  style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(), isEnabled(),
                        shownText(), foregroundRole());
}

// A cut text shows whole in the tool tip; a label's own tool tip, if it has
// one, follows it.
bool ElidedLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && shownText() != text()) {
    const QString own = toolTip();
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                       own.isEmpty() ? text() : text() + QLatin1Char('\n') + own, this);
    return true;
  }
  return QLabel::event(event);
}

}  // namespace youran
