// The editor's rows from the catalogue (getParamData, ClearObjects) and from WorkingConfig
// (LoadTab).
#include "editor/param_editor.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/database.h"
#include "core/logs.h"
#include "core/status.h"
#include "editor/editor_rows.h"
#include "editor/editor_values.h"
#include "editor/frm_tab_config.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

namespace basFunctions {

bool P101Changed = false;
QList<int> DependentWrites;

namespace {

constexpr int kNotSetError = 91;
constexpr int kMissingRowError = 340;  // control array element does not exist
constexpr int kInvalidValueError = 380;

class BusyPointer {
 public:
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

// Code changes to the fields that must not reach WorkingConfig (emptying the rows).
class ChangeHandlingOff {
 public:
  explicit ChangeHandlingOff(frmTabConfig* form) : form_(form) { form_->setChangeHandling(false); }
  ~ChangeHandlingOff() { form_->setChangeHandling(true); }
  ChangeHandlingOff(const ChangeHandlingOff&) = delete;
  ChangeHandlingOff& operator=(const ChangeHandlingOff&) = delete;

 private:
  frmTabConfig* form_;
};

// Rows filled by code: their values are the configuration's, not changes by the user.
class Filling {
 public:
  explicit Filling(frmTabConfig* form) : form_(form), was_(form->filling()) {
    form_->setFilling(true);
  }
  ~Filling() { form_->setFilling(was_); }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;

