// frmMain: the commands of the parameter editor.
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "shell/frm_main.h"
#include "shell/logs.h"

void frmMain::LoadTab() {
  basFunctions::LoadTab(frmTabConfig::instance());
}

void frmMain::mnuDetail_Click() {}
