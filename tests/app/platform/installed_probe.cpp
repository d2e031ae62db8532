// A stand-in for the installed program, copied by install_test into the installed program
// folder (<prefix>/lib/velumopro) and run there as an unprivileged user: it starts as the
// program does (basMain::Main, every question answered OK), then does one thing and prints
// what the user was told, one "VELUMO_PROBE" line each, and ends.
//   help         opens the help window on its contents: "help <collection> <topics>"
//   diagnostics  writes the diagnostics report from the About window: "prompt <text>" lines
#include <QApplication>
#include <QElapsedTimer>
#include <QHelpContentModel>
#include <QHelpEngine>
#include <cstdio>

#include "core/app_state.h"
#include "core/host.h"
#include "core/prompt.h"
#include "shell/bas_main.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "shell/help/frm_help.h"

namespace {

void say(const QString& line) {
  std::printf("VELUMO_PROBE %s\n", line.toLocal8Bit().constData());
  std::fflush(stdout);
}

void showHelp() {
  frmHelp* help = frmHelp::ShowTab(frmHelp::Contents);
  if (!help) return say("help failed");
  QElapsedTimer waited;
  waited.start();
  while (help->engine()->contentModel()->rowCount() == 0 && waited.elapsed() < 30000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  say("help " + frmHelp::CollectionInUse(basMain::HelpFile, host::IsInstalled()) + " " +
      QString::number(help->engine()->contentModel()->rowCount()));
}

void writeDiagnostics() {
  frmAbout about(frmMain::instance());
  about.cmdDiagnostics_Click();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  const QString task = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  prompt::SetResponder([](const prompt::Shown& shown) {
    say("prompt " + QString(shown.text).replace('\r', " | "));
    return prompt::Reply{prompt::Ok, QString()};
  });
  say(QStringLiteral("data folder ") + host::ProgramFolder());
  if (!basMain::Main()) return 1;
  if (task == QLatin1String("help")) showHelp();
  if (task == QLatin1String("diagnostics")) writeDiagnostics();
  basMain::EndMain();
  return 0;
}
