// frmMain: the configuration commands (new, open, recent files, save, save as, upload,
// download, options). They run the modules of app/params and the options window.
#include "config/config_io.h"
#include "config/drive_transfer.h"
#include "config/frm_new_config.h"
#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "shell/frm_main.h"
#include "shell/frm_options.h"

using basFunctions::guarded;

void frmMain::mnuNewDetailed_Click() {
  guarded("frmMain, mnuNewDetailed_Click", [&] {
    basMain::ExpressActive = false;
    if (!basFunctions::UnsavedChangesPrompt()) return;
    frmNewConfig* dialog = frmNewConfig::instance();
    if (!dialog || host::IsUnloaded(dialog)) dialog = new frmNewConfig;
    dialog->Tag = QStringLiteral("Detailed");
    host::ShowChild(dialog);
  });
}

void frmMain::mnuOpenDetailed_Click() {
  guarded("frmMain, mnuOpenDetailed_Click", [&] { basFunctions::OpenConfiguration(); });
}

void frmMain::mnuRUF_Click(int index) {
  guarded("frmMain, mnuRUF_Click", [&] { basFunctions::OpenRecentFile(index); });
}

void frmMain::mnuSave_Click() {
  guarded("frmMain, mnuSave_Click", [&] { basFunctions::SaveConfiguration(); });
}

void frmMain::mnuSaveAs_Click() {
  guarded("frmMain, mnuSaveAs_Click", [&] { basFunctions::SaveConfigurationAs(); });
}

void frmMain::mnuUpload_Click() {
  guarded("frmMain, mnuUpload_Click", [&] { basFunctions::Upload(); });
}

void frmMain::mnuDownload_Click() {
  guarded("frmMain, mnuDownload_Click", [&] { basFunctions::Download(); });
}

void frmMain::mnuOptions_Click() {
  guarded("frmMain, mnuOptions_Click", [&] {
    frmOptions* options = frmOptions::instance();
    host::ShowChild(options && !host::IsUnloaded(options) ? options : new frmOptions);
  });
}
