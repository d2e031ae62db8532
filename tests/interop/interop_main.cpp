// Test runner of the interoperability suite: a private component store for the whole run
// (set before anything can read the store) and a Qt event loop for the control's events.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  QTemporaryDir store(QDir::tempPath() + "/pw-interop-XXXXXX");
  if (!store.isValid()) return 1;
  setenv("XDG_CONFIG_HOME", store.path().toLocal8Bit().constData(), 1);
  signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
