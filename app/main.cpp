// VelumoPRO: configuration and commissioning of AC servo drives over a serial line.
#include <QApplication>
#include <QStringList>

#include "shell/bas_main.h"

int main(int argc, char* argv[]) {
  // Answered before the application object exists: no display is needed for them.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (const int code = basMain::AnswerOnTerminal(args); code >= 0) return code;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  if (!basMain::Main()) return 0;
  const int result = QApplication::exec();
  basMain::EndMain();
  return result;
}
