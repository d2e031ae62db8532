// frmMain: the Maintenance Screen command of the Utilities menu and the toolbar.
#include "core/logs.h"
#include "core/prompt.h"
#include "maint/frm_maintenance.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "shell/frm_main.h"

using basFunctions::guarded;

void frmMain::mnuMaint_Click() {
  guarded("frmMain, mnuMaint_Click", [&] {
    if (basFunctions::getMode().startsWith(QLatin1Char('T'))) {
      prompt::MsgBox(QStringLiteral("Maintenance screen is unavailable in Torque Mode"),
                     prompt::Buttons::OK, prompt::Icon::Exclamation,
                     QStringLiteral("Screen Unavailable"));
      return;
    }
    if (prompt::MsgBox(QStringLiteral("Please ensure that you have backed up the current "
                                      "settings prior ") +
                           "to making changes." + "\r" + "Would you like to do that now?",
                       prompt::Buttons::YesNo, prompt::Icon::Exclamation,
                       QStringLiteral("Backup Before Making Changes!")) == prompt::Yes) {
      mnuUpload_Click();
      mnuSave_Click();
    }
    const double firmware = number_text::LeadingNumber(basFunctions::DriveIdentity.firmware);
    frmMaintenance::Display(basMaint::VariantForFirmware(firmware));
  });
}
