#include "editor/frm_tab_config.h"

#include <QCloseEvent>
#include <QPointer>

namespace {
QPointer<frmTabConfig> g_editor;
}

frmTabConfig::frmTabConfig(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmTabConfig"));
  setWindowTitle(QStringLiteral("  Detailed Configuration"));
  g_editor = this;
}
frmTabConfig::~frmTabConfig() = default;
frmTabConfig* frmTabConfig::instance() { return g_editor.data(); }
frmTabConfig* frmTabConfig::LoadHidden(QWidget*) { return nullptr; }
void frmTabConfig::ShowWindow() {}
void frmTabConfig::HideWindow() {}
const frmTabConfig::Row* frmTabConfig::row(int k) const {
  return k >= 0 && k < kRowCount ? &rows_[static_cast<size_t>(k)] : nullptr;
}
QLineEdit* frmTabConfig::txtP(int k) const { return row(k) ? row(k)->field : nullptr; }
QComboBox* frmTabConfig::cmbP(int k) const { return row(k) ? row(k)->list : nullptr; }
QLabel* frmTabConfig::lblP(int k) const { return row(k) ? row(k)->label : nullptr; }
QLabel* frmTabConfig::lblPUnits(int k) const { return row(k) ? row(k)->units : nullptr; }
QPushButton* frmTabConfig::cmdParamWiz(int k) const { return row(k) ? row(k)->wizard : nullptr; }
QLabel* frmTabConfig::lblDODI(int) const { return nullptr; }
QLabel* frmTabConfig::lblSpecial410(int k) const { return special410_.value(k); }
QLabel* frmTabConfig::hexLabel(int) const { return nullptr; }
QString frmTabConfig::PrevValue(int k) const { return prevValue_.value(k); }
void frmTabConfig::setPrevValue(int k, const QString& text) { prevValue_.insert(k, text); }
void frmTabConfig::txtP_GotFocus(int) {}
void frmTabConfig::txtP_Change(int) {}
void frmTabConfig::txtP_KeyUp(int, int, Qt::KeyboardModifiers) {}
void frmTabConfig::txtP_LostFocus(int) {}
void frmTabConfig::txtP_MouseMove(int) {}
void frmTabConfig::lblP_MouseMove(int) {}
void frmTabConfig::cmbP_Click(int) {}
void frmTabConfig::cmbP_KeyUp(int, int) {}
void frmTabConfig::cmdParamWiz_Click(int) {}
bool frmTabConfig::Form_KeyDown(QWidget*, int, Qt::KeyboardModifiers) { return false; }
bool frmTabConfig::Form_QueryUnload() { return false; }
void frmTabConfig::RefreshHexLabels() {}
void frmTabConfig::SetXWrites(bool) {}
void frmTabConfig::SetRowTabOrder(const QList<int>&) {}
bool frmTabConfig::eventFilter(QObject* watched, QEvent* event) {
  return QWidget::eventFilter(watched, event);
}
void frmTabConfig::closeEvent(QCloseEvent* event) { event->ignore(); }
