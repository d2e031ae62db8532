#include "core/status.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "core/host.h"
#include "core/led_bar.h"
#include "core/logs.h"

namespace basFunctions {

double PauseScale = 1.0;

namespace {

// The main window's status list, its picture box and LED bar, found once per main window: the
// window holds several hundred widgets (the editor's rows), too many to search through on
// every progress step of a long operation.
struct StatusWidgets {
  QPointer<QWidget> main;
  QPointer<QWidget> lower;
  QPointer<QListWidget> list;
  QPointer<LedBar> bar;
};

const StatusWidgets& statusWidgets(QWidget* main) {
  static StatusWidgets found;
  if (found.main != main || !found.lower || !found.list || !found.bar) {
    found.main = main;
    found.lower = main->findChild<QWidget*>(QStringLiteral("bmpLowerPic"));
    found.list = main->findChild<QListWidget*>(QStringLiteral("lstMain"));
    found.bar = main->findChild<LedBar*>(QStringLiteral("ledBar"));
  }
  return found;
}

}  // namespace

void Status(int mode, int value, const QString& message) {
  guarded("basFunctions, Status()", [&] {
    QWidget* main = host::MainWindow();
    if (!main) return;
    const StatusWidgets& widgets = statusWidgets(main);
    if (widgets.lower) widgets.lower->show();
    if (!message.isEmpty() && widgets.list)
      widgets.list->insertItem(0, GeneralDateTime() + " - " + message);
    LedBar* bar = widgets.bar;
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
