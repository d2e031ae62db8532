// portwright_tcp_bench: the virtual drive behind its Modbus TCP listener on the loopback
// interface. Prints the median and 90th percentile of one 3-register read through the control
// (Action to Done on the host's event loop) and through a libmodbus TCP master in the same run,
// and the wall time of a whole `velumo-config upload` through a gateway with a 2 ms forward
// delay, its bus paced at 19,200 baud and unpaced.
#include <modbus/modbus.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "roundtrip.h"
#include "vdrive_process.h"

namespace {

constexpr int kReads = 2000;
constexpr int kRounds = 10;
constexpr int kWarmUpReads = 50;
constexpr int kUploads = 5;

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
  std::nth_element(values.begin(), values.begin() + static_cast<long>(at), values.end());
  return values[at];
}

std::vector<double> TimeLibmodbusTcpReads(modbus_t* master, int reads) {
  std::vector<double> times;
  uint16_t words[3];
  for (int i = 0; i < reads; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (modbus_read_registers(master, 0, 3, words) != 3)
      throw std::runtime_error(std::string("libmodbus read failed: ") + modbus_strerror(errno));
    times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  return times;
}

void CompareReads() {
  vdtest::VdriveProcess drive;
  if (!drive.Start({"--database", "/nonexistent/VM.vmd", "--no-map", "--no-pacing", "--listen",
                    "mbtcp:127.0.0.1:0"}))
    throw std::runtime_error("the virtual drive did not start");
  const std::string endpoint = drive.Device();
  const int port = std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
  portwright::IModbusAtl* control = bench::OpenReadControl(endpoint);
  modbus_t* master = modbus_new_tcp("127.0.0.1", port);
  if (!master || modbus_set_slave(master, 1) != 0 || modbus_connect(master) != 0)
    throw std::runtime_error("libmodbus cannot connect to " + endpoint);

  // Warm up, then alternate rounds of both masters so that both see the same machine load.
  bench::TimeControlReads(*control, kWarmUpReads, false);
  TimeLibmodbusTcpReads(master, kWarmUpReads);
  std::vector<double> viaControl, viaLibmodbus;
  for (int round = 0; round < kRounds; ++round) {
    const auto c = bench::TimeControlReads(*control, kReads / kRounds, false).total;
    const auto l = TimeLibmodbusTcpReads(master, kReads / kRounds);
    viaControl.insert(viaControl.end(), c.begin(), c.end());
    viaLibmodbus.insert(viaLibmodbus.end(), l.begin(), l.end());
  }
  std::printf("read 3 holding registers over Modbus TCP on loopback (unpaced drive), %d each:\n",
              kReads);
  std::printf("  control, Action to Done:        median %7.1f us  p90 %7.1f us\n",
              Percentile(viaControl, 0.5), Percentile(viaControl, 0.9));
  std::printf("  libmodbus modbus_read_registers: median %7.1f us  p90 %7.1f us\n",
              Percentile(viaLibmodbus, 0.5), Percentile(viaLibmodbus, 0.9));
  const bench::ControlTimes times = bench::TimeControlReads(*control, kReads / kRounds, true);
  std::printf(
      "  control with frame trace, medians: Action to request %.1f us + request to reply %.1f "
      "us + reply to Done %.1f us\n",
      bench::Median(times.wakeUp), bench::Median(times.onLine), bench::Median(times.handBack));
  std::fflush(stdout);
  modbus_close(master);
  modbus_free(master);
  control->put_PortOpen(portwright::VARIANT_FALSE);
  control->Release();
}

#ifdef VELUMO_CONFIG
void TimeUploads(bool paced) {
  vdtest::VdriveProcess gateway;
  std::vector<std::string> args{"--no-map", "--listen", "mbtcp:127.0.0.1:0", "--gateway-delay",
                                "2"};
  if (!paced) args.push_back("--no-pacing");
  if (!gateway.Start(args)) throw std::runtime_error("the virtual drive did not start");
  QTemporaryDir folder;
  std::vector<double> seconds;
  for (int i = 0; i < kUploads; ++i) {
    QProcess tool;
    QElapsedTimer wall;
    wall.start();
    tool.start(VELUMO_CONFIG, {"--port", QString::fromStdString(gateway.Device()), "upload",
                               folder.filePath("up.vmc")});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
      throw std::runtime_error("velumo-config upload failed: " +
                               tool.readAllStandardError().toStdString());
    seconds.push_back(wall.nsecsElapsed() / 1e9);
  }
  std::printf("  %-34s median %.3f s  max %.3f s\n",
              paced ? "bus paced at 19,200 baud 8,O,1:" : "bus unpaced:", Percentile(seconds, 0.5),
              *std::max_element(seconds.begin(), seconds.end()));
  std::fflush(stdout);
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
  // A private component store: the benchmark never touches the user's registration or map.
  QTemporaryDir store(QDir::tempPath() + "/portwright-bench-XXXXXX");
  setenv("XDG_CONFIG_HOME", store.path().toLocal8Bit().constData(), 1);
  try {
    QCoreApplication app(argc, argv);
    CompareReads();
#ifdef VELUMO_CONFIG
    std::printf(
        "velumo-config upload (identify, groups 0-4) over Modbus TCP, gateway forward delay "
        "2 ms, wall time of the process, %d runs:\n",
        kUploads);
    TimeUploads(true);
    TimeUploads(false);
#endif
  } catch (const std::exception& e) {
    std::fprintf(stderr, "portwright_tcp_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
