// Figures of the running program: start-up to the main window shown (splash excluded), and
// processor time while connected to the virtual drive with poll group 1 every 1000 ms.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_harness.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "shell/frm_main.h"

namespace {

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void runEventLoop(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

void benchStartup(int runs) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    apptest::ProgramFolder folder;
    apptest::Program program;
    QElapsedTimer clock;
    clock.start();
    frmMain* main = program.start();
    if (!main) {
      std::printf("start-up: Main refused to start\n");
      return;
    }
    // Shown means the window has had its first paint.
    QApplication::processEvents();
    times.push_back(clock.nsecsElapsed() / 1e6);
    program.stop();
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "start-up to main window shown (splash excluded): median %.1f ms, min %.1f ms, "
      "max %.1f ms over %d runs (target < 1000 ms)\n",
      times[times.size() / 2], times.front(), times.back(), runs);
}

void benchPolling(int seconds) {
  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  if (!drive.start(1, {"--mode", "rtu", "--settings", "19200,N,8,2", "--node", "1"})) {
    std::printf("polling: %s\n", qPrintable(drive.error()));
    return;
  }
  apptest::Program program;
  if (!program.start()) return;
  commSettings::Selection selection;
  selection.portIndex = 0;
  selection.speedIndex = 0;
  selection.protocolIndex = 6;
  selection.speedText = "19200";
  selection.addressText = "1";
  commSettings::Connect(selection);
  if (basComm::DriveConnected != 1 ||
      !apptest::WaitFor([] { return basFunctions::InitComplete; }, 20000)) {
    std::printf("polling: could not connect to the virtual drive\n");
    return;
  }
  runEventLoop(2000);  // let the splash and the connect settle
  const double cpuBefore = processCpuSeconds();
  QElapsedTimer clock;
  clock.start();
  runEventLoop(seconds * 1000);
  const double wall = clock.nsecsElapsed() / 1e9;
  const double cpu = processCpuSeconds() - cpuBefore;
  std::printf(
      "connected, poll group 1 every 1000 ms: %.3f s processor time in %.1f s = %.2f %% of "
      "one core (target < 1 %%)\n",
      cpu, wall, 100.0 * cpu / wall);
  basComm::CloseConnection();
  program.stop();
}

}  // namespace

int main(int argc, char** argv) {
  apptest::PrepareProcessEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
  benchStartup(5);
  benchPolling(seconds);
  return 0;
}
