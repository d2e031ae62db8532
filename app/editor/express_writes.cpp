// SubXWrites: the express write of one editor row to the drive.
#include <QElapsedTimer>
#include <QLineEdit>

#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "link/bas_comm.h"
#include "params/value_table.h"
#include "shell/app_state.h"
#include "shell/host.h"
#include "shell/logs.h"
#include "shell/poll_groups.h"
#include "shell/prompt.h"
#include "shell/status.h"

namespace basFunctions {
namespace {

// LastDoneResult while no answer to our write has arrived.
constexpr int16_t kNoAnswer = -32768;

// Waits (events keep running) until the control has finished the write: its reply, an
// exception or its own time-out. Returns the write's result, kNoAnswer when none came.
int16_t writeOutcome() {
  portwright::IModbusAtl& mod1 = host::Mod1();
  QElapsedTimer waited;
  waited.start();
  const qint64 limit = mod1.get_MsgTimeOut() + 1000;
  while (mod1.IsBusy() != portwright::VARIANT_FALSE && waited.elapsed() < limit) WaitaWhile(0.01);
  return LastDoneResult;
}

void reportFailedWrite(const QString& label, const QString& value, int16_t result) {
  const QString outcome =
      result == kNoAnswer ? QStringLiteral("no answer") : "result " + QString::number(result);
  Status(0, 0, label + " was not written to the Servo using Express Writes (" + outcome + ").");
  EventLog("Express write of " + label + " = " + value + " failed (" + outcome + ")");
  prompt::MsgBox("The drive did not take the new value of " + label + "." + "\r" +
                     "The Servo may still hold its previous value.",
                 prompt::Buttons::OK, prompt::Icon::Exclamation,
                 QStringLiteral("Express Write Failed"));
}

}  // namespace

void SubXWrites(int k) {
  guarded("basFunctions, SubXWrites", [&] {
    if (!basMain::ExpressActive) return;
    frmTabConfig* form = frmTabConfig::instance();
    if (!form) throw ProgramError(91, "Object variable or With block variable not set");
    QLineEdit* field = form->txtP(k);
    const QString key = ParamKeyText(k);
    const QString label = "P" + key.left(1) + "." + key.mid(1, 2);
    if (basMain::ConfirmExpress &&
        prompt::MsgBox(QStringLiteral("Are you sure you want to write the new value to the Servo?"),
                       prompt::Buttons::YesNo, prompt::Icon::Question,
                       QStringLiteral("Confirmation Needed")) == prompt::No) {
      // Validate has already taken the new text as the row's previous value: put back the
      // one the drive holds, so that memory and drive still agree.
      field->setText(form->ValueBeforeEdit(k));
      form->setPrevValue(k, field->text());
      return;
    }
    LastDoneResult = kNoAnswer;
    basComm::WriteData(key, 1, portwright::Integer, 0);
    WaitaWhile(0.4);
    // Without a connection WriteData has told the user already.
    if (basComm::DriveConnected != 1) return;
    const int16_t result = writeOutcome();
    if (result != 0) {
      reportFailedWrite(label, field->text(), result);
      return;
    }
    form->setValueBeforeEdit(k, field->text());
    Status(0, 0, label + " has been written to using Express Writes. Value = " + field->text());
  });
}

}  // namespace basFunctions
