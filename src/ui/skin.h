#pragma once

// The player's own light skin: the style sheet and small factories for the
// picture buttons and clickable labels every window uses.

#include <QLabel>
#include <QPushButton>
#include <QString>

namespace youran {

QString skinStyleSheet();

// A flat button that shows one of the skin's SVG pictures.
QPushButton* makePictureButton(QWidget* parent, const QString& objectName, const QString& picture,
                               QSize size);
void setButtonPicture(QPushButton* button, const QString& picture);

// A label that reacts to a left click, as the page labels and the mini
// panel's captions do.
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  ClickableLabel(const QString& text, QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace youran
