// velumo-config: back up, restore, compare and verify drives from the command line. See
// README.md and --help.
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "options.h"
#include "tool_error.h"

namespace {

using vmconfig::Command;

int Run(vmconfig::Session& session) {
  switch (session.options().command) {
    case Command::Upload:
      return vmconfig::Upload(session);
    case Command::Download:
      return vmconfig::Download(session);
    case Command::Compare:
      return vmconfig::Compare(session);
    case Command::Scan:
      return vmconfig::Scan(session);
    case Command::BackupBus:
      return vmconfig::BackupBus(session);
    case Command::RestoreBus:
      return vmconfig::RestoreBus(session);
    case Command::History:
      return vmconfig::History(session);
    case Command::Report:
      return vmconfig::Report(session);
    case Command::Help:
      break;
  }
  std::fputs(vmconfig::HelpText(), stdout);
  return vmconfig::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  vmconfig::Options options;
  try {
    options = vmconfig::ParseOptions(args);
  } catch (const pwcli::UsageError& e) {
    std::fprintf(stderr, "velumo-config: %s\n(velumo-config --help shows the usage)\n", e.what());
    return vmconfig::kExitUsage;
  }
  // A PDF is painted with Qt's fonts, which need a GUI application; it shows no window, so
  // the offscreen platform serves unless another one is asked for.
  std::unique_ptr<QCoreApplication> app;
  if (options.command == Command::Report) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  QCoreApplication::setApplicationVersion(QStringLiteral(VELUMO_VERSION));
  vmconfig::Session session(options);
  try {
    return Run(session);
  } catch (const vmconfig::ToolError& e) {
    session.out().Error(e.what());
    return e.code();
  } catch (const std::exception& e) {
    session.out().Error(e.what());
    return vmconfig::kExitLocal;
  }
}
