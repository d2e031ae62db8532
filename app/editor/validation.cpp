// Validate: the check of a value the user confirmed in the editor, and the one rule between
// parameters (a change of P1.01 brings P1.36 in line).
#include <QLabel>
#include <QLineEdit>

#include "core/app_state.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/editor_values.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

namespace basFunctions {
namespace {

using editorValues::P136Change;
using prompt::Buttons;
using prompt::Icon;

const QString kDependencyTitle = QStringLiteral("Parameter Dependency");

// P2.65 is a set of bits: only its bit editor may change it.
bool refusedBitParameterEdit(frmTabConfig* form, QLineEdit* field) {
  const QString previous = form->PrevValue(265);
  if (number_text::LeadingNumber(field->text()) == number_text::LeadingNumber(previous))
    return false;
  prompt::MsgBox(QStringLiteral("Please use the wizard to make changes to this parameter."),
                 Buttons::OK, Icon::None, QStringLiteral("Edit Not Allowed"));
  field->setText(previous);
  return true;
}

// With express writes on, the drive must get the new P1.36 with P1.01.
void dependentChanged(int k) {
  if (!basMain::ExpressActive) return;
  if (!DependentWrites.contains(k)) DependentWrites.append(k);
  Status(0, 0,
         QStringLiteral("P1.36 has not been written to the Servo yet: it is written with P1.01 "
                        "(Ctrl-Enter in P1.01)."));
}

void applyP101Dependency(frmTabConfig* form) {
  const int32_t mode = WorkingConfig.P(1, 1);
  const auto change = editorValues::DependencyOfP101(mode, WorkingConfig.P(1, 36));
  if (change != P136Change::None) dependentChanged(136);
  switch (change) {
    case P136Change::SetToZero:
      form->txtP(136)->setText(QStringLiteral("0"));
      prompt::MsgBox(QStringLiteral("The value in P1.36 will be set to 0."), Buttons::OK,
                     Icon::Information, kDependencyTitle);
      P101Changed = false;
      break;
    case P136Change::SetToTwenty:
      form->txtP(136)->setText(QStringLiteral("20"));
      prompt::MsgBox("You have changed the setting of P1.01 to " + QString::number(mode) + "." +
                         "\r" + "As a result, the value in P1.36 will be set to 20.",
                     Buttons::OK, Icon::Information, kDependencyTitle);
      P101Changed = false;
      break;
    case P136Change::None:
      break;
  }
}

// An accepted text shows the value that is stored and will be written: "1e3" is shown as
// 1000, and 12.55 at a resolution of 10 as the 12.6 the drive will hold.
void showStoredValue(QLineEdit* field, int k) {
  const ParamInfo& info = Catalog[k];
  const QString text = field->text();
  if (info.HasList || info.resolution == 0 || !number_text::IsNumber(text)) return;
  const QString stored = DisplayText(WorkingConfig.byIndex(k), info.resolution);
  if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive) ||
      number_text::LeadingNumber(stored) != number_text::LeadingNumber(text))
    field->setText(stored);
}

}  // namespace

bool Validate(double value, QLineEdit* field, QLabel* /*label*/, int k) {
  bool accepted = true;
  guarded("basFunctions, Validate()", [&] {
    frmTabConfig* form = frmTabConfig::instance();
    if (!form || !field) throw ProgramError(91, "Object variable or With block variable not set");
    if (k == 265 && refusedBitParameterEdit(form, field)) {
      accepted = false;
      return;
    }
    const QString previous = form->PrevValue(k);
    const auto verdict = editorValues::CheckValue(k, field->text(), previous, value, Catalog[k]);
    if (verdict != editorValues::Verdict::Accepted) {
      prompt::MsgBox("The value entered for " + ParamMessageLabel(k) +
                         editorValues::RefusalText(verdict) + "\r" +
                         "The parameter will be set to the previous value.",
                     Buttons::OK, Icon::Critical, QStringLiteral("Value Out Of Range"));
      field->setText(previous);
      field->setFocus();
      accepted = false;
    } else {
      showStoredValue(field, k);
    }
    if (k == 101 && P101Changed) applyP101Dependency(form);
    form->setPrevValue(k, field->text());
  });
  return accepted;
}

}  // namespace basFunctions
