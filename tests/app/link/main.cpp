// Unit tests of the drive link, the poll groups and the parameter model. They run offscreen in
// a private program folder and settings store.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "link_test_env.h"

int main(int argc, char** argv) {
  QTemporaryDir settings;
  setenv("XDG_CONFIG_HOME", settings.path().toUtf8().constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  linktest::PrepareProgramFolder();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
