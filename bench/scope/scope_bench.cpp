// Figures of the scope: redraw time of a full plot (zoomed too), the time to measure a 120 s
// channel's step figures and spectrum, processor time of a free-running capture, and the
// samples lost in captures against the line-paced drive, counted exactly by the drive itself.
//
//   scope_bench                    all of them, captures of 120 s
//   scope_bench replot             redraw time only
//   scope_bench analysis           step figures and spectrum of 15,000 samples
//   scope_bench cpu [SECONDS]      processor time, 3 channels at 38,400 baud (default 30 s)
//   scope_bench lost [SECONDS]     lost samples at 19,200 (2 channels) and 38,400 (3 channels)
//   scope_bench lost19200|lost38400 [SECONDS]  one of the two
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
#include "scope/scope_figures.h"
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
  // The whole capture, the last 4 s, and zoomed in to half a second in its middle.
  for (double span : {120.0, 4.0, 0.5}) {
    plot.SetXAxis(span < 1 ? 60 : 120 - span, span);
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
        "replot, 3 channels x %d points, %5.1f s in view: median %.2f ms processor time "
        "(%.2f ms wall clock) over %zu redraws (target <= 5 ms)\n",
        kPoints, span, median(cpu), median(wall), wall.size());
  }
}

// A 120 s channel: a step response with a resonance and noise.
void benchAnalysis() {
  QVector<QPointF> points;
  for (int i = 1; i <= 15000; ++i) {
    const double t = i * 0.008;
    points << QPointF(t, (t < 10 ? 0 : 1500 * (1 - std::exp(-(t - 10) / 0.08))) +
                             40 * std::sin(2 * M_PI * 23.4 * t) + 5 * std::sin(i * 1.7));
  }
  std::vector<double> cpu, wall;
  for (int run = 0; run < 21; ++run) {
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = threadCpuMs();
    const basScope::ChannelFigures figures =
        basScope::MeasureChannel(QStringLiteral("bench"), QString(), 0, 120, points);
    cpu.push_back(threadCpuMs() - cpuBefore);
    wall.push_back(clock.nsecsElapsed() / 1e6);
    if (run == 0 && (!figures.step.found || figures.spectrum.peaks.empty()))
      std::printf("analysis: no figures\n");
  }
  std::printf(
      "step figures and spectrum of one 120 s channel (15,000 samples): median %.2f ms "
      "processor time (%.2f ms wall clock) over %zu runs\n",
      median(cpu), median(wall), cpu.size());
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

// Counts every scope poll result as it arrives, while the control's worker waits for it: the
// drive's own counts read here belong to exactly the reads the program has been given.
struct LostSampleCount : portwright::_IModbusAtlEvents {
  apptest::VirtualDrive& drive;
  double seconds;
  int results = 0, failedPolls = 0;
  int64_t received = 0;  // channel 1 samples in the good results after the first used one
  int32_t readMs = 0;
  int64_t drawnAtStart = -1, drawnAtEnd = -1, droppedAtStart = 0, droppedAtEnd = 0;
  QElapsedTimer clock;
  bool done = false;

  QPushButton* startStop = nullptr;

  LostSampleCount(apptest::VirtualDrive& d, double s) : drive(d), seconds(s) {}
  void Done(int16_t) override {}
  // handed + dropped: every sample the drive took before its last read, and the dropped ones.
  bool readDrive(int64_t* drawn, int64_t* dropped) {
    const QString reply = drive.command(QStringLiteral("scope"));
    const QStringList fields = reply.split(QChar(' '));
    if (fields.size() != 3) return false;
    const int64_t handed = fields[1].section('=', 1).section(',', 0, 0).toLongLong();
    *dropped = fields[2].section('=', 1).section(',', 0, 0).toLongLong();
    *drawn = handed + *dropped;
    return true;
  }
  void OnPoll(int16_t, int16_t result, portwright::VARIANT_BOOL) override {
    if (done || basFunctions::PollGroup != 2) return;
    ++results;
    if (results < 2) return;  // the program never uses the first result
    if (drawnAtStart < 0) {
      if (result == 0 && readDrive(&drawnAtStart, &droppedAtStart)) clock.start();
      return;
    }
    if (result != 0) {
      ++failedPolls;
      return;
    }
    received += host::Mod1().get_PollData(0, 1);
    readMs = host::Mod1().get_PollTransactionTime(0);
    if (clock.elapsed() < seconds * 1000) return;
    done = readDrive(&drawnAtEnd, &droppedAtEnd);
    // Stopped before the next result comes in, so the program has had just these reads.
    if (done) QMetaObject::invokeMethod(startStop, &QPushButton::click, Qt::QueuedConnection);
  }
};

void benchLostSamples(const QString& baud, int speedIndex, int seconds) {
  Capture capture;
  if (!capture.open(baud, speedIndex)) return;
  LostSampleCount count(capture.drive, seconds);
  count.startStop = capture.scope->findChild<QPushButton*>("cmdStartStopScope");
  const uint32_t cookie = host::Mod1().Advise(&count);
  capture.startFreeRunning();
  const basScope::ScopeCapture& engine = capture.scope->capture();
  apptest::WaitFor([&] { return count.done && !engine.Running; }, (seconds + 60) * 1000);
  host::Mod1().Unadvise(cookie);
  const int64_t drawn = count.drawnAtEnd - count.drawnAtStart;
  const int64_t lost = drawn - count.received;
  std::printf(
      "free running %d s, %d channels at %s baud RTU: %lld of %lld samples per channel lost "
      "(the drive's count; target 0): %lld dropped by the drive, %lld in %d failed polls; the "
      "scope counted %lld lost in %d gaps, %d failed polls, %d full blocks; %.1f ms a read, "
      "load average %.1f\n",
      seconds, int(basScope::ScopeChannelCount), qPrintable(baud), (long long)lost,
      (long long)drawn, (long long)(count.droppedAtEnd - count.droppedAtStart),
      (long long)(lost - (count.droppedAtEnd - count.droppedAtStart)), count.failedPolls,
      (long long)engine.ScopeLostSamples(), engine.ScopeGaps(), engine.ScopeFailedPolls,
      engine.ScopeFullBlocks, double(count.readMs), loadAverage());
  if (!count.done) std::printf("lost: the capture did not run its %d s\n", seconds);
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
  if (what.isEmpty() || what == "analysis") benchAnalysis();
  if (what.isEmpty() || what == "cpu") benchProcessorTime(seconds ? seconds : 30);
  if (what.isEmpty() || what == "lost" || what == "lost19200")
    benchLostSamples("19200", 2, seconds ? seconds : 120);
  if (what.isEmpty() || what == "lost" || what == "lost38400")
    benchLostSamples("38400", 3, seconds ? seconds : 120);
  return 0;
}
