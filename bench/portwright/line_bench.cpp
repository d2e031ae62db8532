// portwright_line_bench: the component's transaction on a paced line (the built virtual drive,
// RTU 8,O,1), printed, never asserted.
//
//   portwright_line_bench [reads] [soak [SECONDS]]     (default: both, a 60 s soak)
//
//  - reads: one clean read of 4 holding registers through RunTransaction over the serial port
//    at 19,200 and 115,200 baud, median and 90th percentile of 200, back to back (each request
//    written as soon as the previous reply is in) and spaced 20 ms apart;
//  - soak: portwright-cli polling two 4-register blocks every 10 ms at a 100 ms time-out,
//    with a reply 130 ms late and a noise-led reply injected once a second each: good polls,
//    failed polls and values credited to the wrong block.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "poll_soak.h"
#include "serial_port.h"
#include "transaction.h"
#include "vdrive_process.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReads = 200;

struct Spread {
  double median = 0, p90 = 0;
  int failed = 0;
};

Spread TimeReads(portwright::SerialPort& port, std::chrono::milliseconds pause) {
  portwright::TransactionRecord record;
  record.function = portwright::ReadHoldingReg;
  record.address = 266;
  record.quantity = 4;
  portwright::ReceiveBuffer buffer;
  int16_t result = 0;
  std::vector<double> millis;
  Spread spread;
  for (int i = 0; i < kReads; ++i) {
    std::this_thread::sleep_for(pause);
    const auto start = Clock::now();
    if (portwright::RunTransaction(record, portwright::RTU, port, 500, result, buffer) != 0) {
      ++spread.failed;
      continue;
    }
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  if (millis.empty()) return spread;
  std::sort(millis.begin(), millis.end());
  spread.median = millis[millis.size() / 2];
  spread.p90 = millis[millis.size() * 9 / 10];
  return spread;
}

void MeasureReads(int baud) {
  const std::string settings = std::to_string(baud) + ",O,8,1";
  vdtest::VdriveProcess drive;
  portwright::SerialPort port;
  if (!drive.Start({"--database", "/nonexistent/VM.vmd", "--no-map", "--mode", "rtu", "--settings",
                    settings}) ||
      !port.Open(drive.Device(), settings)) {
    std::printf("reads: cannot reach the virtual drive at %s\n", settings.c_str());
    return;
  }
  // 8 request and 13 reply characters of 11 bits, and the drive's 3 ms turnaround.
  const double lineMs = 21 * 11 * 1000.0 / baud + 3;
  for (int pauseMs : {0, 20}) {
    const Spread s = TimeReads(port, std::chrono::milliseconds(pauseMs));
    std::printf(
        "clean 4-register read at %6d baud, %s: median %.2f ms, p90 %.2f ms (%d failed; "
        "line time %.2f ms)\n",
        baud, pauseMs == 0 ? "back to back  " : "20 ms apart   ", s.median, s.p90, s.failed,
        lineMs);
  }
}

void MeasureSoak(int seconds) {
  vdtest::SoakPlan plan;
  plan.cli = PORTWRIGHT_CLI;
  plan.seconds = seconds;
  const vdtest::SoakFigures soak = vdtest::RunPollSoak(plan);
  if (!soak.ran) std::printf("soak: the poll did not run to its end\n");
  std::printf(
      "soak, %d s of 10 ms polling of 1:266:4 1:522:4 at 19200,O,8,1, time-out 100 ms: %d late "
      "(130 ms) and %d noise-led replies injected; %d good polls, %d failed polls (target: one "
      "per fault), %d values credited to the wrong block (target 0)\n",
      seconds, soak.lateInjected, soak.noiseInjected, soak.goodPolls, soak.failedPolls,
      soak.wrongValues);
  if (!soak.firstWrong.empty()) std::printf("  first wrong: %s", soak.firstWrong.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  bool reads = argc == 1, soak = argc == 1;
  int seconds = 60;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "reads") == 0) reads = true;
    if (std::strcmp(argv[i], "soak") == 0) {
      soak = true;
      if (i + 1 < argc && std::atoi(argv[i + 1]) > 0) seconds = std::atoi(argv[++i]);
    }
  }
  if (reads)
    for (int baud : {19200, 115200}) MeasureReads(baud);
  std::fflush(stdout);
  if (soak) MeasureSoak(seconds);
  return 0;
}
