// main() of the program's test executables: private store and runtime folder, offscreen Qt.
#include <gtest/gtest.h>

#include <QApplication>

#include "app_harness.h"

int main(int argc, char** argv) {
  apptest::PrepareProcessEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
