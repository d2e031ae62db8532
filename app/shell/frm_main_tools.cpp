// frmMain: the tool commands of the Drive, Utilities and Help menus that open their windows:
// auto-detect, configuration information, About and the help window (the fault window opens
// from the status-bar flows, which check the connection first).
#include <QPointer>

#include "core/logs.h"
#include "link/frm_auto_detect.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "shell/frm_stats.h"
#include "shell/help/frm_help.h"

using basFunctions::guarded;

void frmMain::mnuAutoDetect_Click() {
  guarded("frmMain, mnuAutoDetect_Click", [&] { frmAutoDetect::Display(); });
}

void frmMain::mnuStats_Click() {
  guarded("frmMain, mnuStats_Click", [&] { frmStats::Display(); });
}

void frmMain::mnuAbout_Click() {
  guarded("frmMain, mnuAbout_Click", [&] {
    QPointer<frmAbout> about = new frmAbout(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->exec();
  });
}

void frmMain::mnuContents_Click() {
  guarded("frmMain, mnuContents_Click", [&] { frmHelp::ShowTab(frmHelp::Contents); });
}

void frmMain::mnuIndex_Click() {
  guarded("frmMain, mnuIndex_Click", [&] { frmHelp::ShowTab(frmHelp::Index); });
}

void frmMain::mnuSearch_Click() {
  guarded("frmMain, mnuSearch_Click", [&] { frmHelp::ShowTab(frmHelp::Search); });
}
