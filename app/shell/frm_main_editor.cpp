// frmMain: the commands of the parameter editor.
#include "core/app_state.h"
#include "core/logs.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "shell/frm_main.h"

using basFunctions::guarded;

void frmMain::LoadTab() { basFunctions::LoadTab(frmTabConfig::instance()); }

void frmMain::mnuDetail_Click() {
  guarded("frmMain, mnuDetail_Click", [&] {
    frmTabConfig* editor = frmTabConfig::instance();
    if (editor &&
        (basMain::EditorTag == QLatin1String("1") || basMain::EditorTag == QLatin1String("3"))) {
      editor->ShowWindow();
      setProperty("Tag", QStringLiteral("Detailed"));
      return;
    }
    RunCommand(QStringLiteral("mnuOpenDetailed"));
  });
}
