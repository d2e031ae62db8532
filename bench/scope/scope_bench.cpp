// Figures of the scope: redraw time of a full plot, processor time of a free-running capture,
// and blocks that arrive full (and so may have lost samples) against the line-paced drive.
//
//   scope_bench                 all three, captures of 120 s
//   scope_bench replot          redraw time only
//   scope_bench cpu [SECONDS]   processor time, 3 channels at 38,400 baud (default 30 s)
//   scope_bench lost [SECONDS]  full blocks at 19,200 (2 channels) and 38,400 (3 channels)
#include <qcustomplot.h>
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app_harness.h"
#include "core/host.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "scope/frm_scope.h"
#include "scope/scope_plot.h"
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

// Processor time of this thread: unlike the wall clock it does not count the time other
// processes of a busy machine take the core away.
double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The machine's load over the last minute: lost blocks depend on how soon the program's
// threads get a core back, so the figure is printed beside them.
double loadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void benchReplot() {
  ScopePlot plot;
  plot.resize(1100, 560);
  plot.show();
  constexpr int kPoints = 15000;  // 120 s of samples
  for (int c = 0; c < ScopePlot::kChannels; ++c) {
    QVector<double> seconds, values;
    for (int i = 1; i <= kPoints; ++i) {
      seconds << i * 0.008;
      values << 1000 * std::sin(i * 0.008 * (c + 1)) + 50 * std::sin(i * 0.7);
    }
    plot.SetYRange(c, -1200, 2400);
    plot.AppendPoints(c, seconds, values);
  }
  for (double span : {120.0, 4.0}) {
    plot.SetXAxis(120 - span, span);
    plot.ReplotNow();
    std::vector<double> wall, cpu;
    for (int run = 0; run < 60; ++run) {
      QElapsedTimer clock;
      clock.start();
      const double cpuBefore = threadCpuMs();
      plot.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
      cpu.push_back(threadCpuMs() - cpuBefore);
      wall.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf(
        "replot, 3 channels x %d points, %3.0f s in view: median %.2f ms processor time "
        "(%.2f ms wall clock) over %zu redraws (target <= 5 ms)\n",
        kPoints, span, median(cpu), median(wall), wall.size());
  }
}

struct Capture {
  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  frmScope* scope = nullptr;

  // The virtual drive in RTU at `baud`, the program connected, the scope open.
  bool open(const QString& baud, int speedIndex) {
    if (!drive.start(1, {"--mode", "rtu", "--settings", baud + ",N,8,2"})) {
      std::printf("capture: %s\n", qPrintable(drive.error()));
      return false;
    }
    frmMain* main = program.start();
    if (!main) return false;
    commSettings::Selection selection;
    selection.portIndex = 0;
    selection.speedIndex = speedIndex;
    selection.protocolIndex = 6;
    selection.speedText = baud;
    selection.addressText = "1";
    prompt::ScriptReplies({apptest::Answer(prompt::Yes)});
    commSettings::Connect(selection);
    if (basComm::DriveConnected != 1 ||
        !apptest::WaitFor([] { return basFunctions::InitComplete; }, 30000)) {
      std::printf("capture: could not connect to the virtual drive at %s baud\n", qPrintable(baud));
      return false;
    }
    prompt::ScriptReplies({apptest::Answer(prompt::Yes)});
    main->RunCommand("mnuScope");
    scope = frmScope::Instance();
    return scope != nullptr;
  }
  void startFreeRunning() {
    scope->findChild<QComboBox*>("cmbScopeMode")->setCurrentIndex(2);
    scope->findChild<QComboBox*>("cmbBufferSize")->setCurrentText("120");
    scope->findChild<QPushButton*>("cmdStartStopScope")->click();
  }
  void stop() {
    if (scope->capture().Running) scope->findChild<QPushButton*>("cmdStartStopScope")->click();
    basComm::CloseConnection();
    program.stop();
  }
};

void benchProcessorTime(int seconds) {
  Capture capture;
  if (!capture.open("38400", 3)) return;
  capture.startFreeRunning();
  runEventLoop(1000);
  const double before = processCpuSeconds();
  QElapsedTimer clock;
  clock.start();
  runEventLoop(seconds * 1000);
  const double wall = clock.nsecsElapsed() / 1e9;
  const double cpu = processCpuSeconds() - before;
  std::printf(
      "free-running capture, 3 channels at 38,400 baud: %.2f s processor time in %.1f s "
      "= %.1f %% of one core (target < 10 %%), load average %.1f\n",
      cpu, wall, 100.0 * cpu / wall, loadAverage());
  capture.stop();
}

void benchLostBlocks(const QString& baud, int speedIndex, int seconds) {
  Capture capture;
  if (!capture.open(baud, speedIndex)) return;
  capture.startFreeRunning();
  runEventLoop(seconds * 1000);
  const basScope::ScopeCapture& engine = capture.scope->capture();
  const int channels = basScope::ScopeChannelCount;
  const int32_t polls = engine.ScopePollCount;
  const int32_t samples = engine.ScopeTimeMs[0] / basScope::kSampleMs;
  const int32_t readMs = host::Mod1().get_PollTransactionTime(0);
  std::printf(
      "free running %d s, %d channels at %s baud RTU: %d of %d channel blocks full "
      "(target 0), largest block %d, %d polls, %.1f ms a read, channel 1 took %d of "
      "about %d samples, load average %.1f\n",
      seconds, channels, qPrintable(baud), engine.ScopeFullBlocks, polls * channels,
      engine.ScopeMaxBlock, polls, double(readMs), samples, seconds * basScope::kSamplesPerSecond,
      loadAverage());
  capture.stop();
}

}  // namespace

int main(int argc, char** argv) {
  apptest::PrepareProcessEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  const QString what = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
  const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 0;
  if (what.isEmpty() || what == "replot") benchReplot();
  if (what.isEmpty() || what == "cpu") benchProcessorTime(seconds ? seconds : 30);
  if (what.isEmpty() || what == "lost") {
    benchLostBlocks("19200", 2, seconds ? seconds : 120);
    benchLostBlocks("38400", 3, seconds ? seconds : 120);
  }
  return 0;
}
