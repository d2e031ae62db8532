#include "scope/maint_interlock.h"

#include <QMap>
#include <QTimer>
#include <QWidget>

#include "link/poll_groups.h"
#include "scope/scope_environment.h"

namespace basScope {
namespace {

// Enabled states of the held controls, by objectName, as they were when the hold began.
QMap<QString, bool> g_remembered;

QWidget* maintenanceScreen() {
  return OpenWindowNamed(basFunctions::DriveFirmwareNumber() >= 2.1
                             ? QStringLiteral("frmMaintenance_210")
                             : QStringLiteral("frmMaintenance"));
}

QStringList heldControls(bool sixteenInputs) {
  QStringList names{QStringLiteral("cmdEnable"), QStringLiteral("cmdJog"),
                    QStringLiteral("cmdPosMove")};
  for (int i = 1; i <= (sixteenInputs ? 16 : 8); ++i)
    names << QStringLiteral("chkDI_%1").arg(i) << QStringLiteral("cmdDI_%1").arg(i);
  for (int i = 1; i <= 5; ++i) names << QStringLiteral("cmdDO_%1").arg(i);
  return names;
}

void runTimers(QWidget* screen, bool run) {
  for (const char* name : {"tmrMaint", "tmrMaint2"}) {
    auto* timer = screen->findChild<QTimer*>(QString::fromLatin1(name));
    if (!timer) continue;
    if (run)
      timer->start();
    else
      timer->stop();
  }
}

}  // namespace

void Maint_Interlock(bool starting) {
  QWidget* screen = maintenanceScreen();
  if (!screen) return;
  runTimers(screen, !starting);
  if (starting) {
    g_remembered.clear();
    const bool sixteen = screen->objectName().endsWith(QStringLiteral("_210"));
    for (const QString& name : heldControls(sixteen)) {
      auto* control = screen->findChild<QWidget*>(name);
      if (!control) continue;
      g_remembered.insert(name, control->isEnabled());
      control->setEnabled(false);
    }
    return;
  }
  for (auto it = g_remembered.cbegin(); it != g_remembered.cend(); ++it)
    if (auto* control = screen->findChild<QWidget*>(it.key())) control->setEnabled(it.value());
  g_remembered.clear();
}

}  // namespace basScope
