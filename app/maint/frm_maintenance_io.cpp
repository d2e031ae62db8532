// frmMaintenance: software control of the inputs, toggles, forced inputs and outputs, the
// software servo on, and the jog and position-command windows.
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/poll_groups.h"
#include "maint/frm_jog.h"
#include "maint/frm_maintenance.h"
#include "maint/frm_pos_command.h"
#include "params/drive_identity.h"
#include "params/value_table.h"

using basFunctions::DriveImage;
using basFunctions::guarded;
using basFunctions::WaitaWhile;
using namespace basMaint;

namespace {

const QString kInputStatesKey = QStringLiteral("407");
const QString kForcedOutputsKey = QStringLiteral("406");

// The question before the outputs go back under the drive's control.
bool clearingForcesConfirmed() {
  return prompt::MsgBox(QStringLiteral("You are about to clear all forces. Output states will "
                                       "resume under drive control.") +
                            "\r\r" + "Are you sure?",
                        prompt::Buttons::YesNo, prompt::Icon::Exclamation,
                        QStringLiteral(" Warning - Normal Operation Will Resume!")) == prompt::Yes;
}

// While the scope captures it owns the polling and holds this screen (its interlock).
bool scopeHoldsTheScreen() { return basFunctions::PollGroup == 2; }

}  // namespace

void frmMaintenance::restartInputTimer() {
  if (!scopeHoldsTheScreen() && !closing_) tmrMaint2->start();
}

// Input n under software control (or back to its terminal): the mask bit, then the input's
// software state cleared.
void frmMaintenance::chkDI_Click(int n) {
  const Abandoned closing = closingCheck();
  guarded(variant_.chkDIErrorText, [&] {
    mainWindow::SetBusyPointer();
    tmrMaint2->stop();
    const drive_facts::BitField bits = variant_.inputBits();
    const bool checked = chkDI[n]->isChecked();
    WriteParameter(QString::fromLatin1(variant_.maskKey),
                   SetPoint(bits, DriveImage.P(3, variant_.maskNumber), n, checked));
    WaitaWhile(0.75);
    if (!ReadyToWrite(closing)) return;  // the closing has restored the drive
    WriteParameter(kInputStatesKey, SetPoint(bits, DriveImage.P(4, 7), n, false));
    WaitaWhile(0.25);
    if (closing()) return;
    if (!scopeHoldsTheScreen()) cmdDI[n]->setEnabled(checked);
    cmdForceIns->setEnabled(true);
    mainWindow::SetNormalPointer();
    restartInputTimer();
  });
}

void frmMaintenance::cmdDI_Click(int n) {
  guarded(location("cmdDI_Click").toUtf8().constData(), [&] {
    WriteParameter(kInputStatesKey, FlipPoint(variant_.inputBits(), DriveImage.P(4, 7), n));
  });
}

// Force Inputs: the software states of the inputs become the pattern of the check boxes.
void frmMaintenance::cmdForceIns_Click() {
  guarded(location("cmdForceIns_Click").toUtf8().constData(), [&] {
    int states = 0;
    for (int n = 1; n <= variant_.inputCount; ++n)
      states = SetPoint(variant_.inputBits(), states, n, chkDI[n]->isChecked());
    WriteParameter(kInputStatesKey, states);
    cmdForceIns->setEnabled(false);
  });
}

void frmMaintenance::chkDO_Click(int /*n*/) {
  guarded(location("chkDO_Click").toUtf8().constData(), [&] { cmdForceOuts->setEnabled(true); });
}

void frmMaintenance::cmdDO_Click(int n) {
  guarded(location("cmdDO_Click").toUtf8().constData(), [&] {
    const int forces = FlipPoint(drive_facts::kOutputBits, DriveImage.P(4, 6), n);
    if (forces == 0 && !clearingForcesConfirmed()) return;
    mainWindow::SetBusyPointer();
    WriteParameter(kForcedOutputsKey, forces);
    WaitaWhile(1);
    mainWindow::SetNormalPointer();
  });
}

// Force Outputs, by the pattern of Force Inputs: the forced-output mask becomes the pattern
// of the output check boxes. Clearing every force asks first, as a toggle does.
void frmMaintenance::cmdForceOuts_Click() {
  guarded(location("cmdForceOuts_Click").toUtf8().constData(), [&] {
    int forces = 0;
    for (int n = 1; n <= kOutputs; ++n)
      forces = SetPoint(drive_facts::kOutputBits, forces, n, chkDO[n]->isChecked());
    if (forces == 0 && DriveImage.P(4, 6) > 0 && !clearingForcesConfirmed()) return;
    mainWindow::SetBusyPointer();
    WriteParameter(kForcedOutputsKey, forces);
    cmdForceOuts->setEnabled(false);
    WaitaWhile(1);
    mainWindow::SetNormalPointer();
  });
}

void frmMaintenance::cmdClearDOForces_Click() {
  guarded(location("cmdClearDOForces_Click").toUtf8().constData(), [&] {
    if (!clearingForcesConfirmed()) return;
    WriteParameter(kForcedOutputsKey, 0);
    WaitaWhile(0.25);
    setOutputBoxes(0);
  });
}

void frmMaintenance::cmdEnable_Click() {
  guarded(location("cmdEnable_Click").toUtf8().constData(), [&] {
    const bool enabling = cmdEnable->text() == QLatin1String("Enable Drive");
    WriteParameter(QStringLiteral("251"), enabling ? 1 : 0);
    WaitaWhile(0.5);
    cmdEnable->setText(enabling ? QStringLiteral("Disable Drive") : QStringLiteral("Enable Drive"));
    driveEnabledHere_ = true;
  });
}

void frmMaintenance::cmdJog_Click() {
  guarded(location("cmdJog_Click").toUtf8().constData(), [&] { frmJog::Display(); });
}

void frmMaintenance::cmdPosMove_Click() {
  guarded(location("cmdPosMove_Click").toUtf8().constData(), [&] {
    if (basFunctions::ModeString == QLatin1String("Pr")) {
      frmPosCommand::Display();
      return;
    }
    prompt::MsgBox(QStringLiteral("This function is only available in Pr mode."),
                   prompt::Buttons::OK, prompt::Icon::Exclamation,
                   QStringLiteral(" Function Not Available"));
  });
}
