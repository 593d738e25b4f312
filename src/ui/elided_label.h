#pragma once

// A one-line label that ends a text too long for it with "…" instead of
// cutting a character in half, and shows the whole text as its tool tip.
// It is a QLabel in every other respect: setText, the style sheet's colour
// and font, the alignment.

#include <QLabel>

namespace youran {

class ElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);
  explicit ElidedLabel(QWidget* parent) : ElidedLabel(QString(), parent) {}

  // What the label draws at its present width.
  QString shownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
};

}  // namespace youran
