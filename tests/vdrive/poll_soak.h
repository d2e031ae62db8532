// A polling soak on the paced virtual drive, as a technician runs one: portwright-cli polls two
// blocks of four registers with distinct values (P1.09..P1.12 = 1109..1112, P2.09..P2.12 =
// 2109..2112) every 10 ms with a 100 ms time-out, while a late reply (beyond the time-out) and,
// half a period later, a noise-led reply are injected once per period. Every value the poll
// reports is checked against its own block. Shared by vdrive_pty_tests and the line benchmark.
#pragma once

#include <string>

namespace vdtest {

struct SoakPlan {
  std::string cli;  // the portwright-cli executable
  int seconds = 60;
  int faultPeriodMs = 1000;
  int lateMs = 130;  // the reply starts this late; the time-out is 100 ms
  std::string settings = "19200,O,8,1";
};

struct SoakFigures {
  bool ran = false;
  int lateInjected = 0;
  int noiseInjected = 0;
  int goodPolls = 0;
  int failedPolls = 0;
  int wrongValues = 0;     // values shown for a block that are not that block's
  std::string firstWrong;  // the first poll line that showed one, for the report
};

SoakFigures RunPollSoak(const SoakPlan& plan);

}  // namespace vdtest
