#include "maint/maint_test_hook.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "maint/frm_maintenance.h"
#include "shell/frm_main.h"
#include "shell/poll_groups.h"
#include "shell/prompt.h"
#include "shell/status.h"

namespace basMaint {
namespace {

void say(const char* line) {
  std::printf("VELUMO_TEST %s\n", line);
  std::fflush(stdout);
}

void openMaintenance(int comNumber) {
  prompt::SetResponder([](const prompt::Shown&) { return prompt::Reply{prompt::No, QString()}; });
  commSettings::Selection selection;
  selection.portIndex = comNumber - 1;
  selection.speedIndex = 2;     // 19200
  selection.protocolIndex = 8;  // RTU 8,O,1
  selection.speedText = QStringLiteral("19200");
  selection.addressText = QStringLiteral("1");
  commSettings::Connect(selection);
  QElapsedTimer waited;
  waited.start();
  while (!basFunctions::InitComplete && waited.elapsed() < 30000) basFunctions::WaitaWhile(0.1);
  frmMain* main = frmMain::instance();
  if (basComm::DriveConnected != 1 || !basFunctions::InitComplete || !main) {
    say("connect failed");
    return;
  }
  main->RunCommand(QStringLiteral("mnuMaint"));
  say(frmMaintenance::OpenScreen() ? "maintenance open" : "maintenance failed");
}

}  // namespace

void StartTestHookIfAsked() {
  const int comNumber = qEnvironmentVariableIntValue("VELUMO_TEST_MAINTENANCE");
  if (comNumber < 1 || comNumber > 8) return;
  QTimer::singleShot(0, [comNumber] { openMaintenance(comNumber); });
}

}  // namespace basMaint
