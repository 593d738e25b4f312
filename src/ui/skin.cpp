#include "ui/skin.h"

#include <QFile>
#include <QIcon>
#include <QMouseEvent>

namespace youran {

QString skinStyleSheet() {
  QFile file(QStringLiteral(":/skin/skin.qss"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QPushButton* makePictureButton(QWidget* parent, const QString& objectName, const QString& picture,
                               QSize size) {
  auto* button = new QPushButton(parent);
  button->setObjectName(objectName);
  button->setProperty("class", "picture");
  button->setFlat(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setFixedSize(size);
  button->setIconSize(size);
  button->setFocusPolicy(Qt::NoFocus);
  setButtonPicture(button, picture);
  return button;
}

void setButtonPicture(QPushButton* button, const QString& picture) {
  button->setIcon(QIcon(QStringLiteral(":/skin/%1.svg").arg(picture)));
  button->setProperty("picture", picture);
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
}

// Taken here, so a click on a label never starts dragging the window.
void ClickableLabel::mousePressEvent(QMouseEvent* event) { event->accept(); }

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace youran
