#include "shell/status.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QTimer>
#include <QWidget>

#include "shell/host.h"
#include "shell/led_bar.h"
#include "shell/logs.h"

namespace basFunctions {

double PauseScale = 1.0;

void Status(int mode, int value, const QString& message) {
  guarded("basFunctions, Status()", [&] {
    QWidget* main = host::MainWindow();
    if (!main) return;
    if (auto* lower = main->findChild<QWidget*>(QStringLiteral("bmpLowerPic"))) lower->show();
    if (!message.isEmpty()) {
      if (auto* list = main->findChild<QListWidget*>(QStringLiteral("lstMain")))
        list->insertItem(0, GeneralDateTime() + " - " + message);
    }
    auto* bar = main->findChild<LedBar*>(QStringLiteral("ledBar"));
    if (!bar) return;
    if (mode == 1) {
      bar->show();
      bar->setPosition(value);
    } else {
      bar->setPosition(0);
    }
  });
}

// A local event loop keeps windows, timers and the control's events live while we wait.
void WaitaWhile(double seconds) {
  guarded("basFunctions, WaitaWhile()", [&] {
    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 total = static_cast<qint64>(seconds * PauseScale * 1000.0 + 0.5);
    if (total <= 0) QCoreApplication::processEvents();
    while (elapsed.elapsed() < total) {
      QEventLoop loop;
      QTimer timer;
      timer.setSingleShot(true);
      timer.setTimerType(Qt::PreciseTimer);
      QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
      timer.start(static_cast<int>(total - elapsed.elapsed()));
      // Anything but our own time-out means the application is leaving its loops.
      if (loop.exec() != 1) break;
    }
  });
}

bool FormIsOpen(const QString& name) {
  bool open = false;
  guarded("basFunctions, FormIsOpen()", [&] {
    for (QWidget* widget : QApplication::allWidgets()) {
      if (widget->objectName() != name || host::IsUnloaded(widget)) continue;
      if (widget->isWindow() || qobject_cast<QMdiSubWindow*>(widget->parentWidget())) {
        open = true;
        return;
      }
    }
  });
  return open;
}

}  // namespace basFunctions