 private:
  frmTabConfig* form_;
  bool was_;
};

void requireForm(const frmTabConfig* form) {
  if (!form) throw ProgramError(kNotSetError, "Object variable or With block variable not set");
}

void requireRow(const QObject* part, int k) {
  if (!part)
    throw ProgramError(kMissingRowError,
                       "Control array element '" + std::to_string(k) + "' doesn't exist");
}

void setLabelBlack(QLabel* label) {
  QPalette black = label->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(black);
}

// Selects the settings-list entry of a value: the entry at the value's position, or for P1.31
// (a list of motors) the entry that begins with the motor code. Returns the entry's text.
QString selectListEntry(QComboBox* list, int k, const QString& fieldText) {
  const double value = number_text::LeadingNumber(fieldText);
  int position = -1;
  if (k == 131) {
    const QString code =
        QStringLiteral("%1").arg(static_cast<qint64>(value), 2, 10, QLatin1Char('0'));
    for (int i = 0; i < list->count() && position < 0; ++i)
      if (list->itemText(i).left(2) == code) position = i;
  } else if (value >= 0 && value < list->count()) {
    position = static_cast<int>(value);
  }
  if (position < 0) throw ProgramError(kInvalidValueError, "Invalid property value");
  const QSignalBlocker quiet(list);
  list->setCurrentIndex(position);
  return list->itemText(position);
}

// The list's settings (qryExtraData, read once for the whole load), nothing selected.
void fillList(QComboBox* list, const QStringList& settings) {
  const QSignalBlocker quiet(list);
  list->clear();
  list->addItems(settings);
  list->setCurrentIndex(-1);
}

// One row from its catalogue entry: the default into the field (and so into WorkingConfig),
// label, tool tip, unit, list and the enabled states.
void prepareRow(frmTabConfig* form, int k, const QHash<QString, QStringList>& settingsLists) {
  const ParamInfo& info = Catalog[k];
  QLineEdit* field = form->txtP(k);
  QLabel* label = form->lblP(k);
  requireRow(field, k);
  const QString key = ParamKeyText(k);
  field->setText(info.defaultValue ? editorValues::NumberText(*info.defaultValue)
                                   : QStringLiteral(" "));
  setLabelBlack(label);
  field->setToolTip(info.ToolTipText);
  QLabel* units = form->lblPUnits(k);
  units->setText(info.EU);
  units->setVisible(!info.EU.isEmpty());
  label->setText(ParamLabel(key) + " - " + info.ParamName + "   ");
  label->show();
  field->show();
  QComboBox* list = form->cmbP(k);
  if (info.Extra) {
    requireRow(list, k);
    list->show();
    fillList(list, settingsLists.value(key));
    // Keyboard users choose from the list; the field beside it shows the chosen code.
    field->setFocusPolicy(Qt::ClickFocus);
    guarded("basFunctions, getParamData()",
            [&] { field->setText(selectListEntry(list, k, field->text()).left(2)); });
  }
  field->setEnabled(!info.ReadOnly);
  if (list) list->setEnabled(!(info.Extra && info.ReadOnly));
  form->setPrevValue(k, field->text());
  form->setValueBeforeEdit(k, field->text());
}

void showBitEditorParts(frmTabConfig* form, int k) {
  if (k != 265 && k != 308) return;
  form->cmdParamWiz(k)->show();
  form->hexLabel(k)->show();
}

}  // namespace

bool getParamData(frmTabConfig* form, const QString& source, int ampCode, int rev) {
  bool completed = false;
  guarded("basFunctions, getParamData()", [&] {
    requireForm(form);
    const BusyPointer busy;
    DependentWrites.clear();  // they belonged to the configuration being replaced
    SetParamMax();
    WaitaWhile(0.3);
    ClearObjects(form);
    WaitaWhile(0.3);
    {
      const basMain::DbConnection db = basMain::ConnectDB();
      if (!db) return;  // ConnectDB has reported it
      Catalog.load(db.database(), source, ampCode, rev, DriveImage, WorkingConfig);
    }
    const QHash<QString, QStringList> settingsLists = editorValues::SettingsLists(ampCode, rev);
    const Filling filling(form);
    for (int k : Catalog.loadedIndexes()) {
      Status(1, k, QString());
      WaitaWhile(0.01);
      // A row that cannot be prepared is logged; the other rows still load.
      guarded("basFunctions, getParamData()", [&] { prepareRow(form, k, settingsLists); });
      showBitEditorParts(form, k);
    }
    form->SetRowTabOrder(Catalog.loadedIndexes());
    completed = true;
  });
  return completed;
}

void ClearObjects(frmTabConfig* form) {
  guarded("basFunctions, ClearObjects()", [&] {
    requireForm(form);
    const ChangeHandlingOff quiet(form);
    form->ClearDefaultedMarks();
    for (int k : editorRows::AllIndexes()) {
      if (editorRows::IsReserved(k)) continue;
      if (QComboBox* list = form->cmbP(k)) {
        const QSignalBlocker noClick(list);
        list->clear();
        list->hide();
      }
      QLineEdit* field = form->txtP(k);
      field->clear();
      field->hide();
      field->setFocusPolicy(Qt::StrongFocus);
      QLabel* label = form->lblP(k);
      setLabelBlack(label);
      label->clear();
      label->hide();
      form->lblPUnits(k)->hide();
    }
    for (int k : {265, 308}) {
      form->cmdParamWiz(k)->hide();
      form->hexLabel(k)->hide();
    }
  });
}

namespace {

void fillRowFromWorkingConfig(frmTabConfig* form, int group, int number) {
  const int k = ParamIndex(group, number);
  QLineEdit* field = form->txtP(k);
  requireRow(field, k);
  const float resolution = Catalog[k].resolution;
  if (resolution == 0) throw ProgramError(11, "Division by zero");
  field->setText(DisplayText(WorkingConfig.P(group, number), resolution));
  field->show();
  form->lblP(k)->show();
  if (Catalog[k].HasList && form->cmbP(k)) selectListEntry(form->cmbP(k), k, field->text());
  form->setPrevValue(k, field->text());
  form->setValueBeforeEdit(k, field->text());
}

}  // namespace

void LoadTab(frmTabConfig* form) {
  guarded("frmMain, LoadTab", [&] {
    requireForm(form);
    const BusyPointer busy;
    const Filling filling(form);
    Status(1, 150, QString());
    WaitaWhile(1);
    constexpr int kGroupProgress[] = {0, 300, 400, 500, 600};
    for (int group = 0; group < 5; ++group) {
      if (group > 0) {
        Status(1, kGroupProgress[group], QString());
        WaitaWhile(1);
      }
      for (int number = 0; number <= GroupLimit[static_cast<size_t>(group)]; ++number) {
        if (group == 4 && editorRows::IsReserved(400 + number)) continue;
        // One row's failure is logged; the rows after it still fill.
        guarded("frmMain, LoadTab", [&] { fillRowFromWorkingConfig(form, group, number); });
      }
    }
  });
}

bool ConfirmEditorFields() {
  frmTabConfig* editor = frmTabConfig::instance();
  return !editor || editor->ConfirmPendingEdits();
}

QString ParamMessageLabel(int k) {
  if (k <= 99)
    return (k < 10 ? QStringLiteral("P0.0") : QStringLiteral("P0.")) + QString::number(k);
  const QString digits = QString::number(k);
  return "P" + digits.left(digits.size() - 2) + "." + digits.right(2);
}

}  // namespace basFunctions
