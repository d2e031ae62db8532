#include "editor/frm_tab_config.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "editor/editor_rows.h"
#include "editor/editor_values.h"
#include "editor/frm_265.h"
#include "editor/frm_308.h"
#include "editor/frm_param_wiz.h"
#include "editor/param_editor.h"
#include "link/bas_comm.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

using basFunctions::guarded;
using number_text::LeadingNumber;

namespace {

QPointer<frmTabConfig> g_editor;

constexpr const char* kRowProperty = "ParamIndex";
constexpr const char* kExpressWritesText =
    "Express Writes Functionality is Enabled, Ctrl-Enter to Write to Servo";
constexpr QSize kPreferredSize(900, 600);

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Focus that moves because another window came up (a message box, a list's pop-up) is not
// the user leaving or entering a field.
bool windowSwitch(const QFocusEvent* event) {
  return event->reason() == Qt::ActiveWindowFocusReason ||
         event->reason() == Qt::PopupFocusReason || event->reason() == Qt::MenuBarFocusReason;
}

}  // namespace

frmTabConfig::frmTabConfig(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmTabConfig"));
  setWindowTitle(QStringLiteral("  Detailed Configuration"));
  auto* layout = new QVBoxLayout(this);
  buildTabs();
  layout->addWidget(tabDetails_, 1);
  buildButtons();
  g_editor = this;
}

frmTabConfig::~frmTabConfig() = default;

frmTabConfig* frmTabConfig::instance() { return g_editor.data(); }

frmTabConfig* frmTabConfig::LoadHidden(QWidget* mdiArea) {
  auto* editor = new frmTabConfig;
  if (auto* area = qobject_cast<QMdiArea*>(mdiArea)) {
    QMdiSubWindow* frame = area->addSubWindow(editor);
    frame->resize(kPreferredSize);
    frame->hide();
  } else {
    editor->setParent(mdiArea, Qt::Window);
    editor->hide();
  }
  basMain::EditorTag = QStringLiteral("0");
  return editor;
}

void frmTabConfig::ShowWindow() {
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  show();
  if (!frame) {
    raise();
    activateWindow();
    return;
  }
  // Kept to the child-window area: the rows scroll inside it, the buttons stay in view.
  host::FitIntoChildArea(this, size());
  frame->show();
  frame->raise();
  if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
}

void frmTabConfig::HideWindow() {
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
    frame->hide();
  else
    hide();
}

const frmTabConfig::Row* frmTabConfig::row(int k) const {
  return k >= 0 && k < kRowCount ? &rows_[static_cast<size_t>(k)] : nullptr;
}

QLineEdit* frmTabConfig::txtP(int k) const { return row(k) ? row(k)->field : nullptr; }
QComboBox* frmTabConfig::cmbP(int k) const { return row(k) ? row(k)->list : nullptr; }
QLabel* frmTabConfig::lblP(int k) const { return row(k) ? row(k)->label : nullptr; }
QLabel* frmTabConfig::lblPUnits(int k) const { return row(k) ? row(k)->units : nullptr; }
QPushButton* frmTabConfig::cmdParamWiz(int k) const { return row(k) ? row(k)->wizard : nullptr; }

QLabel* frmTabConfig::lblDODI(int k) const {
  return editorRows::HasInputOutputMeaning(k) ? row(k)->meaning : nullptr;
}

QLabel* frmTabConfig::lblSpecial410(int k) const { return special410_.value(k); }

QLabel* frmTabConfig::hexLabel(int k) const {
  return editorRows::HexLabelName(k).isEmpty() ? nullptr : row(k)->meaning;
}

QString frmTabConfig::PrevValue(int k) const { return prevValue_.value(k); }

void frmTabConfig::setPrevValue(int k, const QString& text) { prevValue_.insert(k, text); }

QString frmTabConfig::ValueBeforeEdit(int k) const { return valueBeforeEdit_.value(k); }

void frmTabConfig::setValueBeforeEdit(int k, const QString& text) {
  valueBeforeEdit_.insert(k, text);
}

void frmTabConfig::wireRow(int k) {
  const Row& r = rows_[static_cast<size_t>(k)];
  for (QWidget* part : {static_cast<QWidget*>(r.label), static_cast<QWidget*>(r.field),
                        static_cast<QWidget*>(r.list)}) {
    if (!part) continue;
    part->setProperty(kRowProperty, k);
    part->installEventFilter(this);
  }
  connect(r.field, &QLineEdit::textChanged, this, [this, k](const QString& text) {
    if (k == 0) basMain::EditorFirmwareText = text;
    if (changeHandling_) txtP_Change(k);
  });
  if (r.list) {
    // A choice made by the user or by code (as selecting an entry by its position does) puts
    // the entry's value into the field; the procedures that only show a value select with
    // the list's signals blocked.
    connect(r.list, &QComboBox::activated, this, [this, k] { cmbP_Click(k); });
    connect(r.list, &QComboBox::currentIndexChanged, this, [this, k](int index) {
      if (index >= 0) cmbP_Click(k);
    });
  }
  if (r.wizard) connect(r.wizard, &QPushButton::clicked, this, [this, k] { cmdParamWiz_Click(k); });
}

void frmTabConfig::txtP_GotFocus(int k) {
  guarded("frmTabConfig, txtP_GotFocus", [&] {
    setPrevValue(k, txtP(k)->text());
    setValueBeforeEdit(k, txtP(k)->text());
  });
}

void frmTabConfig::txtP_Change(int k) {
  guarded("frmTabConfig, txtP_Change", [&] {
    const QString text = txtP(k)->text();
    if (editorRows::HasInputOutputMeaning(k)) {
      // The main timer keeps ConfigAmpCode; a configuration loading right now is ahead of it.
      const int32_t motorCode = basFunctions::WorkingConfig.P(1, 31);
      basFunctions::ConfigAmpCode = motorCode < -32768 || motorCode > 32767
                                        ? 0
                                        : basComm::GetAmpCode(static_cast<int16_t>(motorCode));
      const QString revision = QString::number(basFunctions::WorkingConfig.P(0, 0)).left(3);
      if (const auto meaning =
              editorValues::InputOutputMeaning(k, text, basFunctions::ConfigAmpCode, revision))
        lblDODI(k)->setText(*meaning);
    }
    editorValues::StoreFieldValue(k, text);
    RefreshHexLabels();
    if (filling_) return;
    if (k == 101) {
      basFunctions::P101Changed = true;
      basMain::ResetNeeded101 = true;
    }
    if (k == 133) basMain::ResetNeeded133 = true;
    // Any change to a configuration shown in the editor is unsaved until it is saved.
    if (basMain::EditorTag != QLatin1String("0")) basMain::ConfigDirty = true;
  });
}

void frmTabConfig::txtP_KeyUp(int k, int key, Qt::KeyboardModifiers shift) {
  guarded("frmTabConfig, txtP_KeyUp", [&] {
    if (!isEnter(key) || !(shift & Qt::ControlModifier)) return;
    QLineEdit* field = txtP(k);
    if (basFunctions::Validate(LeadingNumber(field->text()), field, lblP(k), k) &&
        basMain::ExpressActive)
      basFunctions::SubXWrites(k);
  });
}

void frmTabConfig::cmbP_KeyUp(int k, int key) {
  guarded("frmTabConfig, cmbP_KeyUp", [&] {
    if (!isEnter(key)) return;
    QLineEdit* field = txtP(k);
    if (basFunctions::Validate(LeadingNumber(field->text()), field, lblP(k), k) &&
        basMain::ExpressActive)
      basFunctions::SubXWrites(k);
  });
}

void frmTabConfig::txtP_LostFocus(int k) {
  guarded("frmTabConfig, txtP_LostFocus", [&] {
    hexLabel(406)->setText(editorValues::HexText(txtP(406)->text()));
    QLineEdit* field = txtP(k);
    basFunctions::Validate(LeadingNumber(field->text()), field, lblP(k), k);
  });
}

void frmTabConfig::txtP_MouseMove(int k) {
  guarded("frmTabConfig, txtP_MouseMove", [&] {
    QLineEdit* field = txtP(k);
    if (field->isEnabled())
      field->setToolTip(basMain::TextTip ? basFunctions::Catalog[k].ToolTipText : QString());
  });
}

void frmTabConfig::lblP_MouseMove(int k) {
  guarded("frmTabConfig, lblP_MouseMove", [&] {
    QLabel* label = lblP(k);
    const QColor grey = palette().color(QPalette::Disabled, QPalette::WindowText);
    if (label->palette().color(QPalette::WindowText) == grey) return;
    const auto& defaultValue = basFunctions::Catalog[k].defaultValue;
    const QString text = defaultValue ? editorValues::NumberText(*defaultValue) : QString();
    label->setToolTip(basMain::TextTip ? "Default value = " + text : QString());
  });
}

void frmTabConfig::cmbP_Click(int k) {
  guarded("frmTabConfig, cmbP_Click", [&] {
    QComboBox* list = cmbP(k);
    // P1.31 lists motors, not positions: the entry begins with the motor code.
    txtP(k)->setText(k == 131 ? list->currentText().left(2)
                              : QString::number(list->currentIndex()));
  });
}

void frmTabConfig::cmdParamWiz_Click(int k) {
  guarded("frmTabConfig, cmdParamWiz_Click", [&] {
    // The wizard starts from the row's value: text typed but not confirmed is checked first.
    QLineEdit* field = txtP(k);
    if (field->text() != PrevValue(k) &&
        !basFunctions::Validate(LeadingNumber(field->text()), field, lblP(k), k))
      return;
    if (k == 265)
      frm265::Display();
    else if (k == 308)
      frm308::Display();
    else
      basFunctions::ParamWiz(k);
  });
}

bool frmTabConfig::Form_KeyDown(QWidget* /*from*/, int key, Qt::KeyboardModifiers shift) {
  bool taken = false;
  guarded("frmTabConfig, Form_KeyDown", [&] {
    if (!isEnter(key) || (shift & Qt::ControlModifier)) return;
    focusNextPrevChild(true);
    taken = true;
  });
  return taken;
}

void frmTabConfig::MarkDefaulted(const QList<int>& rows) {
  for (int k : rows) {
    QLabel* label = lblP(k);
    if (!label) continue;
    defaulted_.insert(k);
    QPalette marked = label->palette();
    marked.setColor(QPalette::WindowText, QColor(0xb0, 0x40, 0x00));
    label->setPalette(marked);
    label->setStatusTip(QStringLiteral("Not in the opened file: holds its default value"));
  }
}

void frmTabConfig::ClearDefaultedMarks() {
  for (int k : std::as_const(defaulted_))
    if (QLabel* label = lblP(k)) label->setStatusTip(QString());
  defaulted_.clear();
}

bool frmTabConfig::ConfirmPendingEdits() {
  bool confirmed = true;
  guarded("frmTabConfig, ConfirmPendingEdits", [&] {
    for (int k : basFunctions::Catalog.loadedIndexes()) {
      QLineEdit* field = txtP(k);
      if (!field || field->isHidden() || field->text() == PrevValue(k)) continue;
      if (!basFunctions::Validate(LeadingNumber(field->text()), field, lblP(k), k)) {
        tabDetails_->setCurrentIndex(k / 100);
        confirmed = false;
        return;
      }
    }
  });
  return confirmed;
}

bool frmTabConfig::Form_QueryUnload() {
  HideWindow();
  return false;
}

void frmTabConfig::RefreshHexLabels() {
  for (int k : {231, 265, 308, 406}) hexLabel(k)->setText(editorValues::HexText(txtP(k)->text()));
}

void frmTabConfig::SetXWrites(bool expressActive) {
  xWrites_->setText(expressActive ? QString::fromLatin1(kExpressWritesText) : QStringLiteral("  "));
}

void frmTabConfig::SetRowTabOrder(const QList<int>& rowsInOrder) {
  QWidget* previous = nullptr;
  for (int k : rowsInOrder) {
    const Row* r = row(k);
    if (!r || !r->field) continue;
    const bool listRow = r->list && basFunctions::Catalog[k].HasList;
    QWidget* stop = listRow ? static_cast<QWidget*>(r->list) : r->field;
    if (previous) QWidget::setTabOrder(previous, stop);
    previous = stop;
  }
  if (previous)
    if (auto* close = findChild<QPushButton*>(QStringLiteral("cmdClose")))
      QWidget::setTabOrder(previous, close);
}

bool frmTabConfig::eventFilter(QObject* watched, QEvent* event) {
  const QVariant index = watched->property(kRowProperty);
  if (!index.isValid()) return QWidget::eventFilter(watched, event);
  const int k = index.toInt();
  if (auto* field = qobject_cast<QLineEdit*>(watched)) {
    switch (event->type()) {
      case QEvent::FocusIn:
        // Focus that comes back from another window (a message box closing) is the same visit
        // of the field: its remembered value stays, but its next leave is still checked.
        focusedRow_ = k;
        if (!windowSwitch(static_cast<QFocusEvent*>(event))) txtP_GotFocus(k);
        break;
      case QEvent::FocusOut:
        if (!windowSwitch(static_cast<QFocusEvent*>(event)) &&
            (focusedRow_ == k || field->text() != PrevValue(k))) {
          if (focusedRow_ == k) focusedRow_ = -1;
          // Checked once the focus has settled on its new field, as leaving a field does.
          QTimer::singleShot(0, this, [this, k] { txtP_LostFocus(k); });
        }
        break;
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!isEnter(key->key())) break;
        Form_KeyDown(field, key->key(), key->modifiers());
        return true;
      }
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key->key()) && !key->isAutoRepeat()) {
          txtP_KeyUp(k, key->key(), key->modifiers());
          return true;
        }
        break;
      }
      case QEvent::MouseMove:
        txtP_MouseMove(k);
        break;
      default:
        break;
    }
  } else if (auto* list = qobject_cast<QComboBox*>(watched)) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (isEnter(key->key())) {
        cmbP_KeyUp(k, key->key());
        if (list->hasFocus()) Form_KeyDown(list, key->key(), key->modifiers());
        return true;
      }
    }
  } else if (event->type() == QEvent::MouseMove) {
    lblP_MouseMove(k);
  }
  return QWidget::eventFilter(watched, event);
}

void frmTabConfig::closeEvent(QCloseEvent* event) {
  if (!Form_QueryUnload()) event->ignore();
}
