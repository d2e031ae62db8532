#include "maint/maint_test_hook.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "maint/frm_maintenance.h"
#include "shell/frm_main.h"
#include "shell/host.h"
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
  // The test wants the screen, not the connect's pacing: the pauses are taken out (the reads
  // wait for their replies) and the normal poll group makes its first pass at once.
  basFunctions::PauseScale = 0;
  commSettings::Connect(selection);
  basFunctions::PauseScale = 1;
  if (basComm::DriveConnected == 1) host::Mod1().put_PollInterval(10);
  QElapsedTimer waited;
  waited.start();
  while (basComm::DriveConnected == 1 && !basFunctions::InitComplete && waited.elapsed() < 30000)
    basFunctions::WaitaWhile(0.01);
  frmMain* main = frmMain::instance();
  if (basComm::DriveConnected != 1 || !basFunctions::InitComplete || !main) {
    say("connect failed");
    return;
  }
  host::Mod1().put_PollInterval(1000);
  basFunctions::PauseScale = 0;
  main->RunCommand(QStringLiteral("mnuMaint"));
  basFunctions::PauseScale = 1;
  say(frmMaintenance::OpenScreen() ? "maintenance open" : "maintenance failed");
}

}  // namespace

void StartTestHookIfAsked() {
  const int comNumber = qEnvironmentVariableIntValue("VELUMO_TEST_MAINTENANCE");
  if (comNumber < 1 || comNumber > 8) return;
  QTimer::singleShot(0, [comNumber] { openMaintenance(comNumber); });
}

}  // namespace basMaint
