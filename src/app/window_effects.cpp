#include "app/window_effects.h"

#include <QRandomGenerator>
#include <QWidget>

namespace youran {

void revealWindow(QWidget* window, int /*mode*/) {
  if (window && !window->isVisible()) window->show();
}

void concealWindow(QWidget* window, int /*mode*/) {
  if (window) window->close();
}

int randomWipeMode() { return QRandomGenerator::global()->bounded(1, 13); }

}  // namespace youran
