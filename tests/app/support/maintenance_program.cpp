// The program for tests that must see what a drive does once the program is gone: started
// with "--maintenance <COM number>" it connects to that port at the drive's factory line
// settings (19200 baud, RTU 8,O,1, node 1), opens the maintenance screen answering every
// question No (no backup), and prints "VELUMO_TEST maintenance open" on stdout. The test then
// moves the motor through the drive's control channel and kills it. This start exists only in
// the tests' build: the shipped program has no way to move a motor without a technician.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "core/host.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "maint/frm_maintenance.h"
#include "shell/bas_main.h"
#include "shell/frm_main.h"

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
  // The connect's pauses taken out (the reads wait for their replies), the normal poll
  // group's first pass at once.
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

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  const QStringList arguments = QApplication::arguments();
  const int at = arguments.indexOf(QStringLiteral("--maintenance"));
  const int comNumber = at > 0 ? arguments.value(at + 1).toInt() : 0;
  if (comNumber < 1 || comNumber > 8) {
    std::fprintf(stderr, "usage: %s --maintenance <COM number 1..8>\n", argv[0]);
    return 2;
  }
  if (!basMain::Main()) return 0;
  QTimer::singleShot(0, [comNumber] { openMaintenance(comNumber); });
  const int result = QApplication::exec();
  basMain::EndMain();
  return result;
}
