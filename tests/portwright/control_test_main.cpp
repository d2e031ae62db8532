// main of the control tests: a private component store and a Qt event loop for the control.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <string>

#include "control_test_support.h"

namespace pwtest {

portwright::IModbusAtl* NewControl() {
  void* factory = nullptr;
  if (DllGetClassObject(portwright::kClsidModbusAtl, portwright::kIidIClassFactory, &factory) !=
      portwright::S_OK)
    return nullptr;
  portwright::IModbusAtl* control = nullptr;
  static_cast<portwright::IClassFactory*>(factory)->CreateInstance(&control);
  return control;
}

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace pwtest

int main(int argc, char** argv) {
  // Never touch the user's store or another test's: each run gets its own config folder.
  char folder[] = "/tmp/pw-control-test-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("XDG_CONFIG_HOME", folder, 1);
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  QDir(folder).removeRecursively();
  return result;
}
