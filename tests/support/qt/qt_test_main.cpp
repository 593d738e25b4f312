// The UI tests need one QApplication for the whole program.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/resources.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Also when ctest lists the tests, which it does without the test
  // environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  youran::initResources();
  return RUN_ALL_TESTS();
}
