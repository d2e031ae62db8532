// portwright_bench: prints the median round trip of a 3-register read through the control
// (Action to Done on the host's event loop) and through a libmodbus master, both against a
// libmodbus slave over a direct pseudo-terminal, their ratio, and the processor time of a
// control polling one item every second for ten seconds.
#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "roundtrip.h"
#include "slave_process.h"

namespace {

constexpr int kReads = 1000;
constexpr int kWarmUpReads = 50;
constexpr int kRounds = 10;
constexpr int kPollIntervalMs = 1000;
constexpr int kPollSeconds = 10;

void Run(const bench::SlaveProcess& slaves) {
  portwright::IModbusAtl* control = bench::OpenReadControl(slaves.devicePaths()[0]);

  // Warm up, then alternate rounds of both masters so that both see the same machine load.
  bench::TimeControlReads(*control, kWarmUpReads, false);
  bench::TimeLibmodbusReads(slaves.devicePaths()[1], kWarmUpReads);
  std::vector<double> controlTimes, libmodbusTimes;
  for (int round = 0; round < kRounds; ++round) {
    auto c = bench::TimeControlReads(*control, kReads / kRounds, false).total;
    auto l = bench::TimeLibmodbusReads(slaves.devicePaths()[1], kReads / kRounds);
    controlTimes.insert(controlTimes.end(), c.begin(), c.end());
    libmodbusTimes.insert(libmodbusTimes.end(), l.begin(), l.end());
  }
  const double viaControl = bench::Median(controlTimes);
  const double viaLibmodbus = bench::Median(libmodbusTimes);
  std::printf("read 3 holding registers, median of %d:\n", kReads);
  std::printf("  control, Action to Done on the event loop: %8.1f us\n", viaControl);
  std::printf("  libmodbus modbus_read_registers:           %8.1f us\n", viaLibmodbus);
  std::printf("  ratio control / libmodbus:                 %8.2f (target <= 1.00)\n",
              viaControl / viaLibmodbus);
  const bench::ControlTimes times = bench::TimeControlReads(*control, kReads, true);
  std::printf(
      "  control with frame trace, medians: Action to Done %.1f us =\n"
      "    Action to request %.1f us + request to reply %.1f us + reply to Done %.1f us\n",
      bench::Median(times.total), bench::Median(times.wakeUp), bench::Median(times.onLine),
      bench::Median(times.handBack));
  std::fflush(stdout);

  const bench::CpuUse use = bench::MeasureIdlePolling(*control, kPollIntervalMs, kPollSeconds);
  std::printf("idle polling, one item every %d ms for %.1f s (%d polls):\n", kPollIntervalMs,
              use.wallSeconds, use.polls);
  std::printf("  processor time %.4f s = %.3f %% of one core (target < 0.5 %%)\n",
              use.processorSeconds, 100.0 * use.processorSeconds / use.wallSeconds);
  control->put_PortOpen(portwright::VARIANT_FALSE);
  control->Release();
}

}  // namespace

int main(int argc, char* argv[]) {
  // A private component store: the benchmark never touches the user's registration or map.
  QTemporaryDir store(QDir::tempPath() + "/portwright-bench-XXXXXX");
  setenv("XDG_CONFIG_HOME", store.path().toLocal8Bit().constData(), 1);
  try {
    bench::SlaveProcess slaves(2);  // forked before any thread exists
    QCoreApplication app(argc, argv);
    Run(slaves);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "portwright_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
