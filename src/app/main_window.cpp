#include "app/main_window.h"

namespace youran {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("悠然音乐 6"));
  setFixedSize(968, 560);
}

}  // namespace youran
