// frmMain: the Tuning Screen command of the Utilities menu (toolbar button 9).
#include "core/logs.h"
#include "params/drive_identity.h"
#include "shell/frm_main.h"
#include "tuning/frm_tuning.h"

void frmMain::mnuTuning_Click() {
  basFunctions::guarded("frmMain, mnuTuning_Click", [] {
    basFunctions::getMode();
    frmTuning::Display();
  });
}
