#include "core/main_window_access.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "core/host.h"
#include "core/led_bar.h"

namespace mainWindow {

void SetBusyPointer() {
  if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void SetNormalPointer() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void EnableMainTimer(bool enabled) {
  QWidget* main = host::MainWindow();
  if (!main) return;
  auto* timer = main->findChild<QTimer*>(QStringLiteral("tmrMain"));
  if (!timer) return;
  if (!enabled)
    timer->stop();
  else if (!timer->isActive())
    timer->start();
}

void AdvanceLedBar(int step) {
  QWidget* main = host::MainWindow();
  if (!main) return;
  auto* bar = main->findChild<LedBar*>(QStringLiteral("ledBar"));
  if (bar) bar->setPosition(std::min(LedBar::kMaximum, bar->position() + step));
}

}  // namespace mainWindow
