// portwright-cli: a technician's Modbus master on the command line, built on the Portwright
// control exactly as a host program uses it. Values read go to stdout; everything else to
// stderr. Exit codes: 0 good, 1 the transaction failed, 2 bad command line, 3 refused by the
// control or the system.
#include <QCoreApplication>
#include <cstdio>
#include <exception>

#include "cli_options.h"
#include "commands.h"

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  pwcli::CommandLine commandLine;
  try {
    commandLine = pwcli::ParseCommandLine(args);
  } catch (const pwcli::UsageError& e) {
    std::fprintf(stderr, "portwright-cli: %s\n(portwright-cli --help shows the usage)\n", e.what());
    return pwcli::kExitUsage;
  }
  if (commandLine.command == pwcli::Command::Help) {
    std::fputs(pwcli::UsageText(), stderr);
    return args.empty() ? pwcli::kExitUsage : pwcli::kExitGood;
  }
  // The control delivers its events and its worker's calls through this thread's loop.
  QCoreApplication app(argc, argv);
  return pwcli::RunCommand(commandLine);
}
