// VelumoPRO: configuration and commissioning of AC servo drives over a serial line.
#include <QApplication>

#include "shell/bas_main.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  if (!basMain::Main()) return 0;
  const int result = QApplication::exec();
  basMain::EndMain();
  return result;
}
