#include "scope/scope_environment.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QWidget>

#include "core/host.h"
#include "core/main_window_access.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "link/write_journal.h"
#include "params/value_table.h"
#include "scope/maint_interlock.h"

namespace basScope {

QWidget* OpenWindowNamed(const QString& name) {
  if (!basFunctions::FormIsOpen(name)) return nullptr;
  for (QWidget* widget : QApplication::allWidgets())
    if (widget->objectName() == name && !host::IsUnloaded(widget) &&
        (widget->isWindow() || qobject_cast<QMdiSubWindow*>(widget->parentWidget())))
      return widget;
  return nullptr;
}

bool ProgramScopeEnvironment::Connected() { return basComm::DriveConnected == 1; }

bool ProgramScopeEnvironment::TakeLogonNeeded() {
  const bool needed = basFunctions::ScopeLogonNeeded;
  basFunctions::ScopeLogonNeeded = false;
  return needed;
}

void ProgramScopeEnvironment::SendLogon() { basComm::SendLogonCommand(1); }

void ProgramScopeEnvironment::WriteSelector(int channel, int code) {
  const ChannelRegister reg = ChannelRegisterOf(channel);
  basFunctions::WorkingConfig.P(6, reg.selectorRow) = code;
  writeJournal::SourceScope source(journal::Source::ScopeSetUp);
  basComm::WriteData(QString::fromLatin1(reg.selectorKey), 1, portwright::Integer,
                     reg.blockAddress);
}

int16_t ProgramScopeEnvironment::PollGroup() { return basFunctions::PollGroup; }

void ProgramScopeEnvironment::SelectPollGroup(int16_t group) { basFunctions::PollGroup = group; }

void ProgramScopeEnvironment::SetPollGroups(int16_t interval) {
  if (host::HasMod1()) basFunctions::SetPollGroups(interval);
}

void ProgramScopeEnvironment::Wait(double seconds) { basFunctions::WaitaWhile(seconds); }

bool ProgramScopeEnvironment::MaintenanceOpen() {
  return basFunctions::FormIsOpen(QStringLiteral("frmMaintenance")) ||
         basFunctions::FormIsOpen(QStringLiteral("frmMaintenance_210"));
}

void ProgramScopeEnvironment::Maint_Interlock(bool starting) {
  basScope::Maint_Interlock(starting);
}

void ProgramScopeEnvironment::LockOtherCommands(bool capturing) {
  if (QWidget* tuning = OpenWindowNamed(QStringLiteral("frmTuning")))
    if (auto* update = tuning->findChild<QWidget*>(QStringLiteral("cmdUpdate")))
      update->setEnabled(!capturing);
  host::SetCommandEnabled(QStringLiteral("mnuUpload"), !capturing);
  host::SetCommandEnabled(QStringLiteral("mnuDownload"), !capturing);
}

void ProgramScopeEnvironment::SetBusyPointer(bool busy) {
  if (busy)
    mainWindow::SetBusyPointer();
  else
    mainWindow::SetNormalPointer();
}

}  // namespace basScope
