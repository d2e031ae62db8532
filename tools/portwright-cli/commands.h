// The commands of portwright-cli: one transaction, a poll run, and the port map.
#pragma once

#include "cli_options.h"

namespace pwcli {

constexpr int kExitGood = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

// Runs a parsed command; needs a QCoreApplication. Reports errors itself.
int RunCommand(const CommandLine& commandLine);

}  // namespace pwcli
