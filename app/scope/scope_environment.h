// The capture's surroundings in the running program: the drive link, the poll groups, the
// status utilities, the maintenance and tuning screens and the main window's commands.
#pragma once

#include "scope/scope_capture.h"

class QString;
class QWidget;

namespace basScope {

// The loaded window of that objectName (an MDI child or a top-level window), or null.
QWidget* OpenWindowNamed(const QString& name);

class ProgramScopeEnvironment : public ScopeEnvironment {
 public:
  bool Connected() override;
  bool TakeLogonNeeded() override;
  void SendLogon() override;
  void WriteSelector(int channel, int code) override;
  int16_t PollGroup() override;
  void SelectPollGroup(int16_t group) override;
  void SetPollGroups(int16_t interval) override;
  void Wait(double seconds) override;
  bool MaintenanceOpen() override;
  void Maint_Interlock(bool starting) override;
  void LockOtherCommands(bool capturing) override;
  void SetBusyPointer(bool busy) override;
};

}  // namespace basScope
