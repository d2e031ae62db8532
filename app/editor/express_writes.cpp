// SubXWrites: the express write of one editor row to the drive.
#include <QElapsedTimer>
#include <QLineEdit>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/value_table.h"

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

// A value that was not sent at all, because its register cannot take it.
constexpr int16_t kNotSent = -32767;

void reportFailedWrite(const QString& label, const QString& value, int16_t result,
                       const QString& reason) {
  const QString outcome = result == kNotSent    ? "not sent: " + reason
                          : result == kNoAnswer ? QStringLiteral("no answer")
                                                : "result " + QString::number(result);
  Status(0, 0, label + " was not written to the Servo using Express Writes (" + outcome + ").");
  EventLog("Express write of " + label + " = " + value + " failed (" + outcome + ")");
  const QString what = result == kNotSent
                           ? "The new value of " + label + " was not written (" + reason + ")."
                           : "The drive did not take the new value of " + label + ".";
  prompt::MsgBox(what + "\r" + "The Servo may still hold its previous value.", prompt::Buttons::OK,
                 prompt::Icon::Exclamation, QStringLiteral("Express Write Failed"));
}

QString labelOf(int k) {
  const QString key = ParamKeyText(k);
  return "P" + key.left(1) + "." + key.mid(1, 2);
}

// The value in memory must be one the register takes as it stands: never sent as another.
bool refusedAsUnfit(int k, QLineEdit* field) {
  const int32_t raw = WorkingConfig.byIndex(k);
  const param_value::Verdict verdict = param_value::Check(k, Catalog[k], raw);
  if (verdict == param_value::Verdict::Fits) return false;
  reportFailedWrite(labelOf(k), field->text(), kNotSent,
                    param_value::ReasonText(k, Catalog[k], verdict));
  return true;
}

// One row to the drive; true when the drive took it.
bool writeRow(frmTabConfig* form, int k) {
  QLineEdit* field = form->txtP(k);
  const QString label = labelOf(k);
  if (refusedAsUnfit(k, field)) return false;
  LastDoneResult = kNoAnswer;
  basComm::WriteData(ParamKeyText(k), 1, portwright::Integer, 0);
  WaitaWhile(0.4);
  // Without a connection WriteData has told the user already.
  if (basComm::DriveConnected != 1) return false;
  const int16_t result = writeOutcome();
  if (result != 0) {
    reportFailedWrite(label, field->text(), result, QString());
    return false;
  }
  form->setValueBeforeEdit(k, field->text());
  Status(0, 0, label + " has been written to using Express Writes. Value = " + field->text());
  return true;
}

// Declined: the rows get back the values the drive holds, so that memory and drive agree.
void putBack(frmTabConfig* form, const QList<int>& rows) {
  for (int k : rows) {
    QLineEdit* field = form->txtP(k);
    field->setText(form->ValueBeforeEdit(k));
    form->setPrevValue(k, field->text());
  }
}

}  // namespace

void SubXWrites(int k) {
  guarded("basFunctions, SubXWrites", [&] {
    if (!basMain::ExpressActive) return;
    frmTabConfig* form = frmTabConfig::instance();
    if (!form) throw ProgramError(91, "Object variable or With block variable not set");
    QList<int> rows{k};
    if (k == 101) rows += DependentWrites;
    DependentWrites.removeAll(k);
    if (basMain::ConfirmExpress &&
        prompt::MsgBox(QStringLiteral("Are you sure you want to write the new value to the Servo?"),
                       prompt::Buttons::YesNo, prompt::Icon::Question,
                       QStringLiteral("Confirmation Needed")) == prompt::No) {
      // Validate has already taken the new text as the row's previous value.
      putBack(form, rows);
      if (k == 101) DependentWrites.clear();
      return;
    }
    if (!writeRow(form, k)) return;
    if (k != 101) return;
    for (int dependent : std::as_const(DependentWrites)) writeRow(form, dependent);
    DependentWrites.clear();
  });
}

}  // namespace basFunctions
