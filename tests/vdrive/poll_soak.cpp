#include "poll_soak.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <sstream>
#include <thread>

#include "vdrive_process.h"

namespace vdtest {

namespace {

using Clock = std::chrono::steady_clock;

// The value each polled register holds: P1.09.. at 266.., P2.09.. at 522...
std::map<int, int> BlockValues() {
  std::map<int, int> values;
  for (int i = 0; i < 4; ++i) {
    values[266 + i] = 1109 + i;
    values[522 + i] = 2109 + i;
  }
  return values;
}

// One poll line: "hh:mm:ss.mmm item 1 node 1 address 522: 522=2109 ..." or ": no change" or
// ": result -1 (...)".
void Count(const std::string& line, const std::map<int, int>& values, SoakFigures& figures) {
  const size_t colon = line.find(": ", line.find(" address "));
  if (line.find(" item ") == std::string::npos || colon == std::string::npos) return;
  const std::string rest = line.substr(colon + 2);
  if (rest.rfind("result", 0) == 0) {
    ++figures.failedPolls;
    return;
  }
  ++figures.goodPolls;
  std::istringstream words(rest);
  for (std::string word; words >> word;) {
    int address = 0, value = 0;
    if (std::sscanf(word.c_str(), "%d=%d", &address, &value) != 2) continue;
    const auto it = values.find(address);
    if (it != values.end() && it->second == value) continue;
    if (figures.wrongValues++ == 0) figures.firstWrong = line;
  }
}

}  // namespace

SoakFigures RunPollSoak(const SoakPlan& plan) {
  SoakFigures figures;
  VdriveProcess drive;
  if (!drive.Start({"--database", "/nonexistent/VM.vmd", "--no-map", "--mode", "rtu", "--settings",
                    plan.settings}) ||
      drive.Command("set P1.09 1109 1110 1111 1112") != "OK" ||
      drive.Command("set P2.09 2109 2110 2111 2112") != "OK")
    return figures;
  const std::string command = plan.cli + " --port " + drive.Device() + " --settings " +
                              plan.settings + " --timeout 100 poll --interval 10 --duration " +
                              std::to_string(plan.seconds) + " 1:266:4 1:522:4 2>/dev/null";
  FILE* poll = popen(command.c_str(), "r");
  if (!poll) return figures;

  // Faults go in from a second thread while this one reads the poll lines.
  std::atomic<bool> reading{true};
  std::thread injector([&] {
    const auto start = Clock::now() + std::chrono::milliseconds(500);  // polling has begun
    const auto end = start + std::chrono::seconds(plan.seconds) - std::chrono::milliseconds(600);
    const auto period = std::chrono::milliseconds(plan.faultPeriodMs);
    for (auto at = start; at + period / 2 < end && reading; at += period) {
      std::this_thread::sleep_until(at);
      if (drive.Command("slow " + std::to_string(plan.lateMs) + " 1").rfind("OK", 0) == 0)
        ++figures.lateInjected;
      std::this_thread::sleep_until(at + period / 2);
      if (drive.Command("junk 1").rfind("OK", 0) == 0) ++figures.noiseInjected;
    }
  });
  const std::map<int, int> values = BlockValues();
  char line[512];
  while (std::fgets(line, sizeof line, poll)) Count(line, values, figures);
  reading = false;
  injector.join();
  figures.ran = pclose(poll) == 0;
  return figures;
}

}  // namespace vdtest
